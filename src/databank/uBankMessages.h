// The databank window's message table and the fixed texts of its file dialogs and recent-file menu.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Exceptions.h"

enum : int {
  SCouldNotOpenBank = 65124,
  SCouldNotSaveXMLStream = 65125,
  SCouldNotCompressBank = 65126,
  SCouldNotDecompressBank = 65127,
  SCouldNotCypherBank = 65128,
  SCouldNotDecypherBank = 65129,
  SDataChanged = 65130,
  SInvalidPassword = 65151,
};

// The text of a message id of the table; "" for an id it does not hold.
const std::string& BankMessage(int id);

// Caption of the pipeline's error boxes, and of its warnings (something the user must know about a
// step that went on).
inline const char* const SErrorCaption = "Error";
inline const char* const SWarningCaption = "Warning";
// What the filter says of an expression it cannot use: what failed, then the engine's reason.
inline std::string InvalidRegExprText(const std::string& reason) {
  return "Invalid regular expression: " + reason;
}
// Raised for a recent-file item whose file is gone; "%s" is the path.
inline const char* const SFileDoesNotExist = "File \"%s\" doesn't exist!";
// Writing the databank file failed (creating, writing, flushing or renaming the temporary file).
inline const char* const SCouldNotWriteBank = "Could not write DataBank!";
// The reason line when the system gave no thread to write the file: "No thread could be started to
// write it: <the system's reason>".
std::string NoThreadToWriteText(const std::string& reason);

// Reasons given on the line under "Could not open DataBank!" (or "Could not write DataBank!"); running
// out of memory is SNotEnoughMemoryToRead / SNotEnoughMemoryToSave (platform/Exceptions.h).
inline const char* const SWrongPassword = "The password is wrong, or the file is damaged.";
inline const char* const SNotADataBank = "The file is not a databank.";
// What the file-password prompt says when it comes back after a password that did not open the file.
inline const char* const SPasswordWrongTryAgain = "The password is wrong. Try again.";
// Anything else that went wrong, when it says nothing itself.
inline const char* const SUnexpectedError = "An unexpected error stopped the work.";
// "There is not enough memory to read it: it unpacks to <size>, and <size> are free."
std::string NotEnoughMemoryToUnpackText(std::uint64_t needed, std::uint64_t available);
// The reason line for the exception being handled, of any type: running out of memory (std::bad_alloc,
// a size beyond any string) gives SNotEnoughMemoryToRead or SNotEnoughMemoryToSave as `saving` says;
// another std::exception its own text; anything else SUnexpectedError. Call only inside a catch block.
std::string CurrentExceptionReason(bool saving);

// The reason lines that name the file. A reason of the pipeline's own (not a databank, a wrong
// password, a layer's message such as a cancelled password prompt's "Could not decypher DataBank!"):
// its final "." or "!" becomes ": PATH", as in "The file is not a databank: PATH".
std::string ReasonNamingFile(const std::string& reason, const std::string& path);
// A parse error: "XML error in PATH at line L, column C: what" (a summary of another form is given
// as it is).
std::string XMLErrorInFileText(const std::string& path, const std::string& summary);

// Named on the command line but not there, or not a file.
std::string FileNotFoundText(const std::string& path);  // "File not found: PATH"
std::string IsAFolderText(const std::string& path);     // "PATH is a folder, not a databank"

// An export may not name the open databank's file (nor its backup): it would put a part of the
// databank in place of the whole.
inline const char* const SExportOntoOpenFile = "This is the open databank's file. Choose another name.";

inline const char* const SBankFileFilter = "XML DataBank|*.xdb2";
inline const char* const SBankDefaultExt = ".xdb2";
inline const char* const SOpenBankTitle = "Open DataBank";
inline const char* const SSaveBankTitle = "Save DataBank";
inline const char* const SNoRecentFiles = "<no recent files>";

inline const char* const SBankExt = ".xdb2";
inline const char* const SOldBankExt = ".xdb";
inline const char* const SBackupExt = ".backup";
inline const char* const SSampleBankName = "about.xdb2";

// "File \"<path>\" doesn't exist!"
std::string FileDoesNotExistText(const std::string& path);

// Another program changed the databank's file since this copy read or wrote it: the question of a
// save the user asked for (answered Overwrite, Save As... or Cancel), the notification of a save
// nobody could be asked about, which wrote the databank beside the file, and what the program
// writes on standard error when it ends that way.
inline const char* const SFileChangedCaption = "DataBank Changed";
std::string FileChangedQuestion(const std::string& path);
std::string ConflictCopyNotice(const std::string& path, const std::string& copy);
std::string ConflictCopyReport(const std::string& path, const std::string& copy);
// Ending with nothing unsaved over a file another program changed: the file is left alone.
std::string FileLeftToOtherProgramReport(const std::string& path);

// A save went on without the backup it was to make first: "PATH was saved, but no backup of it could
// be made first:" and the reason on the next line.
std::string BackupFailedNotice(const std::string& path, const std::string& reason);

// A databank opened from text read as UTF-8 that was not: how many bytes were replaced (by U+FFFD),
// the line of the first, and the name under which the file as it was is kept before the first save.
std::string InvalidUtf8Notice(const std::string& path, std::size_t bytes, int line, const std::string& keptAs);
// The same of a file imported: the copies hold U+FFFD, the file is not touched.
std::string ImportedInvalidUtf8Notice(const std::string& path, std::size_t bytes, int line);
// The file as it was read is kept under another name than the one told (that was taken meanwhile).
std::string OriginalKeptNotice(const std::string& path, const std::string& keptAs);
