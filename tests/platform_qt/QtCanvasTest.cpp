// The QPainter canvas puts text on the grid it is given, fills and clips as asked, and maps logical
// units to device pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <filesystem>

#include "TestSupport.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtPrinter.h"

using namespace platform;

namespace {
// Columns of the image that hold any pixel darker than mid-grey, between rows y0 and y1.
std::vector<int> InkColumns(const QImage& img, int y0, int y1) {
  std::vector<int> cols;
  for (int x = 0; x < img.width(); ++x)
    for (int y = y0; y < y1; ++y)
      if (qGray(img.pixel(x, y)) < 128) {
        cols.push_back(x);
        break;
      }
  return cols;
}
}  // namespace

TEST(QtCanvas, TextLandsOnTheGivenAdvancesAndClipsToItsRectangle) {
  SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
  QImage img(200, 40, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    TQtCanvas cv(p);
    TCanvasFont f;
    f.Size = 10;
    f.PixelsPerInch = 96;
    cv.SetFont(f);
    cv.SetTextColor(clBlack);
    cv.SetBackColor(clWhite);
    const int adv[] = {40, 40, 40};
    const TCanvasRect r{0, 0, 90, 20};  // the third cell starts at 80 and is cut at 90
    cv.TextOutAt(0, 0, kTextOpaque | kTextClipped, &r, u"|||", adv);
  }
  const auto cols = InkColumns(img, 0, 20);
  ASSERT_FALSE(cols.empty());
  // Three bars, one per 40-pixel cell, none beyond the clip.
  int bars = 0;
  for (std::size_t i = 0; i < cols.size(); ++i)
    if (i == 0 || cols[i] != cols[i - 1] + 1) ++bars;
  EXPECT_EQ(bars, 3);
  for (int c : cols) EXPECT_LT(c, 90);
  EXPECT_GE(cols.front(), 0);
  EXPECT_LT(cols.front(), 10);
  EXPECT_GE(cols.back(), 80);
}

TEST(QtCanvas, OpaqueFillMappingAndLineEnd) {
  QImage img(100, 100, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    TQtCanvas cv(p);
    cv.SetMapping(0, 0, 1000, 1000, 0, 0, 100, 100);  // ten logical units per pixel
    cv.FillRect({100, 100, 300, 200}, clRed);
    cv.ResetMapping();
    cv.SetBackColor(clBlue);
    const TCanvasRect band{50, 50, 60, 55};
    cv.TextOutAt(50, 50, kTextOpaque, &band, u"");
    cv.SetPen(clBlack);
    cv.Line(0, 90, 10, 90);
    cv.Line(95, 0, 95, 10);
  }
  EXPECT_EQ(img.pixel(10, 10), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(29, 19), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(30, 10), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(55, 52), qRgb(0, 0, 255));
  EXPECT_EQ(img.pixel(9, 90), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(10, 90), qRgb(255, 255, 255));  // the end point stays undrawn
  EXPECT_EQ(img.pixel(95, 9), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(95, 10), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(0, 90), qRgb(0, 0, 0));
}

// More faces than the process keeps: a font the cache has dropped still measures and draws for the
// canvas that chose it and for the state it saved.
TEST(QtCanvas, FontsOutliveTheirPlaceInTheCache) {
  SetFontSubstitutes("DejaVu Sans", "DejaVu Sans Mono");
  QImage img(200, 40, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  TQtCanvas kept(p), other(p);
  TCanvasFont f;
  f.Size = 10;
  f.PixelsPerInch = 96;
  kept.SetFont(f);
  const int width = kept.TextWidth(u"abc");
  kept.Save();
  for (int size = 11; size < 11 + 100; ++size) {
    f.Size = size;
    other.SetFont(f);
    EXPECT_GT(other.TextWidth(u"abc"), 0);
  }
  EXPECT_EQ(kept.TextWidth(u"abc"), width);
  kept.Restore();
  EXPECT_EQ(kept.TextWidth(u"abc"), width);
  kept.TextOutAt(0, 0, 0, nullptr, u"abc");
}

// A PDF job writes beside its target: the target keeps what it held until the job ends, an aborted
// or refused job leaves it as it was, and no temporary file stays behind.
TEST(QtPrinter, APdfReplacesItsTargetOnlyWhenTheJobEnds) {
  testsupport::TempDir tmp;
  const std::string target = tmp.File("out.pdf");
  testsupport::WriteFile(target, "earlier document");
  auto files = [&] {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tmp.Path())) n += entry.is_regular_file();
    return n;
  };
  TQtPrinter printer;
  printer.SetOutputFile(target, 72);
  ICanvas& canvas = printer.BeginDoc();
  EXPECT_EQ(printer.PrinterName(), target);
  canvas.FillRect(TCanvasRect{0, 0, 10, 10}, clBlack);
  printer.NewPage();
  EXPECT_EQ(testsupport::ReadFile(target), "earlier document");
  printer.Abort();
  EXPECT_EQ(testsupport::ReadFile(target), "earlier document");
  EXPECT_EQ(files(), 1);

  printer.BeginDoc().FillRect(TCanvasRect{0, 0, 10, 10}, clBlack);
  printer.EndDoc();
  EXPECT_EQ(testsupport::ReadFile(target).rfind("%PDF", 0), 0u);
  EXPECT_EQ(files(), 1);
  EXPECT_EQ(printer.PrinterName(), target);

  // A folder that cannot be written refuses the job and creates nothing.
  printer.SetOutputFile(tmp.File("missing/out.pdf"), 72);
  EXPECT_THROW(printer.BeginDoc(), EPrinter);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(files(), 1);
}
