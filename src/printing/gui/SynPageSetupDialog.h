// "Page Setup": margins in a chosen unit with the print options on the first tab, the header and
// footer (three per-line-font editors each, frame options and colours) on the second. SetValues and
// GetValues move everything between the dialog and a print engine; the decisions are
// TPageSetupModel's.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <array>

#include "printing/SynPageSetupModel.h"
#include "ui/UYNForm.h"

class TLineFontEdit;

// A colour shown as a filled box with a dotted edge.
class TColorSwatch : public QWidget {
  Q_OBJECT

 public:
  explicit TColorSwatch(QWidget* parent = nullptr);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  QSize sizeHint() const override { return QSize(24, 16); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TColor color_ = syn::clBlack;
};

class TdlgPageSetup : public TfrmYesNo {
  Q_OBJECT

 public:
  explicit TdlgPageSetup(QWidget* owner = nullptr);

  void SetValues(TSynPadPrint& Print);
  // Writes the dialog's values into Print; a margin that is no number is reported ("Invalid
  // number!") and stops the margins there.
  void GetValues(TSynPadPrint& Print);

  QTabWidget* PageControl;
  std::array<QLineEdit*, 10> MarginEdits;  // EditLeft, EditRight, EditTop, EditBottom, EditGutter,
                                           // EditHeader, EditFooter, EditHFInternalMargin,
                                           // EditLeftHFTextIndent, EditRightHFTextIndent
  QComboBox* CBUnits;
  QCheckBox *CBMirrorMargins, *CBLineNumbers, *CBLineNumbersInMargin, *CBHighlight, *CBColors, *CBWrap;
  TLineFontEdit *REHeaderLeft, *REHeaderCenter, *REHeaderRight;
  TLineFontEdit *REFooterLeft, *REFooterCenter, *REFooterRight;
  QCheckBox *CBHeaderMirror, *CBHeaderLine, *CBHeaderBox, *CBHeaderShadow;
  QCheckBox *CBFooterMirror, *CBFooterLine, *CBFooterBox, *CBFooterShadow;
  TColorSwatch *PBHeaderLine, *PBHeaderShadow, *PBFooterLine, *PBFooterShadow;
  QPushButton *btnHeaderLineColor, *btnHeaderShadowColor, *btnFooterLineColor, *btnFooterShadowColor;
  QToolBar* ToolBar;
  QAction *PageNumCmd, *PagesCmd, *TimeCmd, *DateCmd, *TitleCmd, *FontCmd, *BoldCmd, *ItalicCmd, *UnderlineCmd;

  // The editor the header/footer actions work on (the one last entered).
  TLineFontEdit* CurrentEdit() const { return current_; }

 protected:
  void FormCreate() override;
  void FormShow() override;

 private:
  QWidget* BuildMarginsTab();
  QWidget* BuildHeaderFooterTab();
  QWidget* BuildHeaderFooterGroup(bool header);
  void EditEntered(TLineFontEdit* edit);
  void UpdateActions();
  void InsertMacro(const char16_t* macro);
  void ChangeLineFont();
  void ToggleLineStyle(TFontStyles style);
  void PickColor(TColorSwatch* swatch);
  void UnitsChanged(int index);
  void ShowInvalidNumber(int edit);
  void ReadWidgets();
  void WriteMarginEdits();

  TPageSetupModel model_;
  TLineFontEdit* current_ = nullptr;
  bool changingUnits_ = false;
};
