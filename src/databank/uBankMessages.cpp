#include "databank/uBankMessages.h"

#include <exception>
#include <map>
#include <new>
#include <stdexcept>

#include "databank/uFilePaths.h"
#include "platform/Memory.h"

const std::string& BankMessage(int id) {
  static const std::map<int, std::string> table = {
      {SCouldNotOpenBank, "Could not open DataBank!"},
      {SCouldNotSaveXMLStream, "Could not save XML Stream!"},
      {SCouldNotCompressBank, "Could not compress DataBank!"},
      {SCouldNotDecompressBank, "Could not decompress DataBank!"},
      {SCouldNotCypherBank, "Could not cypher DataBank!"},
      {SCouldNotDecypherBank, "Could not decypher DataBank!"},
      {SDataChanged, "Data has been changed. Do you want to save?"},
      {SInvalidPassword, "Invalid Password"},
  };
  static const std::string none;
  auto it = table.find(id);
  return it == table.end() ? none : it->second;
}

std::string FileDoesNotExistText(const std::string& path) {
  std::string text = SFileDoesNotExist;
  const size_t at = text.find("%s");
  return text.replace(at, 2, path);
}

std::string NotEnoughMemoryToUnpackText(std::uint64_t needed, std::uint64_t available) {
  return "There is not enough memory to read it: it unpacks to " + platform::MemorySizeText(needed) + ", and " +
         platform::MemorySizeText(available) + " are free.";
}

std::string CurrentExceptionReason(bool saving) {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return saving ? SNotEnoughMemoryToSave : SNotEnoughMemoryToRead;
  } catch (const std::length_error&) {
    // A size beyond what any string or table can hold: memory again, as a person sees it.
    return saving ? SNotEnoughMemoryToSave : SNotEnoughMemoryToRead;
  } catch (const std::exception& e) {
    if (e.what() && *e.what()) return e.what();
  } catch (...) {
  }
  return SUnexpectedError;
}

std::string NoThreadToWriteText(const std::string& reason) {
  return "No thread could be started to write it: " + reason;
}

std::string ReasonNamingFile(const std::string& reason, const std::string& path) {
  std::string text = reason;
  if (!text.empty() && (text.back() == '.' || text.back() == '!')) text.pop_back();
  return text + ": " + path;
}

std::string XMLErrorInFileText(const std::string& path, const std::string& summary) {
  static const std::string head = "XML error ";
  if (summary.compare(0, head.size(), head) != 0) return summary;
  return head + "in " + path + " " + summary.substr(head.size());
}

std::string FileNotFoundText(const std::string& path) {
  return "File not found: " + path;
}

std::string IsAFolderText(const std::string& path) {
  return path + " is a folder, not a databank";
}

std::string FileChangedQuestion(const std::string& path) {
  return "The file \"" + path +
         "\" was changed by another program since it was opened or last saved here.\n\n"
         "Overwrite it with this databank, save this databank under another name, or cancel?";
}

std::string ConflictCopyNotice(const std::string& path, const std::string& copy) {
  return "\"" + bankpaths::ExtractFileName(path) +
         "\" was changed by another program. This databank was saved beside it as \"" +
         bankpaths::ExtractFileName(copy) + "\"; auto-save leaves the file alone until you save.";
}

std::string ConflictCopyReport(const std::string& path, const std::string& copy) {
  return path + " was changed by another program; this databank was saved beside it as " + copy;
}

std::string FileLeftToOtherProgramReport(const std::string& path) {
  return path + " was changed by another program; this databank held no unsaved changes and left it as it is";
}

namespace {
std::string InvalidUtf8Told(const std::string& path, std::size_t bytes, int line) {
  const std::string count = bytes == 1 ? std::string("1 byte was") : std::to_string(bytes) + " bytes were";
  return "Some of " + path + " is not valid UTF-8 text, first on line " + std::to_string(line) + ": " + count +
         " replaced by the character \xEF\xBF\xBD (U+FFFD)";
}
}  // namespace

std::string InvalidUtf8Notice(const std::string& path, std::size_t bytes, int line, const std::string& keptAs) {
  return InvalidUtf8Told(path, bytes, line) +
         ".\nBefore this databank is first saved there, the file as it is now is kept as " + keptAs + ".";
}

std::string ImportedInvalidUtf8Notice(const std::string& path, std::size_t bytes, int line) {
  return InvalidUtf8Told(path, bytes, line) + " in what was imported. The file itself is left as it is.";
}

std::string OriginalKeptNotice(const std::string& path, const std::string& keptAs) {
  return "The file " + path + " as it was opened is kept as " + keptAs + ".";
}

std::string BackupFailedNotice(const std::string& path, const std::string& reason) {
  return path + " was saved, but no backup of it could be made first:\n" + reason;
}
