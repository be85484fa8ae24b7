// Setting a password: typed twice; OK only when the first entry is not empty and both are equal.
#pragma once

#include <QLabel>
#include <QLineEdit>

#include "protection/gui/uAskPass.h"

// The OK rule of the set-password dialog (exact, case-sensitive comparison).
inline bool SetPasswordOkEnabled(const QString& pass, const QString& repass) {
  return !pass.isEmpty() && pass == repass;
}

class TfrmSetPassword : public TfrmEnterPass {
  Q_OBJECT

 public:
  explicit TfrmSetPassword(QWidget* owner = nullptr);

  QLabel* lRePass;
  QLineEdit* eRePass;

  bool EntriesRepresentable() const override;

 private:
  void UpdateOk();
};
