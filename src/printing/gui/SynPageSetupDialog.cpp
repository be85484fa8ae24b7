#include "printing/gui/SynPageSetupDialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/UIServices.h"
#include "platform/qt/Icons.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/QtUIServices.h"
#include "printing/gui/SynLineFontEdit.h"
#include "ui/StoredText.h"

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

platform::FontChoice ChoiceOf(const TSynFont& f) {
  return platform::FontChoice{f.Name(), f.Size(), f.Style(), f.Color()};
}

// The check boxes of the print options, each bound to its option: building, filling and reading
// the dialog all go through this table.
struct TOptionBox {
  QCheckBox* TdlgPageSetup::*Box;
  bool TSynPadPrintOptions::*Option;
  const char* Caption;
  const char* Name;
  int Row, Column;
};
constexpr TOptionBox kOptionBoxes[] = {
    {&TdlgPageSetup::CBLineNumbers, &TSynPadPrintOptions::LineNumbers, "Line numbers", "CBLineNumbers", 1, 0},
    {&TdlgPageSetup::CBLineNumbersInMargin, &TSynPadPrintOptions::LineNumbersInMargin, "Print line numbers in margin",
     "CBLineNumbersInMargin", 2, 0},
    {&TdlgPageSetup::CBHighlight, &TSynPadPrintOptions::Highlight, "Syntax print", "CBHighlight", 0, 1},
    {&TdlgPageSetup::CBColors, &TSynPadPrintOptions::Colors, "Use colors", "CBColors", 1, 1},
    {&TdlgPageSetup::CBWrap, &TSynPadPrintOptions::Wrap, "Wrap lines", "CBWrap", 2, 1},
};

}  // namespace

// ---------------------------------------------------------------------------------------------

TColorSwatch::TColorSwatch(QWidget* parent) : QWidget(parent) {
  setMinimumSize(24, 16);
}

void TColorSwatch::SetColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  update();
}

void TColorSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), platform::ToQColor(color_, Qt::black));
  p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---------------------------------------------------------------------------------------------

TdlgPageSetup::TdlgPageSetup(QWidget* owner) : TfrmYesNo(owner) {
  setObjectName(QStringLiteral("dlgPageSetup"));
  setWindowTitle(QStringLiteral("Page Setup"));
  SetPosition(TPosition::poScreenCenter);
  SetClientSize(840, 500);

  PageControl = new QTabWidget(Client());
  PageControl->setObjectName(QStringLiteral("PageControl"));
  PageControl->addTab(BuildMarginsTab(), QStringLiteral("Margins && Options"));
  PageControl->addTab(BuildHeaderFooterTab(), QStringLiteral("Header && Footer"));
  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(PageControl);

  connect(PageControl, &QTabWidget::currentChanged, this, [this] { UpdateActions(); });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now && isAncestorOf(now)) UpdateActions();
  });
  // OK reads the values only when the caller asks (GetValues); it just ends the dialog.
}

