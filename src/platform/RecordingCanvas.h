// TEMPORARY stand-in until the shared drawing surface lands; replaced on merge.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace platform {

void SetMeasuringCanvasFactory(std::function<std::unique_ptr<ICanvas>()> factory);

class RecordingCanvas : public ICanvas {
 public:
  struct Op {
    enum Kind { Text, Fill, Frame, Line } kind;
    int x = 0, y = 0, x2 = 0, y2 = 0;
    std::u16string text;
    std::vector<int> advances;
    TColor color = 0;
    TColor background = 0;
    FontDesc font;
  };
  explicit RecordingCanvas(int dpi = 300) : dpi_(dpi) {}
  void SetFont(const FontDesc& font) override { font_ = font; }
  const FontDesc& Font() const override { return font_; }
  TextMetrics Metrics() override;
  int TextWidth(std::u16string_view text) override;
  void TextOut(int x, int y, std::u16string_view text, const int* advances, TColor background) override;
  void FillRect(const CanvasRect& r, TColor color) override;
  void FrameRect(const CanvasRect& r, TColor color) override;
  void Line(int x1, int y1, int x2, int y2, TColor color) override;
  void Save() override { stack_.push_back(font_); }
  void Restore() override {
    if (!stack_.empty()) { font_ = stack_.back(); stack_.pop_back(); }
  }
  void IntersectClip(const CanvasRect&) override {}
  CanvasRect ClipBox() override { return {0, 0, 100000, 100000}; }
  void SetMapping(double, double, double, double) override {}
  int DpiX() override { return dpi_; }
  int DpiY() override { return dpi_; }
  int PixelSize() const;
  static bool IsWide(char16_t c);
  std::vector<Op> ops;

 private:
  int dpi_;
  FontDesc font_;
  std::vector<FontDesc> stack_;
};

}  // namespace platform
