#include "platform/RecordingCanvas.h"

#include <algorithm>

namespace platform {

TRecordingCanvas::Call& TRecordingCanvas::Add(const char* op) {
  if (!Record) {
    scratch_ = Call{};
    scratch_.op = op;
    return scratch_;
  }
  Calls.emplace_back();
  Calls.back().op = op;
  return Calls.back();
}

TRecordingCanvas::TRecordingCanvas() {
  WideChars = [](char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xFF01 && c <= 0xFF60) || c >= 0x10000;
  };
  ZeroWidthChars = [](char32_t c) { return (c >= 0x300 && c <= 0x36F) || (c >= 0x200B && c <= 0x200D); };
}

std::vector<TRecordingCanvas::Call> TRecordingCanvas::CallsOf(const std::string& op) const {
  std::vector<Call> out;
  for (const Call& c : Calls)
    if (c.op == op) out.push_back(c);
  return out;
}

int TRecordingCanvas::ScaledCell() const {
  const int cell = ScaleWithSize ? std::max(1, CellWidth * state_.font.Size / 10) : CellWidth;
  return cell + ((state_.font.Style & kFontBold) ? BoldExtra : 0);
}

int TRecordingCanvas::ScaledHeight() const {
  const int h = Ascent + Descent;
  return ScaleWithSize ? std::max(1, h * state_.font.Size / 10) : h;
}

int TRecordingCanvas::CharPixels(char32_t ch) const {
  if (ZeroWidthChars && ZeroWidthChars(ch)) return 0;
  const int cell = ScaledCell();
  return (WideChars && WideChars(ch)) ? 2 * cell : cell;
}

void TRecordingCanvas::SetMapping(int wox, int woy, int wex, int wey, int vox, int voy, int vex, int vey) {
  state_.map = {wox, woy, wex == 0 ? 1 : wex, wey == 0 ? 1 : wey, vox, voy, vex, vey};
  Call& c = Add("map");
  c.rect = {wox, woy, wex, wey};
  c.x = vox;
  c.y = voy;
  c.x2 = vex;
  c.y2 = vey;
}

void TRecordingCanvas::ResetMapping() {
  state_.map = Mapping{};
  Add("resetmap");
}

int TRecordingCanvas::ToDeviceX(int x) const {
  const Mapping& m = state_.map;
  return MulDiv(x - m.wox, m.vex, m.wex) + m.vox;
}

int TRecordingCanvas::ToDeviceY(int y) const {
  const Mapping& m = state_.map;
  return MulDiv(y - m.woy, m.vey, m.wey) + m.voy;
}

TCanvasRect TRecordingCanvas::ToDevice(const TCanvasRect& r) const {
  return {ToDeviceX(r.Left), ToDeviceY(r.Top), ToDeviceX(r.Right), ToDeviceY(r.Bottom)};
}

void TRecordingCanvas::Save() {
  saved_.push_back(state_);
  Add("save");
}

void TRecordingCanvas::Restore() {
  if (saved_.empty()) return;
  state_ = saved_.back();
  saved_.pop_back();
  Add("restore");
}

void TRecordingCanvas::SetFont(const TCanvasFont& font) {
  state_.font = font;
  if (font.Color != clDefault) state_.textColor = font.Color;
  Call& c = Add("font");
  c.font = font;
}

TCanvasFontMetrics TRecordingCanvas::FontMetrics() {
  TCanvasFontMetrics m;
  const int h = ScaledHeight();
  m.Ascent = ScaleWithSize ? Ascent * h / (Ascent + Descent) : Ascent;
  m.Descent = h - m.Ascent;
  m.Height = h;
  m.ExternalLeading = ExternalLeading;
  m.AveCharWidth = ScaledCell();
  m.MaxCharWidth = 2 * ScaledCell();
  m.FixedPitch = true;
  return m;
}

int TRecordingCanvas::TextWidth(std::u16string_view text) {
  int w = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    w += CharPixels(c);
  }
  return w;
}

bool TRecordingCanvas::CharABC(char32_t ch, TCharABC& abc) {
  abc = {0, CharPixels(ch), 0};
  return true;
}

void TRecordingCanvas::SetTextColor(TColor color) {
  state_.textColor = color;
  Call& c = Add("textcolor");
  c.color = color;
}

void TRecordingCanvas::SetBackColor(TColor color) {
  state_.backColor = color;
  Call& c = Add("backcolor");
  c.color = color;
}

void TRecordingCanvas::TextOutAt(int x, int y, unsigned options, const TCanvasRect* rect, std::u16string_view text,
                                 const int* advances) {
  Call& c = Add("text");
  c.x = ToDeviceX(x);
  c.y = ToDeviceY(y);
  c.options = options;
  c.text = std::u16string(text);
  c.color = state_.textColor;
  c.back = state_.backColor;
  c.font = state_.font;
  if (rect) c.rect = ToDevice(*rect);
  c.advances.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (advances) {
      c.advances.push_back(advances[i]);
    } else {
      const char16_t u = text[i];
      const bool lead = u >= 0xD800 && u <= 0xDBFF;
      c.advances.push_back(lead ? CharPixels(0x10000) : (u >= 0xDC00 && u <= 0xDFFF) ? 0 : CharPixels(u));
    }
  }
}

void TRecordingCanvas::SetBrush(TColor color, TBrushStyle style) {
  state_.brush = color;
  state_.brushStyle = style;
  Call& c = Add("brush");
  c.options = style == TBrushStyle::Clear ? 1u : 0u;
  c.color = color;
}

void TRecordingCanvas::SetPen(TColor color, int width) {
  state_.pen = color;
  state_.penWidth = width;
  Call& c = Add("pen");
  c.x = width;
  c.color = color;
}

void TRecordingCanvas::FillRect(const TCanvasRect& r, TColor color) {
  Call& c = Add("fill");
  c.rect = ToDevice(r);
  c.color = color;
}

void TRecordingCanvas::Rectangle(const TCanvasRect& r) {
  Call& c = Add("rect");
  c.rect = ToDevice(r);
  c.color = state_.pen;
  c.back = state_.brushStyle == TBrushStyle::Clear ? clNone : state_.brush;
}

void TRecordingCanvas::Line(int x1, int y1, int x2, int y2) {
  Call& c = Add("line");
  c.x = ToDeviceX(x1);
  c.y = ToDeviceY(y1);
  c.x2 = ToDeviceX(x2);
  c.y2 = ToDeviceY(y2);
  c.color = state_.pen;
}

void TRecordingCanvas::DrawImage(int x, int y, const TCanvasImage&, const TCanvasRect& src) {
  Call& c = Add("image");
  c.rect = src;
  c.x = ToDeviceX(x);
  c.y = ToDeviceY(y);
}

void TRecordingCanvas::IntersectClip(const TCanvasRect& r) {
  const TCanvasRect d = ToDevice(r);
  if (!state_.hasClip) {
    state_.clip = d;
  } else {
    state_.clip = {std::max(state_.clip.Left, d.Left), std::max(state_.clip.Top, d.Top),
                   std::min(state_.clip.Right, d.Right), std::min(state_.clip.Bottom, d.Bottom)};
  }
  state_.hasClip = true;
  Call& c = Add("clip");
  c.rect = state_.clip;
}

void TRecordingCanvas::ResetClip() {
  state_.hasClip = false;
  Add("resetclip");
}

}  // namespace platform
