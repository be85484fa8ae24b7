// "Enter Password": one masked edit; OK is always enabled (an empty password can be confirmed).
// The password dialogs remember neither position nor size.
#pragma once

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/UYNForm.h"

class TfrmEnterPass : public TfrmYesNo {
  Q_OBJECT

 public:
  explicit TfrmEnterPass(QWidget* owner = nullptr);

  QLabel* lPass;
  QLabel* imgKey;
  QLineEdit* ePass;

  // OK is refused (with a message) while an entry holds characters the cipher cannot take.
  virtual bool EntriesRepresentable() const;

 protected:
  void FormCreate() override;
  QGridLayout* Grid() const { return grid_; }

 private:
  void OkClicked();
  QGridLayout* grid_;
};
