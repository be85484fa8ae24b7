// The password prompt for a databank file: shows the file's name (without its folder) and, when it
// comes back after an answer that did not open the file, why.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <string>

#include "protection/gui/uAskPass.h"

class TfrmEnterFilePass : public TfrmEnterPass {
  Q_OBJECT

 public:
  explicit TfrmEnterFilePass(QWidget* owner = nullptr);

  QLabel* lFileName;
  QLineEdit* eFileName;
  // Why the prompt is back (hidden while empty).
  QLabel* lNote;
  void SetNote(const std::string& why);
};

// The name of a path without its folder ("/" and also "\", for a path from an old settings file).
std::string FileNameWithoutFolder(const std::string& path);

// Asks for the password of fileName, saying why when `why` is not empty. True after OK with password
// set to the entry; false on Cancel with password unchanged.
bool AskFilePassword(const std::string& fileName, std::string& password, const std::string& why = std::string());
