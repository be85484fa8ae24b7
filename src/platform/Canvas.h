// TEMPORARY stand-in until the shared drawing surface lands; replaced on merge.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Colors.h"

namespace platform {

struct FontDesc {
  std::string family = "Arial";
  double pointSize = 10;
  int pixelsPerInch = 96;
  std::uint8_t style = 0;
  TColor color = 0;
};

struct TextMetrics {
  int height = 0, ascent = 0, descent = 0, averageCharWidth = 0, externalLeading = 0;
};

struct CanvasRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

class ICanvas {
 public:
  virtual ~ICanvas() = default;
  virtual void SetFont(const FontDesc& font) = 0;
  virtual const FontDesc& Font() const = 0;
  virtual TextMetrics Metrics() = 0;
  virtual int TextWidth(std::u16string_view text) = 0;
  virtual void TextOut(int x, int y, std::u16string_view text, const int* advances, TColor background) = 0;
  virtual void FillRect(const CanvasRect& r, TColor color) = 0;
  virtual void FrameRect(const CanvasRect& r, TColor color) = 0;
  virtual void Line(int x1, int y1, int x2, int y2, TColor color) = 0;
  virtual void Save() = 0;
  virtual void Restore() = 0;
  virtual void IntersectClip(const CanvasRect& r) = 0;
  virtual CanvasRect ClipBox() = 0;
  virtual void SetMapping(double scaleX, double scaleY, double offsetX, double offsetY) = 0;
  virtual int DpiX() = 0;
  virtual int DpiY() = 0;
};

std::unique_ptr<ICanvas> CreateMeasuringCanvas();

}  // namespace platform
