// "Program Configuration": the program settings dialog. Its pages are "General" and "User
// Interface" (and "Security", which is never shown); the window that opens it fills it and stores
// it through IConfigDialogOwner, so windows above can add pages of their own (AddPage) and find
// them again (FindPageFrame). The auto-save delay is checked as it is typed.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "databank/uConfigModel.h"
#include "ui/UYNForm.h"

class TfrmConfig;

// What the dialog asks of the window that opens it.
class IConfigDialogOwner {
 public:
  virtual ~IConfigDialogOwner() = default;
  virtual void FillConfigDialog(TfrmConfig* dialog) = 0;
  virtual void StoreConfigDialog(TfrmConfig* dialog) = 0;
  virtual void ConfigDialogShown(TfrmConfig* dialog) = 0;
};

class TfrmConfig : public TfrmYesNo {
  Q_OBJECT

 public:
  explicit TfrmConfig(QWidget* owner = nullptr);

  QTabWidget* PageControl;
  QWidget* tabGeneral;
  QWidget* tsBehaviour;
  QWidget* tsSecurity;
  QCheckBox* chAutoOpen;
  QCheckBox* chAutoSave;
  QLineEdit* eAutoSaveDelay;
  QLabel* lSeconds;
  QLabel* lDelayRange;  // the range allowed, shown while the delay is refused
  QCheckBox* chBackUp;
  QCheckBox* chRememberPos;
  QCheckBox* chAlwaysShowTrayIcon;
  QCheckBox* chMinimizeToTray;
  QCheckBox* chStartMinimized;
  QCheckBox* chSlowQuit;
  QCheckBox* chAutoOpenRec;
  QCheckBox* chAutoExpandTree;
  QCheckBox* chSecurityTimeout;
  QLineEdit* eSecurityTimeout;
  QLabel* lMinutes;
  QRadioButton* rbCloseBankOnTimeout;
  QRadioButton* rbCloseAppOnTimeout;

  // The window that opened the dialog.
  IConfigDialogOwner* Owner = nullptr;

  // The check box of a control name of the settings table; nullptr for another name.
  QCheckBox* FlagBox(const std::string& control) const;
  void SetValues(const TConfigValues& values);
  TConfigValues Values() const;
  // The delay edit holds a valid delay (OK is enabled exactly then).
  bool DelayValid() const;

 protected:
  // Centred on its window, not placed where the forms' shared position keys say.
  void FormCreate() override;
  void FormShow() override;

 private:
  void CheckDelay();
};

// Adds a page captioned caption whose only control is frame, filling it.
void AddPage(TfrmConfig* dialog, QWidget* frame, const QString& caption);
// The frame of the first page whose only control is a T; nullptr when there is none.
template <class T>
T* FindPageFrame(TfrmConfig* dialog) {
  for (int i = 0; i < dialog->PageControl->count(); ++i) {
    const QList<QWidget*> controls =
        dialog->PageControl->widget(i)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (controls.size() == 1)
      if (T* frame = dynamic_cast<T*>(controls.front())) return frame;
  }
  return nullptr;
}

// Creates the dialog over ownerWindow, lets owner fill it, shows it and lets owner store it on
// OK; true on OK.
bool ShowConfig(QWidget* ownerWindow, IConfigDialogOwner& owner);
