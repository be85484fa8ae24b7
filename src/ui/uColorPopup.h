// The drop-down colour chooser: a "Default Color" button, a palette of 40 named colours, the 25
// system colours (while ShowSystemColors is on) and a "Custom Color" button that unfolds a
// hexagonal colour comb, a row of greys and a brightness slider. ShowColorPopup shows it at a
// screen point and waits until the user picks a colour or dismisses it.
//
// TColorPopupModel holds every rule (layout, cell addressing, hit test, keys, colour selection,
// comb and greys, dragging, accepting) in plain code with the edge width and caption size injected,
// so tests drive it without a window; TColorPopup is the widget around it.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "ui/ColorTools.h"

// Whether popups show the system-colour section; switched on for good by the highlighter options
// page. Read live by every popup operation.
extern bool ShowSystemColors;

struct TColorEntry {
  const char* name;
  TColor color;
};
constexpr int kPaletteCount = 40;
constexpr int kSysColorCells = 25;
constexpr int kColorTableCount = kPaletteCount + kSysColorCells;
extern const std::array<TColorEntry, kColorTableCount> ColorTable;

extern const char* const DefaultColorCaption;  // "Default Color"
extern const char* const CustomColorCaption;   // "Custom Color"

// A half-open rectangle: left <= x < right, top <= y < bottom.
struct TPopupRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
  bool operator==(const TPopupRect&) const = default;
};

struct TCombCell {
  int x = 0, y = 0;
  TColor color = 0;
};

// Rounds to the nearest integer with halves to even. Values within 1e-9 of a half count as the
// half: the comb's exact ties must not tip either way by floating-point noise.
double RoundHalfEven(double v);

class TColorPopupModel {
 public:
  static constexpr int m = 6;                          // margin
  static constexpr int B = 18;                         // cell size
  static constexpr int C = 8;                          // columns
  static constexpr int L = 7;                          // comb rings
  static constexpr int CombRadius = (C * B * 7) / 16;  // 63
  static const int Radius;                             // 11
  static constexpr int kCombCells = 127;
  static constexpr int kGreyCells = 17;

  enum { idxNone = -1, idxCustom = -2, idxDefault = -3 };
  enum TState { psCancelled = 0, psAccepted = 1, psShowing = 2, psCreated = 3 };
  enum TDragMode { dmNone = 0, dmComb = 1, dmGrey = 2, dmSlider = 3 };
  enum TKey { kLeft, kRight, kUp, kDown, kEnter, kSpace, kEscape };
  // What a mouse release asks of the popup.
  enum TUpResult { upKeepOpen, upAccept };

  // e: the edge width; captionWidth/Height: the larger extent of the two captions.
  TColorPopupModel(int e, int captionWidth, int captionHeight);

  // Layout, fixed at construction.
  int E() const { return e_; }
  int Rows() const { return R_; }
  int SysRows() const { return S_; }
  const TPopupRect& WindowRect() const { return windowRect_; }
  const TPopupRect& DefaultRect() const { return defaultRect_; }
  const TPopupRect& CustomRect() const { return customRect_; }
  const TPopupRect& PreviewRect() const { return previewRect_; }
  const TPopupRect& CombRect() const { return combRect_; }
  const TPopupRect& GreyRect() const { return greyRect_; }
  const TPopupRect& SliderRect() const { return sliderRect_; }
  TPopupRect CellRect(int index) const;  // palette and system-colour cells; empty otherwise
  int SeparatorY() const;                // the etched line above the system-colour section
  // Height of the window: unfolded while custom is selected.
  int CurrentHeight() const;
  // Top-left of the window for a popup point inside the screen area given.
  QPoint Place(QPoint popupPoint, const QRect& screen) const;

  // Cell addressing.
  void RowCol(int index, int& row, int& col) const;
  int CellAt(int row, int col) const;
  int LastCell() const { return ShowSystemColors ? kColorTableCount - 1 : kPaletteCount - 1; }
  int HitTest(int x, int y) const;

  // Colour selection.
  void SetSelectedColor(TColor color);
  TColor SelectedColor() const { return selectedColor_; }
  int SelectedIndex() const { return selectedIndex_; }
  // Selects a cell (-2 unfolds the comb).
  void SelectIndex(int index);
  int HoverIndex() const { return hoverIndex_; }
  void SetHoverIndex(int index);
  int CustomIndex() const { return customIndex_; }
  TColor CustomColor() const;  // clDefault when there is none
  TColor ResultColor() const;

  // Comb and greys.
  const std::vector<TCombCell>& CombCells() const;  // built on demand
  const std::vector<TCombCell>& GreyCells() const { return greyCells_; }
  double Brightness() const { return brightness_; }
  void SetBrightness(double b);
  int SliderMarkY() const;

  // Input.
  TState State() const { return state_; }
  void SetState(TState s) { state_ = s; }
  TDragMode DragMode() const { return dragMode_; }
  bool Pressed() const { return pressed_; }
  // Mouse move with the left button state; inClient: the point lies in the window.
  void MouseMove(int x, int y, bool leftDown, bool inClient);
  void MouseDown(int x, int y, bool inClient);
  TUpResult MouseUp(int x, int y);
  void Key(TKey key);

  // Counts how often the comb was built (tests check it is not rebuilt needlessly).
  int CombBuilds() const { return combBuilds_; }

 private:
  void BuildComb() const;
  void BuildGreys();
  void CombHandling(int x, int y);
  void MoveHover(int index);

  int e_;
  int R_ = 0, S_ = 0;
  TPopupRect windowRect_, defaultRect_, customRect_, previewRect_, combRect_, greyRect_, sliderRect_;
  TColor selectedColor_ = platform::clDefault;
  int selectedIndex_ = idxNone;
  int hoverIndex_ = idxNone;
  int customIndex_ = 0;
  double brightness_ = 1.0;
  mutable std::vector<TCombCell> combCells_;
  mutable int combBuilds_ = 0;
  std::vector<TCombCell> greyCells_;
  TDragMode dragMode_ = dmNone;
  bool pressed_ = false;
  TState state_ = psCreated;
};

class TColorPopup : public QWidget {
 public:
  TColorPopup();
  ~TColorPopup() override;

  TColorPopupModel& Model() { return model_; }
  void SetSelectedColor(TColor color) { model_.SetSelectedColor(color); }
  // Places and shows the popup at a screen point; State becomes showing.
  void ShowAt(QPoint screenPoint);
  // Renders the popup as it paints itself (for tests and previews).
  QImage Render();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void hideEvent(QHideEvent*) override;
  bool event(QEvent*) override;

 private:
  static TColorPopupModel MakeModel();
  void PaintAll(QPainter& p);
  void PaintCell(QPainter& p, int index);
  void PaintComb(QPainter& p);
  void Replace();
  void AfterInput();

  TColorPopupModel model_;
  QPoint popupPoint_;
  int lastHeight_ = 0;
};

// Shows the popup at screenPoint and waits for the choice. True when the user accepted; color then
// holds the chosen colour, unless "Default Color" (or nothing) was chosen, which leaves it as it is.
bool ShowColorPopup(TColor& color, QPoint screenPoint);
