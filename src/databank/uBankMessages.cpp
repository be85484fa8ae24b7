#include "databank/uBankMessages.h"

#include <map>

#include "databank/uFilePaths.h"

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
