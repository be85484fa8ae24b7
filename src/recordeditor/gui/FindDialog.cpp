#include "recordeditor/gui/FindDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "platform/qt/Drawing.h"
#include "platform/qt/QtUIServices.h"
#include "ui/InputDialog.h"

using namespace platform;

namespace {

// Where each control of the template stands, in dialog units, in template order.
const QRect kPlaces[] = {
    {7, 9, 24, 8},     {33, 7, 146, 12},  {7, 25, 98, 70},   {13, 36, 88, 10},  {13, 48, 88, 10},
    {13, 60, 88, 10},  {13, 72, 88, 10},  {110, 25, 69, 34}, {116, 35, 60, 10}, {116, 46, 60, 10},
    {110, 61, 69, 34}, {116, 71, 60, 10}, {116, 82, 60, 10}, {75, 104, 50, 14}, {129, 104, 50, 14},
};
const QSize kClientSize(186, 127);
// The history list drops this many pixels.
constexpr int kDropHeight = 160;

}  // namespace

TFindDialog::TFindDialog(QWidget* parent, const TFindDialogState& state) : QDialog(parent), history_(state.History) {
  setObjectName(QStringLiteral("FindDialog"));
  setWindowTitle(QString::fromUtf8(kFindDialogCaption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const QFont f = MapFont("MS Sans Serif", 8);
  setFont(f);
  static_assert(std::size(kPlaces) == 15);
  for (size_t i = 0; i < kFindDialogTemplate.size(); ++i) {
    const TFindDialogControl& c = kFindDialogTemplate[i];
    const QString text = QString::fromUtf8(c.Text);
    QWidget* w = nullptr;
    switch (c.Kind) {
      case TFindControlKind::Label:
        w = new QLabel(text, this);
        break;
      case TFindControlKind::GroupBox:
        w = new QGroupBox(text, this);
        break;
      case TFindControlKind::Combo:
        w = cbFindText = new QComboBox(this);
        break;
      case TFindControlKind::CheckBox:
        w = new QCheckBox(text, this);
        break;
      case TFindControlKind::RadioButton:
        w = new QRadioButton(text, this);
        break;
      case TFindControlKind::PushButton:
        w = new QPushButton(text, this);
        break;
    }
    if (c.Id >= 0) w->setObjectName(QString::number(c.Id));
    QRect r = DluToPixels(f, kPlaces[i]);
    if (c.Kind != TFindControlKind::GroupBox && c.Kind != TFindControlKind::Label)
      r.setHeight(std::max(r.height(), w->sizeHint().height()));
    w->setGeometry(r);
    if (c.Kind == TFindControlKind::GroupBox) w->lower();
  }
  chCaseSensitive = static_cast<QCheckBox*>(Control(idCaseSensitive));
  chWholeWord = static_cast<QCheckBox*>(Control(idWholeWord));
  chRegularExpressions = static_cast<QCheckBox*>(Control(idRegularExpressions));
  chFromCursor = static_cast<QCheckBox*>(Control(idFromCursor));
  rbForward = static_cast<QRadioButton*>(Control(idForward));
  rbBackward = static_cast<QRadioButton*>(Control(idBackward));
  rbGlobal = static_cast<QRadioButton*>(Control(idGlobal));
  rbSelection = static_cast<QRadioButton*>(Control(idSelection));
  btnOk = static_cast<QPushButton*>(Control(idFindOk));
  btnCancel = static_cast<QPushButton*>(Control(idFindCancel));
  // All four radio buttons share the dialog as parent: the pairs are made exclusive here.
  direction_ = new QButtonGroup(this);
  direction_->addButton(rbForward);
  direction_->addButton(rbBackward);
  scope_ = new QButtonGroup(this);
  scope_->addButton(rbGlobal);
  scope_->addButton(rbSelection);
  btnOk->setDefault(true);
  btnCancel->setAutoDefault(false);
  setFixedSize(DluToPixelsX(f, kClientSize.width()), DluToPixelsY(f, kClientSize.height()));

  cbFindText->setEditable(true);
  cbFindText->setInsertPolicy(QComboBox::NoInsert);
  // A plain history list: no completion, so Enter searches exactly what was typed.
  cbFindText->setCompleter(nullptr);
  cbFindText->lineEdit()->setMaxLength(kFindTextMaxLength);
  cbFindText->setMaxVisibleItems(std::max(1, kDropHeight / std::max(1, cbFindText->fontMetrics().height() + 2)));
  for (const std::string& h : history_) cbFindText->addItem(QString::fromStdString(h));
  cbFindText->setEditText(QString::fromStdString(state.Text));
  cbFindText->lineEdit()->selectAll();
  chCaseSensitive->setChecked(state.CaseSensitive);
  chWholeWord->setChecked(state.WholeWord);
  chRegularExpressions->setChecked(state.RegularExpressions);
  chFromCursor->setChecked(state.FromCursor);
  (state.Backward ? rbBackward : rbForward)->setChecked(true);
  (state.Selection ? rbSelection : rbGlobal)->setChecked(true);

  connect(btnOk, &QPushButton::clicked, this, [this] { done(mrOk); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
  cbFindText->setFocus();
}

QWidget* TFindDialog::Control(int id) const {
  return findChild<QWidget*>(QString::number(id));
}

TFindDialogState TFindDialog::State() const {
  TFindDialogState s;
  s.Text = cbFindText->currentText().left(kFindTextMaxLength).toStdString();
  s.History = history_;
  s.CaseSensitive = chCaseSensitive->isChecked();
  s.WholeWord = chWholeWord->isChecked();
  s.RegularExpressions = chRegularExpressions->isChecked();
  s.FromCursor = chFromCursor->isChecked();
  s.Backward = rbBackward->isChecked();
  s.Selection = rbSelection->isChecked();
  return s;
}

void TFindDialog::CentreOver(QWidget* owner) {
  CentreDialogOver(this, owner);
}

bool RunFindDialog(QWidget* owner, TFindDialogState& state) {
  TFindDialog dlg(owner ? owner->window() : nullptr, state);
  dlg.CentreOver(owner);
  dlg.setWindowModality(Qt::ApplicationModal);
  if (dlg.exec() != mrOk) return false;
  state = dlg.State();
  return true;
}

void InstallFindDialog() {
  SetFindDialogRunner(
      [](WindowHandle owner, TFindDialogState& state) { return RunFindDialog(WidgetOf(owner), state); });
}
