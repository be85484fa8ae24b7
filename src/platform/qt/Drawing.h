// Drawing helpers for forms and controls (GUI code only): framed edges, text measured and drawn
// with the classic text flags, disabled (embossed) text, dialog units and the program's fonts.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QString>
#include <string>

namespace platform {

// ---- edges ----
enum : unsigned {
  BDR_RAISEDOUTER = 0x1,
  BDR_SUNKENOUTER = 0x2,
  BDR_RAISEDINNER = 0x4,
  BDR_SUNKENINNER = 0x8,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : unsigned {
  BF_LEFT = 0x1,
  BF_TOP = 0x2,
  BF_RIGHT = 0x4,
  BF_BOTTOM = 0x8,
  BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
  BF_MIDDLE = 0x800,  // fill the inside with the button face
  BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000,  // shrink the rectangle by the edge drawn
  BF_FLAT = 0x4000,
  BF_MONO = 0x8000,
};
// Draws up to two 1-pixel borders in the button-face colours (outer pair, then inner pair) along
// the sides named in flags; with BF_ADJUST, r is shrunk by what was drawn.
void DrawEdge(QPainter& p, QRect& r, unsigned edge, unsigned flags);
inline void DrawEdge(QPainter& p, QRect r, unsigned edge, unsigned flags, int) {
  DrawEdge(p, r, edge, flags);
}
// A 1-pixel rectangle outline covering r.left..r.right-1 like the classic frame (r as a
// half-open rectangle: QRect(x, y, w, h) frames exactly w x h pixels).
void FrameRect(QPainter& p, const QRect& r, const QColor& color);
// The dotted focus rectangle.
void DrawFocusRect(QPainter& p, const QRect& r);

// ---- text ----
enum : unsigned {
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_TOP = 0x0,
  DT_VCENTER = 0x4,  // only with DT_SINGLELINE, as classically
  DT_BOTTOM = 0x8,   // only with DT_SINGLELINE
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_NOCLIP = 0x100,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_PATH_ELLIPSIS = 0x4000,
  DT_END_ELLIPSIS = 0x8000,
  DT_HIDEPREFIX = 0x100000,
};

// The lines of text as they will be drawn: split at line breaks (CR LF, LF or CR) unless
// DT_SINGLELINE, word-wrapped to width with DT_WORDBREAK, "&" prefixes removed unless DT_NOPREFIX
// ("&&" stays one "&"), tabs expanded to 8 average characters with DT_EXPANDTABS.
QStringList TextLines(const QFontMetrics& fm, const QString& text, int width, unsigned flags);

// Measures or draws text in r with the classic flags. With DT_CALCRECT nothing is drawn: r's right
// and bottom are set to fit the text (its longest line; with DT_WORDBREAK r's width is kept unless
// a single word is wider) and the height is returned. Otherwise the text is drawn with the
// painter's pen and the height of the drawn text is returned. Every line is one font height
// (ascent + descent) tall.
int DrawText(QPainter& p, const QString& text, QRect& r, unsigned flags);
// Measuring without a painter (as DrawText with DT_CALCRECT).
int CalcTextRect(const QFontMetrics& fm, const QString& text, QRect& r, unsigned flags);
// Position of the character underlined for a "&" prefix, or -1 (in the text after prefix removal).
int PrefixCharIndex(const QString& text);
// Greyed text as a disabled control shows it: once in the highlight colour one pixel down and
// right, then in the shadow colour.
void DrawDisabledText(QPainter& p, const QString& text, QRect r, unsigned flags);

// ---- dialog units ----
// Horizontal: the font's average character width (of "A".."Z" and "a".."z", rounded); vertical:
// its height. A horizontal dialog unit is a quarter of the first, a vertical one an eighth of the
// second.
QSize DialogBaseUnits(const QFont& font);
int DluToPixelsX(const QFont& font, int dlu);
int DluToPixelsY(const QFont& font, int dlu);
QRect DluToPixels(const QFont& font, const QRect& dlu);

// ---- fonts ----
// The program's font names stand for the desktop's fonts: "MS Sans Serif" (and every other
// proportional name the forms use) for the default interface font, "Courier New" (and other
// fixed-pitch names) for the default monospace font. Any other name of an installed family (one
// chosen in the font dialog) is that family. A negative height is the character height in pixels;
// a positive one is a point size.
QFont MapFont(const std::string& name, int height = 0);
// The families that stand in (tests pin DejaVu Sans and DejaVu Sans Mono); empty: the desktop's.
void SetFontSubstitutes(const QString& uiFamily, const QString& monoFamily);
bool IsMonospaceName(const std::string& name);

}  // namespace platform
