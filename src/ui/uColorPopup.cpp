#include "ui/uColorPopup.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "platform/qt/Drawing.h"
#include "platform/qt/QtColors.h"

using namespace platform;

bool ShowSystemColors = false;

const char* const DefaultColorCaption = "Default Color";
const char* const CustomColorCaption = "Custom Color";

const std::array<TColorEntry, kColorTableCount> ColorTable = {{
    {"Black", 0x000000},
    {"Brown", 0x003399},
    {"Olive Green", 0x003333},
    {"Dark Green", 0x003300},
    {"Dark Teal", 0x663300},
    {"Dark blue", 0x800000},
    {"Indigo", 0x993333},
    {"Gray-80%", 0x333333},
    {"Dark Red", 0x000080},
    {"Orange", 0x0066FF},
    {"Dark Yellow", 0x008080},
    {"Green", 0x008000},
    {"Teal", 0x808000},
    {"Blue", 0xFF0000},
    {"Blue-Gray", 0x996666},
    {"Gray-50%", 0x808080},
    {"Red", 0x0000FF},
    {"Light Orange", 0x0099FF},
    {"Lime", 0x00CC99},
    {"Sea Green", 0x669933},
    {"Aqua", 0xCCCC33},
    {"Light Blue", 0xFF6633},
    {"Violet", 0x800080},
    {"Grey-40%", 0x969696},
    {"Pink", 0xFF00FF},
    {"Gold", 0x00CCFF},
    {"Yellow", 0x00FFFF},
    {"Bright Green", 0x00FF00},
    {"Turquoise", 0xFFFF00},
    {"Sky Blue", 0xFFCC00},
    {"Plum", 0x663399},
    {"Gray-25%", 0xC0C0C0},
    {"Rose", 0xCC99FF},
    {"Tan", 0x99CCFF},
    {"Light Yellow", 0x99FFFF},
    {"Light Green", 0xCCFFCC},
    {"Light Turquoise", 0xFFFFCC},
    {"Pale Blue", 0xFFCC99},
    {"Lavender", 0xFF99CC},
    {"White", 0xFFFFFF},
    {"system color: scroll bar", 0xFF000000},
    {"system color: background", 0xFF000001},
    {"system color: active caption", 0xFF000002},
    {"system color: inactive caption", 0xFF000003},
    {"system color: menu", 0xFF000004},
    {"system color: window", 0xFF000005},
    {"system color: window frame", 0xFF000006},
    {"system color: menu text", 0xFF000007},
    {"system color: window text", 0xFF000008},
    {"system color: caption text", 0xFF000009},
    {"system color: active border", 0xFF00000A},
    {"system color: inactive border", 0xFF00000B},
    {"system color: application workspace", 0xFF00000C},
    {"system color: highlight", 0xFF00000D},
    {"system color: highlight text", 0xFF00000E},
    {"system color: button face", 0xFF00000F},
    {"system color: button shadow", 0xFF000010},
    {"system color: gray text", 0xFF000011},
    {"system color: button text", 0xFF000012},
    {"system color: inactive caption text", 0xFF000013},
    {"system color: button highlight", 0xFF000014},
    {"system color: 3D dark shadow", 0xFF000015},
    {"system color: 3D light", 0xFF000016},
    {"system color: info text", 0xFF000017},
    {"system color: info background", 0xFF000018},
}};

double RoundHalfEven(double v) {
  const double fl = std::floor(v);
  if (std::fabs((v - fl) - 0.5) < 1e-9) return std::fmod(fl, 2.0) == 0.0 ? fl : fl + 1.0;
  return std::nearbyint(v);
}

namespace {
constexpr double kPi = 3.14159265358979323846;
double Deg(double d) {
  return d * kPi / 180.0;
}
int RoundInt(double v) {
  return int(RoundHalfEven(v));
}
std::uint8_t Channel(double c) {
  const double v = RoundHalfEven(255.0 * c);
  return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}
}  // namespace

const int TColorPopupModel::Radius = RoundInt(double(CombRadius) / (L - 1) + 0.5);

// ---------------------------------------------------------------------------------------------
// Layout

