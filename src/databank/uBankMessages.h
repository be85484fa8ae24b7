// The databank window's message table and the fixed texts of its file dialogs and recent-file menu.
#pragma once

#include <string>

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

// Caption of the pipeline's error boxes.
inline const char* const SErrorCaption = "Error";
// What the filter says of an expression it cannot use: what failed, then the engine's reason.
inline std::string InvalidRegExprText(const std::string& reason) {
  return "Invalid regular expression: " + reason;
}
// Raised for a recent-file item whose file is gone; "%s" is the path.
inline const char* const SFileDoesNotExist = "File \"%s\" doesn't exist!";
// Writing the databank file failed (creating, writing, flushing or renaming the temporary file).
inline const char* const SCouldNotWriteBank = "Could not write DataBank!";

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
