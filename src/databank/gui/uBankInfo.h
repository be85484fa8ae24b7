// "Bank Info": where and how the open databank is stored and how many folders and records it holds.
// Every control only shows a value: disabled, and never a tab stop.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

#include "databank/uBankInfoModel.h"
#include "ui/uBaseDialog.h"

class TfrmBankInfo : public TfrmBaseDialog {
  Q_OBJECT

 public:
  explicit TfrmBankInfo(QWidget* owner = nullptr);

  QGroupBox* grpStorage;
  QLineEdit* eFileName;
  QLineEdit* eSize;
  QLineEdit* eFileSize;
  QCheckBox* chEncrypted;
  QCheckBox* chCompressed;
  QGroupBox* grpStatistics;
  QLineEdit* eFoldersNum;
  QLineEdit* eRecordsNum;

  void SetInfo(const TBankInfo& info);

 protected:
  void FormCreate() override;
};

// Shows the dialog over owner.
void ShowBankInfoDialog(QWidget* owner, const TBankInfo& info);