TColorPopupModel::TColorPopupModel(int e, int captionWidth, int captionHeight) : e_(e) {
  R_ = kPaletteCount / C + (kPaletteCount % C ? 1 : 0);
  int textW = captionWidth + 2 * e;
  const int textH = captionHeight + 4 * e + 2;
  windowRect_ = {0, 0, C * B + 2 * e + 2 * m, R_ * B + 4 * e};
  // Both captions are fixed texts, so both buttons are always shown.
  if (windowRect_.Width() < textW) windowRect_.right = textW;
  textW = windowRect_.Width() - 2 * e;
  defaultRect_ = {e + m, 2 * e, textW + e - m, 2 * e + textH};
  windowRect_.bottom += textH + 2 * e;
  if (ShowSystemColors) {
    S_ = kSysColorCells / C + (kSysColorCells % C ? 1 : 0);
    windowRect_.bottom += S_ * B + 2 * e;
  }
  if (windowRect_.Width() < textW) windowRect_.right = textW;
  customRect_ = {e + m, windowRect_.bottom, textW + e - m, windowRect_.bottom + textH};
  {
    const int left = customRect_.right - B - e;
    const int top = customRect_.top + (customRect_.Height() - B) / 2;
    previewRect_ = {left + e + 1, top + e + 1, left + B - e - 1, top + B - e - 1};
  }
  windowRect_.bottom += textH + 2 * e;
  const int h = windowRect_.bottom;
  combRect_ = {e + m, h, e + m + 2 * CombRadius, h + 2 * CombRadius};
  greyRect_ = {combRect_.left, combRect_.bottom - 4, RoundInt(std::cos(Deg(30)) * 17 * Radius / 2) + 6 * Radius,
               combRect_.bottom + 2 * Radius};
  sliderRect_ = {combRect_.right, combRect_.top + Radius, combRect_.right + 20, combRect_.bottom - Radius};
  BuildGreys();
}

TPopupRect TColorPopupModel::CellRect(int index) const {
  if (index < 0 || index >= kColorTableCount) return {};
  const int row = index / C;
  const int col = index % C;
  const int left = col * B + e_ + m;
  int top;
  if (index < kPaletteCount)
    top = row * B + defaultRect_.bottom;
  else
    top = row * B + 3 * e_ + defaultRect_.bottom;
  return {left, top, left + B, top + B};
}

int TColorPopupModel::SeparatorY() const {
  return defaultRect_.bottom + R_ * B + e_;
}

int TColorPopupModel::CurrentHeight() const {
  return selectedIndex_ == idxCustom ? greyRect_.bottom + 2 * e_ : windowRect_.Height();
}

QPoint TColorPopupModel::Place(QPoint p, const QRect& screen) const {
  int x = p.x(), y = p.y();
  const int w = windowRect_.Width(), h = CurrentHeight();
  const int screenRight = screen.x() + screen.width();
  const int screenBottom = screen.y() + screen.height();
  if (y + h > screenBottom) y = screenBottom - h;
  if (x + w > screenRight) x = screenRight - w;
  if (x < screen.x()) x = screen.x();
  return {x, y};
}

// ---------------------------------------------------------------------------------------------
// Cell addressing

void TColorPopupModel::RowCol(int index, int& row, int& col) const {
  if (index == idxCustom || index == idxDefault) {
    row = col = index;
    return;
  }
  row = index / C;  // truncating: -1 gives row 0, column -1
  col = index % C;
}

int TColorPopupModel::CellAt(int row, int col) const {
  if (row == idxCustom || col == idxCustom) return idxCustom;
  if (row == idxDefault || col == idxDefault) return idxDefault;
  if (col < 0 || col >= C || row < 0) return idxNone;
  if (row < R_) {
    const int i = row * C + col;
    return i < kPaletteCount ? i : idxNone;
  }
  if (!ShowSystemColors) return idxNone;
  const int s = row - R_;
  if (s >= S_) return idxNone;
  const int k = s * C + col;
  return k < kSysColorCells ? kPaletteCount + k : idxNone;
}

