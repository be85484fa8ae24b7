#include "platform/RecordingCanvas.h"

#include <cmath>

namespace platform {

namespace {
std::function<std::unique_ptr<ICanvas>()> gFactory;
}

void SetMeasuringCanvasFactory(std::function<std::unique_ptr<ICanvas>()> factory) { gFactory = std::move(factory); }
std::unique_ptr<ICanvas> CreateMeasuringCanvas() { return gFactory ? gFactory() : nullptr; }

int RecordingCanvas::PixelSize() const {
  return static_cast<int>(std::lround(font_.pointSize * font_.pixelsPerInch / 72.0));
}

bool RecordingCanvas::IsWide(char16_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60);
}

TextMetrics RecordingCanvas::Metrics() {
  const int px = PixelSize();
  TextMetrics m;
  m.height = static_cast<int>(std::lround(px * 1.2));
  m.descent = static_cast<int>(std::lround(px * 0.25));
  m.ascent = m.height - m.descent;
  m.averageCharWidth = static_cast<int>(std::lround(px * 0.6));
  return m;
}

int RecordingCanvas::TextWidth(std::u16string_view text) {
  const int cw = static_cast<int>(std::lround(PixelSize() * 0.6));
  int w = 0;
  for (char16_t c : text) w += IsWide(c) ? 2 * cw : cw;
  return w;
}

void RecordingCanvas::TextOut(int x, int y, std::u16string_view text, const int* advances, TColor background) {
  Op op{Op::Text};
  op.x = x;
  op.y = y;
  op.text = std::u16string(text);
  if (advances) op.advances.assign(advances, advances + text.size());
  op.color = font_.color;
  op.background = background;
  op.font = font_;
  ops.push_back(std::move(op));
}

void RecordingCanvas::FillRect(const CanvasRect& r, TColor color) {
  Op op{Op::Fill};
  op.x = r.left; op.y = r.top; op.x2 = r.right; op.y2 = r.bottom; op.color = color;
  ops.push_back(op);
}

void RecordingCanvas::FrameRect(const CanvasRect& r, TColor color) {
  Op op{Op::Frame};
  op.x = r.left; op.y = r.top; op.x2 = r.right; op.y2 = r.bottom; op.color = color;
  ops.push_back(op);
}

void RecordingCanvas::Line(int x1, int y1, int x2, int y2, TColor color) {
  Op op{Op::Line};
  op.x = x1; op.y = y1; op.x2 = x2; op.y2 = y2; op.color = color;
  ops.push_back(op);
}

}  // namespace platform
