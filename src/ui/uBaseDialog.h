// The base of the information dialogs: one "Close" button (result 1) at the lower right.
#pragma once

#include <QPushButton>
#include <QWidget>

#include "ui/BaseForm.h"

class TfrmBaseDialog : public TfrmBaseForm {
  Q_OBJECT

 public:
  explicit TfrmBaseDialog(QWidget* owner = nullptr);

  QPushButton* btnOk;
  QWidget* Client() const { return client_; }

 private:
  QWidget* client_;
};