int TColorPopupModel::HitTest(int x, int y) const {
  if (customRect_.Contains(x, y)) return idxCustom;
  if (defaultRect_.Contains(x, y)) return idxDefault;
  // The cell rows are found from y less the default button's own height (not the 2e gap around
  // it), and x less the margin only, so the hit areas sit e pixels left of and one pixel above the
  // painted cells. That offset is small and kept: it is how the chooser has always hit.
  y -= defaultRect_.Height();
  if (x <= m) return idxNone;
  const int X = x - m;
  int Y = y - (5 * e_) / 2;
  if (Y < 0) return idxNone;
  if (ShowSystemColors && Y / B >= R_) {
    Y -= 3 * e_;
    if (Y / B < R_) return idxNone;  // the gap between the palette and the section
  }
  return CellAt(Y / B, X / B);
}

// ---------------------------------------------------------------------------------------------
// Colour selection

void TColorPopupModel::SetSelectedColor(TColor color) {
  selectedColor_ = color;
  customIndex_ = 0;
  selectedIndex_ = idxNone;
  if (color == clNone) return;
  if (color == clDefault) {
    selectedIndex_ = idxDefault;
    return;
  }
  const bool sysValue = (color & 0x80000000u) != 0;
  if (ShowSystemColors && sysValue) {
    for (int k = 0; k < kSysColorCells; ++k)
      if (ColorTable[std::size_t(kPaletteCount + k)].color == color) {
        selectedIndex_ = kPaletteCount + k;
        return;
      }
  }
  const TColor rgb = ResolveColor(color);
  for (int i = 0; i < kPaletteCount; ++i)
    if (ColorTable[std::size_t(i)].color == rgb) {
      selectedIndex_ = i;
      return;
    }
  if (ShowSystemColors && !sysValue) {
    for (int k = 0; k < kSysColorCells; ++k)
      if (ResolveColor(ColorTable[std::size_t(kPaletteCount + k)].color) == rgb) {
        selectedIndex_ = kPaletteCount + k;
        return;
      }
  }
  for (int k = 0; k < kGreyCells; ++k)
    if (greyCells_[std::size_t(k)].color == rgb) {
      selectedIndex_ = idxCustom;
      customIndex_ = -(k + 1);
      return;
    }
  const auto& comb = CombCells();
  for (int k = 0; k < int(comb.size()); ++k)
    if (comb[std::size_t(k)].color == rgb) {
      selectedIndex_ = idxCustom;
      customIndex_ = k + 1;
      return;
    }
}

void TColorPopupModel::SelectIndex(int index) {
  selectedIndex_ = index;
}

void TColorPopupModel::SetHoverIndex(int index) {
  hoverIndex_ = index;
}

TColor TColorPopupModel::CustomColor() const {
  if (customIndex_ > 0) {
    const auto& comb = CombCells();
    if (customIndex_ - 1 < int(comb.size())) return comb[std::size_t(customIndex_ - 1)].color;
  } else if (customIndex_ < 0 && -customIndex_ - 1 < kGreyCells) {
    return greyCells_[std::size_t(-customIndex_ - 1)].color;
  }
  return clDefault;
}

TColor TColorPopupModel::ResultColor() const {
  if (selectedIndex_ >= 0 && selectedIndex_ < kColorTableCount) return ColorTable[std::size_t(selectedIndex_)].color;
  if (selectedIndex_ == idxCustom) return CustomColor();
  return clDefault;
}

// ---------------------------------------------------------------------------------------------
// Comb and greys