QWidget* TdlgPageSetup::BuildMarginsTab() {
  auto* tab = new QWidget;
  // Three groups fill the tab: the text area's margins with the unit, the header's and footer's
  // distances, and the options.
  auto* margins = new QGroupBox(QStringLiteral("Margins"), tab);
  auto* distances = new QGroupBox(QStringLiteral("Header and footer"), tab);
  auto* options = new QGroupBox(QStringLiteral("Options"), tab);
  auto* marginsGrid = new QGridLayout(margins);
  auto* distancesGrid = new QGridLayout(distances);
  static const char* kLabels[] = {"Left:",
                                  "Right:",
                                  "Top:",
                                  "Bottom:",
                                  "Gutter",
                                  "Header:",
                                  "Footer:",
                                  "HFInternalMargin:",
                                  "LeftHFTextIndent:",
                                  "RightHFTextIndent:"};
  static const char* kNames[] = {"EditLeft",
                                 "EditRight",
                                 "EditTop",
                                 "EditBottom",
                                 "EditGutter",
                                 "EditHeader",
                                 "EditFooter",
                                 "EditHFInternalMargin",
                                 "EditLeftHFTextIndent",
                                 "EditRightHFTextIndent"};
  for (int i = 0; i < 10; ++i) {
    QGroupBox* group = i < 5 ? margins : distances;
    QGridLayout* grid = i < 5 ? marginsGrid : distancesGrid;
    auto* label = new QLabel(QString::fromLatin1(kLabels[i]), group);
    auto* edit = new QLineEdit(group);
    edit->setObjectName(QString::fromLatin1(kNames[i]));
    LiftLengthLimit(edit);
    // Room for the longest value shown, a page's width in thousandths of an inch.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000.0")) + 12);
    label->setBuddy(edit);
    MarginEdits[static_cast<size_t>(i)] = edit;
    grid->addWidget(label, i % 5, 0);
    grid->addWidget(edit, i % 5, 1);
  }
  auto* unitsLabel = new QLabel(QStringLiteral("Units:"), margins);
  CBUnits = new QComboBox(margins);
  CBUnits->setObjectName(QStringLiteral("CBUnits"));
  CBUnits->addItems(
      {QStringLiteral("mm"), QStringLiteral("cm"), QStringLiteral("Inches"), QStringLiteral("Thousandths Of Inches")});
  unitsLabel->setBuddy(CBUnits);
  marginsGrid->addWidget(unitsLabel, 5, 0);
  marginsGrid->addWidget(CBUnits, 5, 1);
  connect(CBUnits, &QComboBox::currentIndexChanged, this, [this](int index) { UnitsChanged(index); });
  auto* picture = new QLabel(distances);
  picture->setObjectName(QStringLiteral("Picture"));
  picture->setPixmap(platform::ThemeIcon(QStringLiteral("document-page-setup")).pixmap(64, 64));
  distancesGrid->addWidget(picture, 5, 0, 1, 2, Qt::AlignCenter);
  for (QGridLayout* grid : {marginsGrid, distancesGrid}) grid->setColumnStretch(1, 1);

  auto* optionsGrid = new QGridLayout(options);
  auto box = [&](const char* caption, const char* name, int row, int col) {
    auto* cb = new QCheckBox(QString::fromLatin1(caption), options);
    cb->setObjectName(QString::fromLatin1(name));
    optionsGrid->addWidget(cb, row, col);
    return cb;
  };
  CBMirrorMargins = box("Mirror margins", "CBMirrorMargins", 0, 0);
  for (const TOptionBox& b : kOptionBoxes) this->*b.Box = box(b.Caption, b.Name, b.Row, b.Column);

  auto* grid = new QGridLayout(tab);
  grid->addWidget(margins, 0, 0);
  grid->addWidget(distances, 0, 1);
  grid->addWidget(options, 1, 0, 1, 2);
  grid->setRowStretch(0, 2);
  grid->setRowStretch(1, 1);
  return tab;
}

