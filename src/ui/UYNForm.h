// The base of the OK/Cancel dialogs: "OK" (default, result 1) and "Cancel" (cancel, result 2) side
// by side at the lower right; descendants put their controls into Client(). Dialogs keep their
// designed size (StoreSize is cleared); the position is remembered unless a descendant clears it.
#pragma once

#include <QPushButton>
#include <QWidget>

#include "ui/BaseForm.h"

class TfrmYesNo : public TfrmBaseForm {
  Q_OBJECT

 public:
  explicit TfrmYesNo(QWidget* owner = nullptr);

  QPushButton* btnOk;
  QPushButton* btnCancel;
  // The area above the buttons.
  QWidget* Client() const { return client_; }

 protected:
  void FormCreate() override;

 private:
  QWidget* client_;
};