void TColorPopupModel::BuildComb() const {
  ++combBuilds_;
  combCells_.clear();
  combCells_.reserve(kCombCells);
  struct RGBf {
    double r, g, b;
  };
  const RGBf centre{brightness_, brightness_, brightness_};
  const auto cell = [](double x, double y, const RGBf& c) {
    return TCombCell{RoundInt(x), RoundInt(y), RGB(Channel(c.r), Channel(c.g), Channel(c.b))};
  };
  combCells_.push_back(cell(0, 0, centre));
  static const RGBf corners[6] = {{1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};
  const double dist = std::cos(Deg(30)) * CombRadius;
  double cx[6], cy[6];
  for (int s = 0; s < 6; ++s) {
    cx[s] = std::sin(Deg(90 - 60 * s)) * dist;
    cy[s] = std::cos(Deg(90 - 60 * s)) * dist;
  }
  for (int s = 0; s < 6; ++s) {
    const int t = (s + 1) % 6;
    for (int r = 1; r <= L - 1; ++r) {
      const double f = double(r) / (L - 1);
      const double p1x = f * cx[s], p1y = f * cy[s];
      const double p2x = f * cx[t], p2y = f * cy[t];
      const RGBf q1{centre.r + f * (corners[s].r - centre.r), centre.g + f * (corners[s].g - centre.g),
                    centre.b + f * (corners[s].b - centre.b)};
      const RGBf q2{centre.r + f * (corners[t].r - centre.r), centre.g + f * (corners[t].g - centre.g),
                    centre.b + f * (corners[t].b - centre.b)};
      for (int k = 0; k < r; ++k) {
        const double g = double(k) / r;
        combCells_.push_back(cell(p1x + g * (p2x - p1x), p1y + g * (p2y - p1y),
                                  {q1.r + g * (q2.r - q1.r), q1.g + g * (q2.g - q1.g), q1.b + g * (q2.b - q1.b)}));
      }
    }
  }
}

const std::vector<TCombCell>& TColorPopupModel::CombCells() const {
  if (combCells_.empty()) BuildComb();
  return combCells_;
}

void TColorPopupModel::BuildGreys() {
  greyCells_.clear();
  const int dx = RoundInt(std::cos(Deg(30)) * Radius / 2);
  const int dy = RoundInt((std::sin(Deg(30)) + 1) * Radius / 2);
  greyCells_.push_back({Radius, Radius, clWhite});
  for (int i = 1; i <= 15; ++i) {
    const int level = (16 - i) * 15;
    const int x = RoundInt((i - 1) * dx + 3 * Radius);
    const int y = (Radius / 4) * 3 + (i % 2 == 0 ? dy : 0);
    greyCells_.push_back({x, y, RGB(std::uint8_t(level), std::uint8_t(level), std::uint8_t(level))});
  }
  greyCells_.push_back({RoundInt(dx * 16 + 3 * Radius + Radius), Radius, clBlack});
}

void TColorPopupModel::SetBrightness(double b) {
  b = std::clamp(b, 0.0, 1.0);
  if (b == brightness_) return;
  brightness_ = b;
  combCells_.clear();  // rebuilt on next use with the new centre colour
}

int TColorPopupModel::SliderMarkY() const {
  const int h = sliderRect_.Height() - 1;
  return sliderRect_.top + RoundInt((1 - brightness_) * h);
}

// ---------------------------------------------------------------------------------------------
// Input

void TColorPopupModel::MoveHover(int index) {
  if (ShowSystemColors ? index >= kColorTableCount : index >= kPaletteCount) index = idxNone;
  hoverIndex_ = index;
}

void TColorPopupModel::MouseMove(int x, int y, bool leftDown, bool inClient) {
  const int hit = HitTest(x, y);
  if (hit != hoverIndex_) hoverIndex_ = hit;
  if (hit == idxNone && inClient && leftDown) CombHandling(x, y);
}

void TColorPopupModel::MouseDown(int x, int y, bool inClient) {
  if (!inClient) {
    state_ = psCancelled;
    return;
  }
  const int hit = HitTest(x, y);
  if (hit != idxNone) {
    pressed_ = true;
    hoverIndex_ = hit;
  } else {
    pressed_ = true;
    CombHandling(x, y);
  }
}

void TColorPopupModel::CombHandling(int x, int y) {
  if ((sliderRect_.Contains(x, y) && dragMode_ == dmNone) ||
      (dragMode_ == dmSlider && x >= sliderRect_.left && x < sliderRect_.right)) {
    dragMode_ = dmSlider;
    // Dragging divides by the full slider height while painting uses height - 1: kept as it is.
    SetBrightness(1.0 - double(y - sliderRect_.top) / sliderRect_.Height());
    return;
  }
  if (greyRect_.Contains(x, y) && (dragMode_ == dmNone || dragMode_ == dmGrey)) {
    dragMode_ = dmGrey;
    const int px = x - greyRect_.left, py = y - greyRect_.top;
    for (int k = 0; k < kGreyCells; ++k) {
      const TCombCell& c = greyCells_[std::size_t(k)];
      const int r = (k == 0 || k == kGreyCells - 1) ? Radius : Radius / 2;
      const int dx = px - c.x, dy = py - c.y;
      if (dx * dx + dy * dy <= r * r) {
        if (customIndex_ != -(k + 1)) customIndex_ = -(k + 1);
        return;
      }
    }
    customIndex_ = 0;
    return;
  }
  if (combRect_.Contains(x, y) && (dragMode_ == dmNone || dragMode_ == dmComb)) {
    dragMode_ = dmComb;
    const int px = x - (combRect_.left + CombRadius), py = y - (combRect_.top + CombRadius);
    const auto& comb = CombCells();
    const int r = Radius / 2;
    for (int k = 0; k < int(comb.size()); ++k) {
      const int dx = px - comb[std::size_t(k)].x, dy = py - comb[std::size_t(k)].y;
      if (dx * dx + dy * dy <= r * r) {
        if (customIndex_ != k + 1) customIndex_ = k + 1;
        return;
      }
    }
    customIndex_ = 0;
    return;
  }
  customIndex_ = 0;
}

TColorPopupModel::TUpResult TColorPopupModel::MouseUp(int x, int y) {
  pressed_ = false;
  const int hit = HitTest(x, y);
  const TDragMode mode = dragMode_;
  dragMode_ = dmNone;
  if (hit == idxNone && (selectedIndex_ != idxCustom || customIndex_ == 0)) return upKeepOpen;
  if (hit != idxNone) SelectIndex(hit);
  if (selectedIndex_ == idxCustom && (mode == dmComb || mode == dmGrey)) {
    state_ = psAccepted;
    return upAccept;
  }
  if (selectedIndex_ == idxCustom || selectedIndex_ == idxNone) return upKeepOpen;
  state_ = psAccepted;
  return upAccept;
}

void TColorPopupModel::Key(TKey key) {
  switch (key) {
    case kEnter:
    case kSpace:
      selectedIndex_ = hoverIndex_;
      state_ = psAccepted;
      return;
    case kEscape:
      state_ = psCancelled;
      return;
    default:
      break;
  }
  const int cursor = hoverIndex_ != idxNone ? hoverIndex_ : selectedIndex_;
  int row, col;
  RowCol(cursor, row, col);
  const int last = LastCell();
  int next = idxNone;
  switch (key) {
    case kLeft:
      if (cursor == idxDefault)
        next = idxCustom;
      else if (cursor == idxCustom)
        next = last;
      else if (col <= 0)
        next = row == 0 ? idxDefault : CellAt(row - 1, C - 1);
      else
        next = CellAt(row, col - 1);
      break;
    case kRight:
      if (cursor == idxDefault)
        next = 0;
      else if (cursor == idxCustom)
        next = idxDefault;
      else {
        next = col >= C - 1 ? CellAt(row + 1, 0) : CellAt(row, col + 1);
        if (next == idxNone) next = idxCustom;
      }
      break;
    case kUp:
      if (cursor == idxCustom)
        next = last;
      else if (cursor == idxDefault)
        next = idxCustom;
      else if (row > 0)
        next = CellAt(row - 1, col);
      else
        next = idxDefault;
      break;
    case kDown:
      if (cursor == idxDefault)
        next = 0;
      else if (cursor == idxCustom)
        next = idxDefault;
      else {
        next = CellAt(row + 1, col);
        if (next == idxNone) next = idxCustom;
      }
      break;
    default:
      break;
  }
  MoveHover(next);
}

// ---------------------------------------------------------------------------------------------
// The widget

namespace {
constexpr int kEdge = 2;  // the edge width of the classic 3D look

QColor Q(TColor c) {
  return ToQColor(c);
}

QSize CaptionExtent() {
  const QFontMetrics fm(QApplication::font());
  const QString d = QString::fromLatin1(DefaultColorCaption), c = QString::fromLatin1(CustomColorCaption);
  return QSize(std::max(fm.horizontalAdvance(d), fm.horizontalAdvance(c)), fm.height());
}

void FillHexagon(QPainter& p, double cx, double cy, double radius) {
  QPolygon poly;
  for (int s = 0; s < 6; ++s)
    poly << QPoint(RoundInt(cx + std::cos(Deg(90 - 60 * s)) * radius),
                   RoundInt(cy + std::sin(Deg(90 - 60 * s)) * radius));
  p.drawPolygon(poly);
}

void OutlineHexagonXor(QPainter& p, double cx, double cy, double radius) {
  QPolygon poly;
  for (int s = 0; s < 6; ++s)
    poly << QPoint(RoundInt(cx + std::cos(Deg(90 - 60 * s)) * radius),
                   RoundInt(cy + std::sin(Deg(90 - 60 * s)) * radius));
  p.save();
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.setPen(QPen(Qt::white, 2));
  p.setBrush(Qt::NoBrush);
  p.drawPolygon(poly);
  p.restore();
}
}  // namespace

TColorPopupModel TColorPopup::MakeModel() {
  const QSize s = CaptionExtent();
  return TColorPopupModel(kEdge, s.width(), s.height());
}

TColorPopup::TColorPopup() : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), model_(MakeModel()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  resize(model_.WindowRect().Width(), model_.CurrentHeight());
  lastHeight_ = model_.CurrentHeight();
}