QWidget* TdlgPageSetup::BuildHeaderFooterGroup(bool header) {
  auto* group = new QGroupBox(header ? QStringLiteral("Header") : QStringLiteral("Footer"));
  auto* grid = new QGridLayout(group);
  TLineFontEdit** edits[3] = {header ? &REHeaderLeft : &REFooterLeft, header ? &REHeaderCenter : &REFooterCenter,
                              header ? &REHeaderRight : &REFooterRight};
  static const char* kCaptions[] = {"Left", "Center", "Right"};
  static const char* kSuffix[] = {"Left", "Center", "Right"};
  const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  for (int i = 0; i < 3; ++i) {
    grid->addWidget(new QLabel(QString::fromLatin1(kCaptions[i]), group), 0, i);
    auto* edit = new TLineFontEdit(aligns[i], group);
    edit->setObjectName((header ? QStringLiteral("REHeader") : QStringLiteral("REFooter")) +
                        QString::fromLatin1(kSuffix[i]));
    *edits[i] = edit;
    grid->addWidget(edit, 1, i);
    grid->setColumnStretch(i, 1);
    connect(edit, &TLineFontEdit::Entered, this, [this, edit] { EditEntered(edit); });
  }
  const QString prefix = header ? QStringLiteral("Header") : QStringLiteral("Footer");
  QCheckBox*& mirror = header ? CBHeaderMirror : CBFooterMirror;
  mirror = new QCheckBox(QStringLiteral("Mirror position"), group);
  mirror->setObjectName(QStringLiteral("CB") + prefix + QStringLiteral("Mirror"));
  grid->addWidget(mirror, 2, 0);

  auto* appearance = new QGroupBox(QStringLiteral("Appearance"), group);
  auto* ag = new QGridLayout(appearance);
  QCheckBox*& line = header ? CBHeaderLine : CBFooterLine;
  QCheckBox*& boxed = header ? CBHeaderBox : CBFooterBox;
  QCheckBox*& shadow = header ? CBHeaderShadow : CBFooterShadow;
  TColorSwatch*& lineSwatch = header ? PBHeaderLine : PBFooterLine;
  TColorSwatch*& shadowSwatch = header ? PBHeaderShadow : PBFooterShadow;
  QPushButton*& lineButton = header ? btnHeaderLineColor : btnFooterLineColor;
  QPushButton*& shadowButton = header ? btnHeaderShadowColor : btnFooterShadowColor;
  line = new QCheckBox(header ? QStringLiteral("Line under") : QStringLiteral("Line above"), appearance);
  boxed = new QCheckBox(QStringLiteral("Box"), appearance);
  shadow = new QCheckBox(QStringLiteral("Shadow"), appearance);
  line->setObjectName(QStringLiteral("CB") + prefix + QStringLiteral("Line"));
  boxed->setObjectName(QStringLiteral("CB") + prefix + QStringLiteral("Box"));
  shadow->setObjectName(QStringLiteral("CB") + prefix + QStringLiteral("Shadow"));
  lineSwatch = new TColorSwatch(appearance);
  shadowSwatch = new TColorSwatch(appearance);
  lineSwatch->setObjectName(QStringLiteral("PB") + prefix + QStringLiteral("Line"));
  shadowSwatch->setObjectName(QStringLiteral("PB") + prefix + QStringLiteral("Shadow"));
  lineButton = new QPushButton(QStringLiteral("Line color"), appearance);
  shadowButton = new QPushButton(QStringLiteral("Shadow color"), appearance);
  lineButton->setObjectName(QStringLiteral("btn") + prefix + QStringLiteral("LineColor"));
  shadowButton->setObjectName(QStringLiteral("btn") + prefix + QStringLiteral("ShadowColor"));
  ag->addWidget(line, 0, 0);
  ag->addWidget(boxed, 1, 0);
  ag->addWidget(shadow, 2, 0);
  ag->addWidget(lineSwatch, 0, 1);
  ag->addWidget(lineButton, 0, 2);
  ag->addWidget(shadowSwatch, 2, 1);
  ag->addWidget(shadowButton, 2, 2);
  connect(lineButton, &QPushButton::clicked, this, [this, lineSwatch] { PickColor(lineSwatch); });
  connect(shadowButton, &QPushButton::clicked, this, [this, shadowSwatch] { PickColor(shadowSwatch); });
  grid->addWidget(appearance, 2, 1, 1, 2);
  // The editors take the height the dialog has to spare.
  grid->setRowStretch(1, 1);
  return group;
}

QWidget* TdlgPageSetup::BuildHeaderFooterTab() {
  auto* tab = new QWidget;
  auto* layout = new QVBoxLayout(tab);
  ToolBar = new QToolBar(tab);
  ToolBar->setObjectName(QStringLiteral("ToolBar"));
  ToolBar->setIconSize(QSize(16, 16));
  auto action = [&](QAction*& a, const char* name, const char* text, const char* hint, const char* icon) {
    a = new QAction(QString::fromLatin1(text), this);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(QString::fromLatin1(hint));
    a->setStatusTip(QString::fromLatin1(hint));
    if (icon) a->setIcon(platform::ThemeIcon(QString::fromLatin1(icon)));
    ToolBar->addAction(a);
  };
  action(PageNumCmd, "PageNumCmd", "#", "Page number", nullptr);
  action(PagesCmd, "PagesCmd", "##", "Num. pages", nullptr);
  action(TimeCmd, "TimeCmd", "Time", "Time", nullptr);
  action(DateCmd, "DateCmd", "Date", "Date", nullptr);
  action(TitleCmd, "TitleCmd", "Title", "Title", nullptr);
  ToolBar->addSeparator();
  action(FontCmd, "FontCmd", "Font", "Font", "preferences-desktop-font");
  ToolBar->addSeparator();
  action(BoldCmd, "BoldCmd", "Bold", "Bold", "format-text-bold");
  action(ItalicCmd, "ItalicCmd", "Italic", "Italic", "format-text-italic");
  action(UnderlineCmd, "UnderlineCmd", "Underline", "Underline", "format-text-underline");
  // The buttons never take the focus, so the editor keeps its caret while they work on it.
  for (QAction* a : ToolBar->actions())
    if (QWidget* w = ToolBar->widgetForAction(a)) w->setFocusPolicy(Qt::NoFocus);
  connect(PageNumCmd, &QAction::triggered, this, [this] { InsertMacro(u"$PAGENUM$"); });
  connect(PagesCmd, &QAction::triggered, this, [this] { InsertMacro(u"$PAGECOUNT$"); });
  connect(TimeCmd, &QAction::triggered, this, [this] { InsertMacro(u"$TIME$"); });
  connect(DateCmd, &QAction::triggered, this, [this] { InsertMacro(u"$DATE$"); });
  connect(TitleCmd, &QAction::triggered, this, [this] { InsertMacro(u"$TITLE$"); });
  connect(FontCmd, &QAction::triggered, this, [this] { platform::RunGuarded([this] { ChangeLineFont(); }); });
  connect(BoldCmd, &QAction::triggered, this, [this] { ToggleLineStyle(syn::fsBold); });
  connect(ItalicCmd, &QAction::triggered, this, [this] { ToggleLineStyle(syn::fsItalic); });
  connect(UnderlineCmd, &QAction::triggered, this, [this] { ToggleLineStyle(syn::fsUnderline); });
  layout->addWidget(ToolBar);
  layout->addWidget(BuildHeaderFooterGroup(true), 1);
  layout->addWidget(BuildHeaderFooterGroup(false), 1);
  return tab;
}

