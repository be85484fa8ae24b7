// The password prompt for a databank file: shows the file's name (without its folder).
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
};

// The name of a path without its folder ("/" and also "\", for a path from an old settings file).
std::string FileNameWithoutFolder(const std::string& path);

// Asks for the password of fileName. True after OK with password set to the entry; false on Cancel
// with password unchanged.
bool AskFilePassword(const std::string& fileName, std::string& password);