TColorPopup::~TColorPopup() = default;

void TColorPopup::ShowAt(QPoint screenPoint) {
  popupPoint_ = screenPoint;
  Replace();
  model_.SetState(TColorPopupModel::psShowing);
  show();
  setFocus();
}

void TColorPopup::Replace() {
  QScreen* screen = QGuiApplication::screenAt(popupPoint_);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->geometry() : QRect(0, 0, 1 << 16, 1 << 16);
  const int h = model_.CurrentHeight();
  setGeometry(QRect(model_.Place(popupPoint_, area), QSize(model_.WindowRect().Width(), h)));
  lastHeight_ = h;
}

QImage TColorPopup::Render() {
  QImage img(model_.WindowRect().Width(), model_.CurrentHeight(), QImage::Format_ARGB32);
  img.fill(Q(clBtnFace));
  QPainter p(&img);
  PaintAll(p);
  return img;
}

void TColorPopup::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintAll(p);
}

void TColorPopup::PaintCell(QPainter& p, int index) {
  const bool isButton = index == TColorPopupModel::idxDefault || index == TColorPopupModel::idxCustom;
  TPopupRect tr;
  if (index == TColorPopupModel::idxDefault)
    tr = model_.DefaultRect();
  else if (index == TColorPopupModel::idxCustom)
    tr = model_.CustomRect();
  else
    tr = model_.CellRect(index);
  QRect r = tr.ToQRect();
  if (index == TColorPopupModel::idxDefault) r.adjust(1, 1, -1, -1);
  if (index == TColorPopupModel::idxCustom) r.adjust(1, 0, -1, 0);
  const bool selected = model_.SelectedIndex() == index;
  const bool hovered = model_.HoverIndex() == index;
  p.fillRect(r, Q(selected && !hovered ? clBtnHighlight : clBtnFace));
  if (selected || (hovered && model_.Pressed()))
    DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT);
  else if (hovered)
    DrawEdge(p, r, BDR_RAISEDINNER, BF_RECT);
  const int e = model_.E();
  if (!isButton) {
    const int inset = e > 0 ? e : 1;
    const QRect sq = r.adjusted(inset, inset, -inset, -inset);
    p.fillRect(sq, Q(ColorTable[std::size_t(index)].color));
    FrameRect(p, sq, Q(clGray));
    return;
  }
  p.setPen(Q(clBtnText));
  p.setFont(QApplication::font());
  if (index == TColorPopupModel::idxDefault) {
    FrameRect(p, r.adjusted(e + 1, e + 1, -(e + 1), -(e + 1)), Q(clBtnShadow));
    QRect tr2 = r;
    DrawText(p, QString::fromLatin1(DefaultColorCaption), tr2, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  } else {
    QRect tr2 = r;
    DrawText(p, QString::fromLatin1(CustomColorCaption), tr2, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    const QRect pr = model_.PreviewRect().ToQRect();
    const TColor custom = model_.CustomColor();
    if (model_.CustomIndex() == 0 || custom == clDefault) {
      FrameRect(p, pr, Q(clBtnShadow));
    } else {
      p.fillRect(pr, Q(custom));
      FrameRect(p, pr, Q(clGray));
    }
  }
}

void TColorPopup::PaintComb(QPainter& p) {
  const TPopupRect& comb = model_.CombRect();
  const TPopupRect& grey = model_.GreyRect();
  const TPopupRect& slider = model_.SliderRect();
  const int e = model_.E();
  const int top = comb.top;
  QImage off(model_.WindowRect().Width(), grey.bottom - comb.top + 2 * e, QImage::Format_ARGB32);
  off.fill(Q(clBtnFace));
  {
    QPainter o(&off);
    o.setRenderHint(QPainter::Antialiasing, false);
    o.setPen(Qt::NoPen);
    const auto& cells = model_.CombCells();
    const double half = TColorPopupModel::Radius / 2.0;
    for (const TCombCell& c : cells) {
      o.setBrush(Q(c.color));
      FillHexagon(o, c.x + TColorPopupModel::CombRadius + comb.left, c.y + TColorPopupModel::CombRadius, half);
    }
    const auto& greys = model_.GreyCells();
    for (int k = 0; k < int(greys.size()); ++k) {
      const TCombCell& c = greys[std::size_t(k)];
      const bool big = k == 0 || k == int(greys.size()) - 1;
      o.setBrush(Q(c.color));
      FillHexagon(o, c.x + comb.left, c.y + comb.Height() - 4, big ? TColorPopupModel::Radius : half);
    }
    const int ci = model_.CustomIndex();
    if (ci > 0 && ci - 1 < int(cells.size())) {
      const TCombCell& c = cells[std::size_t(ci - 1)];
      OutlineHexagonXor(o, c.x + TColorPopupModel::CombRadius + comb.left, c.y + TColorPopupModel::CombRadius, half);
    } else if (ci < 0 && -ci - 1 < int(greys.size())) {
      const int k = -ci - 1;
      const TCombCell& c = greys[std::size_t(k)];
      const bool big = k == 0 || k == int(greys.size()) - 1;
      OutlineHexagonXor(o, c.x + comb.left, c.y + comb.Height() - 4, big ? TColorPopupModel::Radius : half);
    }
    // The slider: white at the top to black at the bottom.
    const int h = slider.Height() - 1;
    for (int i = 0; i <= h && h > 0; ++i) {
      const int g = RoundInt(double(h - i) * 255 / h);
      o.fillRect(QRect(slider.left, slider.top - top + i, 10, 1), QColor(g, g, g));
    }
    const int y = model_.SliderMarkY() - top;
    const int x = slider.left + 11;
    o.setBrush(Qt::black);
    o.setPen(Qt::black);
    o.drawPolygon(QPolygon({QPoint(x, y), QPoint(x + 5, y - 3), QPoint(x + 5, y + 3)}));
  }
  p.drawImage(0, top, off);
}

void TColorPopup::PaintAll(QPainter& p) {
  const int w = model_.WindowRect().Width();
  const int h = model_.CurrentHeight();
  const int e = model_.E();
  p.fillRect(QRect(0, 0, w, h), Q(clBtnFace));
  PaintCell(p, TColorPopupModel::idxDefault);
  for (int i = 0; i < kPaletteCount; ++i) PaintCell(p, i);
  if (ShowSystemColors && model_.SysRows() > 0) {
    QRect line(e + TColorPopupModel::m, model_.SeparatorY(), w - 2 * (e + TColorPopupModel::m), 2);
    DrawEdge(p, line, EDGE_ETCHED, BF_TOP);
    for (int k = 0; k < kSysColorCells; ++k) PaintCell(p, kPaletteCount + k);
  }
  {
    const TPopupRect& c = model_.CustomRect();
    QRect line(c.left, c.top - 2 * e, c.Width(), 2);
    DrawEdge(p, line, EDGE_ETCHED, BF_TOP);
  }
  PaintCell(p, TColorPopupModel::idxCustom);
  if (model_.SelectedIndex() == TColorPopupModel::idxCustom) PaintComb(p);
  QRect all(0, 0, w, h);
  DrawEdge(p, all, EDGE_RAISED, BF_RECT);
}

void TColorPopup::AfterInput() {
  if (model_.CurrentHeight() != lastHeight_) Replace();
  update();
  if (model_.State() != TColorPopupModel::psShowing && isVisible()) hide();
}

void TColorPopup::mousePressEvent(QMouseEvent* ev) {
  const QPoint pt = ev->position().toPoint();
  if (ev->button() == Qt::LeftButton) model_.MouseDown(pt.x(), pt.y(), rect().contains(pt));
  AfterInput();
}

void TColorPopup::mouseDoubleClickEvent(QMouseEvent* ev) {
  mousePressEvent(ev);
}

void TColorPopup::mouseMoveEvent(QMouseEvent* ev) {
  const QPoint pt = ev->position().toPoint();
  model_.MouseMove(pt.x(), pt.y(), ev->buttons() & Qt::LeftButton, rect().contains(pt));
  // A drag may produce many moves per frame; update() merges them into one repaint.
  AfterInput();
}

void TColorPopup::mouseReleaseEvent(QMouseEvent* ev) {
  if (ev->button() != Qt::LeftButton) return;
  const QPoint pt = ev->position().toPoint();
  model_.MouseUp(pt.x(), pt.y());
  AfterInput();
}

void TColorPopup::keyPressEvent(QKeyEvent* ev) {
  switch (ev->key()) {
    case Qt::Key_Left:
      model_.Key(TColorPopupModel::kLeft);
      break;
    case Qt::Key_Right:
      model_.Key(TColorPopupModel::kRight);
      break;
    case Qt::Key_Up:
      model_.Key(TColorPopupModel::kUp);
      break;
    case Qt::Key_Down:
      model_.Key(TColorPopupModel::kDown);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      model_.Key(TColorPopupModel::kEnter);
      break;
    case Qt::Key_Space:
      model_.Key(TColorPopupModel::kSpace);
      break;
    case Qt::Key_Escape:
      model_.Key(TColorPopupModel::kEscape);
      break;
    default:
      QWidget::keyPressEvent(ev);
      return;
  }
  AfterInput();
}

void TColorPopup::hideEvent(QHideEvent* ev) {
  // Closed from outside (a click elsewhere, another window taking over): that is a cancel.
  if (model_.State() == TColorPopupModel::psShowing) model_.SetState(TColorPopupModel::psCancelled);
  QWidget::hideEvent(ev);
}

bool TColorPopup::event(QEvent* ev) {
  if ((ev->type() == QEvent::WindowDeactivate || ev->type() == QEvent::ApplicationDeactivate) &&
      model_.State() == TColorPopupModel::psShowing) {
    model_.SetState(TColorPopupModel::psCancelled);
    hide();
    return true;
  }
  if (ev->type() == QEvent::ToolTip) return true;  // the table's names are shown nowhere
  return QWidget::event(ev);
}

bool ShowColorPopup(TColor& color, QPoint screenPoint) {
  TColorPopup popup;
  popup.SetSelectedColor(color);
  popup.ShowAt(screenPoint);
  QEventLoop loop;
  const auto quitConn = QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop, [&] {
    popup.Model().SetState(TColorPopupModel::psCancelled);
    loop.quit();
  });
  while (popup.Model().State() == TColorPopupModel::psShowing) {
    if (QCoreApplication::closingDown()) {
      popup.Model().SetState(TColorPopupModel::psCancelled);
      break;
    }
    loop.processEvents(QEventLoop::WaitForMoreEvents);
  }
  QObject::disconnect(quitConn);
  popup.hide();
  const bool accepted = popup.Model().State() == TColorPopupModel::psAccepted;
  const TColor result = popup.Model().ResultColor();
  if (accepted && result != clDefault) color = result;
  return accepted;
}