void TdlgPageSetup::FormCreate() {
  TfrmYesNo::FormCreate();
  // Page setup is for this run only; the dialog always opens in the middle of the screen.
  StorePosition = false;
  StoreSize = false;
}

void TdlgPageSetup::FormShow() {
  TfrmYesNo::FormShow();
  current_ = REHeaderLeft;
  PageControl->setCurrentIndex(0);
  UpdateActions();
}

void TdlgPageSetup::EditEntered(TLineFontEdit* edit) {
  current_ = edit;
  UpdateActions();
}

void TdlgPageSetup::UpdateActions() {
  const bool enabled = current_ && current_->HasFocusedLine();
  for (QAction* a : {PageNumCmd, PagesCmd, TimeCmd, DateCmd, TitleCmd, FontCmd, BoldCmd, ItalicCmd, UnderlineCmd})
    a->setEnabled(enabled);
}

void TdlgPageSetup::InsertMacro(const char16_t* macro) {
  if (current_) current_->ReplaceSelection(macro);
}

void TdlgPageSetup::ChangeLineFont() {
  if (!current_) return;
  const int line = current_->CaretLine();
  platform::FontChoice choice = ChoiceOf(current_->LineFont(line));
  if (!platform::UI().FontDialog(choice, platform::HandleOf(this))) return;
  TSynFont font(choice.name, choice.size);
  font.SetStyle(static_cast<TFontStyles>(choice.style));
  font.SetColor(choice.color);
  current_->SetLineFont(line, font);
  current_->Row(line)->setFocus();
}

void TdlgPageSetup::ToggleLineStyle(TFontStyles style) {
  if (!current_) return;
  const int line = current_->CaretLine();
  TSynFont font = current_->LineFont(line);
  font.SetStyle(static_cast<TFontStyles>(font.Style() ^ style));
  current_->SetLineFont(line, font);
}

void TdlgPageSetup::PickColor(TColorSwatch* swatch) {
  TColor color = swatch->Color();
  if (platform::UI().ColorDialog(color, platform::HandleOf(this))) swatch->SetColor(color);
}

void TdlgPageSetup::ShowInvalidNumber(int edit) {
  const std::string message = MarginTextError(MarginEdits[static_cast<size_t>(edit)]->text().toStdString());
  platform::UI().MessageBox(message.empty() ? "Invalid number!" : message, "Error", platform::MsgButtons::Ok,
                            platform::MsgIcon::Error, platform::HandleOf(this));
  if (isVisible()) MarginEdits[static_cast<size_t>(edit)]->setFocus();
}

void TdlgPageSetup::WriteMarginEdits() {
  for (size_t i = 0; i < MarginEdits.size(); ++i) MarginEdits[i]->setText(Q(model_.MarginEdits[i]));
}

