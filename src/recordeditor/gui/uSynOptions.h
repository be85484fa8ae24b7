// The "Highlighters" page of the settings dialog: language, element, font colour, background and
// style of the element, and a sample of the language drawn with the colours being edited. Every
// decision is TSynOptionsModel's (recordeditor/uSynOptionsModel.h); this widget shows its state and
// forwards clicks. The dialog's page mechanism places the frame on a page; its OK calls
// StoreSchemes.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QWidget>

#include <functional>
#include <memory>

#include "recordeditor/uSynOptionsModel.h"

class TdmHighLighters;

// A panel filled with one colour that reports clicks.
class TColorPanel : public QFrame {
  Q_OBJECT

 public:
  explicit TColorPanel(QWidget* parent);
  void SetColor(TColor color);
  TColor Color() const { return color_; }
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TColor color_ = 0;
};

// STAND-IN for the page's sample editor (a read-only editor control without gutter, showing the
// language's sample text with the language's highlighter). Until the editor control can be placed
// here, this widget draws the same text through the same highlighter, token by token, in the
// editor's font, and repaints when an attribute of the highlighter changes. It does not scroll,
// select or show a caret.
class TSynSamplePreview : public QWidget {
  Q_OBJECT

 public:
  explicit TSynSamplePreview(QWidget* parent);
  ~TSynSamplePreview() override;
  void SetHighlighter(TSynCustomHighlighter* highlighter);
  void SetText(const std::u16string& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TSynCustomHighlighter* highlighter_ = nullptr;
  std::vector<std::u16string> lines_;
};

class TSynOptionsFrame : public QWidget {
  Q_OBJECT

 public:
  // Switches the system-colour section of every colour popup on for the rest of the run.
  TSynOptionsFrame(QWidget* parent, TdmHighLighters& main);
  ~TSynOptionsFrame() override;

  QGroupBox* gbScheme = nullptr;
  QComboBox* cbHighLighters = nullptr;
  QLabel* lElement = nullptr;
  QListWidget* lbElement = nullptr;
  QGroupBox* gbFont = nullptr;
  QLabel* lFontColor = nullptr;
  QLabel* lBackground = nullptr;
  QFrame* pFore = nullptr;
  TColorPanel* pFontColor = nullptr;
  QFrame* pBack = nullptr;
  TColorPanel* pBGColor = nullptr;
  QCheckBox* chBold = nullptr;
  QCheckBox* chItalic = nullptr;
  QCheckBox* chUnderline = nullptr;
  QCheckBox* chStrikeout = nullptr;
  TSynSamplePreview* SynPadDemo = nullptr;

  TSynOptionsModel& Model() { return *model_; }
  // The dialog's OK: saves the changed schemes and applies them to main's highlighters.
  int StoreSchemes(TdmHighLighters& main) { return model_->StoreSchemes(main); }

  // How a colour is chosen (the colour popup at a screen point); tests answer it themselves.
  std::function<bool(TColor& color, QPoint screenPoint)> ChooseColor;

 private:
  void ShowLanguage();
  void ShowElement();
  void PickColor(QFrame* frame, TColorPanel* panel, void (TSynOptionsModel::*set)(TColor));

  std::unique_ptr<TSynOptionsModel> model_;
  bool showing_ = false;
};
