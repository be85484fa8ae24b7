#include "recordeditor/gui/uSynOptions.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "editor/gui/SynPadWidget.h"
#include "platform/qt/QtColors.h"
#include "recordeditor/uEditorFrame.h"
#include "ui/uColorPopup.h"

using namespace platform;

// ---------------------------------------------------------------------------------------------

TColorPanel::TColorPanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setCursor(Qt::PointingHandCursor);
  setToolTip(QStringLiteral("Click to select color"));
}

void TColorPanel::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  update();
}

void TColorPanel::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  // "No colour" leaves the editor's white background showing.
  p.fillRect(contentsRect(), color_ == clNone ? QColor(Qt::white) : ToQColor(color_, palette().window().color()));
  p.end();
  QFrame::paintEvent(event);
}

void TColorPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
}

// ---------------------------------------------------------------------------------------------

TSynOptionsFrame::TSynOptionsFrame(QWidget* parent, TdmHighLighters& main)
    : QWidget(parent), model_(std::make_unique<TSynOptionsModel>(main)) {
  ShowSystemColors = true;
  ChooseColor = [](TColor& color, QPoint at) { return ShowColorPopup(color, at); };
  setObjectName(QStringLiteral("SynOptionsFrame"));

  gbScheme = new QGroupBox(QStringLiteral("Scheme"), this);
  cbHighLighters = new QComboBox(gbScheme);
  lElement = new QLabel(QStringLiteral("Element"), gbScheme);
  lbElement = new QListWidget(gbScheme);
  auto* schemeLayout = new QVBoxLayout(gbScheme);
  schemeLayout->addWidget(cbHighLighters);
  schemeLayout->addWidget(lElement);
  schemeLayout->addWidget(lbElement, 1);

  gbFont = new QGroupBox(QStringLiteral(" Font "), this);
  lFontColor = new QLabel(QStringLiteral("Font Color"), gbFont);
  lBackground = new QLabel(QStringLiteral("Background"), gbFont);
  auto framed = [&](QFrame*& frame, TColorPanel*& panel) {
    frame = new QFrame(gbFont);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel = new TColorPanel(frame);
    auto* l = new QHBoxLayout(frame);
    l->setContentsMargins(2, 2, 2, 2);
    l->addWidget(panel);
    frame->setFixedSize(64, 22);
  };
  framed(pFore, pFontColor);
  framed(pBack, pBGColor);
  chBold = new QCheckBox(QStringLiteral("Bold"), gbFont);
  chItalic = new QCheckBox(QStringLiteral("Italic"), gbFont);
  chUnderline = new QCheckBox(QStringLiteral("Underline"), gbFont);
  chStrikeout = new QCheckBox(QStringLiteral("StrikeOut"), gbFont);
  auto* fontLayout = new QGridLayout(gbFont);
  fontLayout->addWidget(lFontColor, 0, 0);
  fontLayout->addWidget(pFore, 0, 1);
  fontLayout->addWidget(lBackground, 1, 0);
  fontLayout->addWidget(pBack, 1, 1);
  fontLayout->addWidget(chBold, 2, 0);
  fontLayout->addWidget(chItalic, 2, 1);
  fontLayout->addWidget(chUnderline, 3, 0);
  fontLayout->addWidget(chStrikeout, 3, 1);
  fontLayout->setRowStretch(4, 1);

  SynPadDemo = new TSynPadWidget(this);
  SynPadDemo->setObjectName(QStringLiteral("SynPadDemo"));
  SynPadDemo->setMinimumHeight(120);
  SynPadDemo->Editor().SetReadOnly(true);
  SynPadDemo->Editor().Gutter().SetVisible(false);
  SynPadDemo->Editor().SetFont(RecordEditorFont());  // the colours as the record editor shows them
  auto* top = new QHBoxLayout;
  top->addWidget(gbScheme, 1);
  top->addWidget(gbFont, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(SynPadDemo, 1);

  for (const auto& language : model_->Languages()) cbHighLighters->addItem(QString::fromStdString(language.Name));
  connect(cbHighLighters, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (showing_) return;
    model_->SelectLanguage(index);
    ShowLanguage();
  });
  connect(lbElement, &QListWidget::currentRowChanged, this, [this](int row) {
    if (showing_) return;
    model_->SelectElement(row);
    ShowElement();
  });
  const std::pair<QCheckBox*, TFontStyles> styles[] = {{chBold, syn::fsBold},
                                                       {chItalic, syn::fsItalic},
                                                       {chUnderline, syn::fsUnderline},
                                                       {chStrikeout, syn::fsStrikeOut}};
  for (const auto& [box, flag] : styles)
    connect(box, &QCheckBox::toggled, this, [this, flag = flag](bool on) {
      if (!showing_) model_->SetStyleFlag(flag, on);
    });
  pFontColor->OnClick = [this] { PickColor(pFore, pFontColor, &TSynOptionsModel::SetFontColor); };
  pBGColor->OnClick = [this] { PickColor(pBack, pBGColor, &TSynOptionsModel::SetBackgroundColor); };
  ShowLanguage();
}

TSynOptionsFrame::~TSynOptionsFrame() {
  // The sample lets go of its highlighter before the private set frees it.
  SynPadDemo->Editor().SetHighlighter(nullptr);
}

void TSynOptionsFrame::ShowLanguage() {
  showing_ = true;
  cbHighLighters->setCurrentIndex(model_->LanguageIndex());
  lbElement->clear();
  for (const std::string& e : model_->Elements()) lbElement->addItem(QString::fromStdString(e));
  lbElement->setCurrentRow(model_->ElementIndex());
  showing_ = false;
  SynPadDemo->Editor().SetHighlighter(model_->Highlighter());
  SynPadDemo->Editor().SetText(model_->SampleSource());
  ShowElement();
}

void TSynOptionsFrame::ShowElement() {
  showing_ = true;
  pFontColor->SetColor(model_->FontColor());
  pBGColor->SetColor(model_->BackgroundColor());
  chBold->setChecked(model_->Style() & syn::fsBold);
  chItalic->setChecked(model_->Style() & syn::fsItalic);
  chUnderline->setChecked(model_->Style() & syn::fsUnderline);
  chStrikeout->setChecked(model_->Style() & syn::fsStrikeOut);
  showing_ = false;
}

void TSynOptionsFrame::PickColor(QFrame* frame, TColorPanel* panel, void (TSynOptionsModel::*set)(TColor)) {
  TColor color = panel->Color();
  if (!ChooseColor || !ChooseColor(color, frame->mapToGlobal(QPoint(0, frame->height() + 1)))) return;
  (model_.get()->*set)(color);
  ShowElement();
}
