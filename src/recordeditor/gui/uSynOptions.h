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

#include "editor/gui/SynPadWidget.h"
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
  // The sample: a read-only editor control without gutter, on the language's highlighter.
  TSynPadWidget* SynPadDemo = nullptr;

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
