// The "Find" dialog window: the controls of the dialog's template (recordeditor/FindReplaceDialogs.h)
// laid out in dialog units of the dialog font, filled from a TFindDialogState and read back into
// one. InstallFindDialog makes it the dialog FindDialogExecute shows.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>

#include "recordeditor/FindReplaceDialogs.h"

class TFindDialog : public QDialog {
  Q_OBJECT

 public:
  TFindDialog(QWidget* parent, const TFindDialogState& state);

  QComboBox* cbFindText = nullptr;            // 1000
  QCheckBox* chCaseSensitive = nullptr;       // 1001
  QCheckBox* chWholeWord = nullptr;           // 1002
  QCheckBox* chRegularExpressions = nullptr;  // 1013
  QCheckBox* chFromCursor = nullptr;          // 1014
  QRadioButton* rbForward = nullptr;          // 1003
  QRadioButton* rbBackward = nullptr;         // 1004
  QRadioButton* rbGlobal = nullptr;           // 1005
  QRadioButton* rbSelection = nullptr;        // 1006
  QPushButton* btnOk = nullptr;               // 1
  QPushButton* btnCancel = nullptr;           // 2

  // The control of a template identifier, nullptr for an unknown one.
  QWidget* Control(int id) const;
  // What the controls show now (the history as it was given).
  TFindDialogState State() const;
  // Centres over the owner's window, or over the work area without one.
  void CentreOver(QWidget* owner);

 private:
  std::vector<std::string> history_;
  QButtonGroup* direction_ = nullptr;
  QButtonGroup* scope_ = nullptr;
};

// Runs the dialog modally over owner; true for OK with state holding the controls' values.
bool RunFindDialog(QWidget* owner, TFindDialogState& state);
// Makes RunFindDialog the dialog of FindDialogExecute.
void InstallFindDialog();
