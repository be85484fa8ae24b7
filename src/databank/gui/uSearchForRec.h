// "Filter Records": the record filter's dialog. The text (with its history), how it is searched
// and where; OK only while there is text. A plain fixed-size dialog; the rules of what the answer
// does live in the tree window's features.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "databank/uSearchForRec.h"
#include "ui/StoredText.h"

class TfrmSearchForRec : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSearchForRec(QWidget* owner = nullptr);

  QLabel* lblText;
  QComboBox* Edit;
  QGroupBox* grpWords;
  QButtonGroup* Words;  // ids: the search types
  QCheckBox* chCaseSensitive;
  QCheckBox* chWhole;
  QGroupBox* grpWhere;
  QCheckBox* chTitle;
  QCheckBox* chData;
  QCheckBox* chKeywords;
  QPushButton* btnOK;
  QPushButton* btnCancel;

  // The controls from rec.
  void Fill(const TSearchForRec& rec);
  // rec from the controls, the text put into the history as OK puts it.
  void Store(TSearchForRec& rec) const;

 private:
  void UpdateOk();
  TShownText textShown_;
};

// Shows the dialog modally over owner; true on OK with rec updated.
bool ExecuteRecordSearch(TSearchForRec& rec, QWidget* owner);