void TdlgPageSetup::UnitsChanged(int index) {
  if (changingUnits_ || index < 0) return;
  changingUnits_ = true;
  for (size_t i = 0; i < MarginEdits.size(); ++i) model_.MarginEdits[i] = MarginEdits[i]->text().toStdString();
  const std::optional<int> bad = model_.ChangeUnits(static_cast<TUnitSystem>(index));
  if (bad) {
    // The edits stay in the unit they were written in.
    CBUnits->setCurrentIndex(model_.Unit);
    changingUnits_ = false;
    ShowInvalidNumber(*bad);
    return;
  }
  WriteMarginEdits();
  changingUnits_ = false;
}

void TdlgPageSetup::SetValues(TSynPadPrint& Print) {
  model_.SetValues(Print);
  changingUnits_ = true;
  CBUnits->setCurrentIndex(model_.Unit);
  changingUnits_ = false;
  WriteMarginEdits();
  CBMirrorMargins->setChecked(model_.MirrorMargins);
  for (const TOptionBox& b : kOptionBoxes) (this->*b.Box)->setChecked(model_.Options.*b.Option);
  auto fill = [](const TPageSetupModel::THeaderFooterState& s, std::array<TLineFontEdit*, 3> edits, QCheckBox* mirror,
                 QCheckBox* line, QCheckBox* box, QCheckBox* shadow, TColorSwatch* lineColor,
                 TColorSwatch* shadowColor) {
    for (size_t a = 0; a < 3; ++a) {
      edits[a]->SetDefaultFont(s.DefaultFont);
      edits[a]->Clear();
      for (const TFontLine& l : s.Lines.ByAlignment[a]) edits[a]->AppendLine(l);
    }
    mirror->setChecked(s.MirrorPosition);
    line->setChecked(s.FrameTypes & ftLine);
    box->setChecked(s.FrameTypes & ftBox);
    shadow->setChecked(s.FrameTypes & ftShaded);
    lineColor->SetColor(s.LineColor);
    shadowColor->SetColor(s.ShadedColor);
  };
  fill(model_.Header, {REHeaderLeft, REHeaderCenter, REHeaderRight}, CBHeaderMirror, CBHeaderLine, CBHeaderBox,
       CBHeaderShadow, PBHeaderLine, PBHeaderShadow);
  fill(model_.Footer, {REFooterLeft, REFooterCenter, REFooterRight}, CBFooterMirror, CBFooterLine, CBFooterBox,
       CBFooterShadow, PBFooterLine, PBFooterShadow);
}

void TdlgPageSetup::ReadWidgets() {
  for (size_t i = 0; i < MarginEdits.size(); ++i) model_.MarginEdits[i] = MarginEdits[i]->text().toStdString();
  model_.Unit = static_cast<TUnitSystem>(std::max(0, CBUnits->currentIndex()));
  model_.MirrorMargins = CBMirrorMargins->isChecked();
  for (const TOptionBox& b : kOptionBoxes) model_.Options.*b.Option = (this->*b.Box)->isChecked();
  auto read = [](TPageSetupModel::THeaderFooterState& s, std::array<TLineFontEdit*, 3> edits, QCheckBox* mirror,
                 QCheckBox* line, QCheckBox* box, QCheckBox* shadow, TColorSwatch* lineColor,
                 TColorSwatch* shadowColor) {
    for (size_t a = 0; a < 3; ++a) s.Lines.ByAlignment[a] = edits[a]->Lines();
    s.MirrorPosition = mirror->isChecked();
    s.FrameTypes = (line->isChecked() ? TFrameTypes(ftLine) : 0u) | (box->isChecked() ? TFrameTypes(ftBox) : 0u) |
                   (shadow->isChecked() ? TFrameTypes(ftShaded) : 0u);
    s.LineColor = lineColor->Color();
    s.ShadedColor = shadowColor->Color();
  };
  read(model_.Header, {REHeaderLeft, REHeaderCenter, REHeaderRight}, CBHeaderMirror, CBHeaderLine, CBHeaderBox,
       CBHeaderShadow, PBHeaderLine, PBHeaderShadow);
  read(model_.Footer, {REFooterLeft, REFooterCenter, REFooterRight}, CBFooterMirror, CBFooterLine, CBFooterBox,
       CBFooterShadow, PBFooterLine, PBFooterShadow);
}

void TdlgPageSetup::GetValues(TSynPadPrint& Print) {
  ReadWidgets();
  if (const std::optional<int> bad = model_.GetValues(Print)) ShowInvalidNumber(*bad);
}
