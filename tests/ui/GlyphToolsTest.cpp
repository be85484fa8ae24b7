#include <gtest/gtest.h>

#include <QPainter>
#include <QPushButton>
#include <QWidget>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "ui/CtrlTools.h"
#include "ui/GlyphBase.h"
#include "ui/GlyphTools.h"
#include "ui/ImgList_Override.h"

using namespace platform;

namespace {
QRgb Px(TColor c) {
  return ColorToPixel(c);
}

// 4x3 opaque bitmap whose lower left pixel is magenta (the transparent colour).
QImage SampleGlyph() {
  QImage img(4, 3, QImage::Format_ARGB32);
  img.fill(Px(0xFF00FF));
  img.setPixel(0, 0, Px(clBlack));
  img.setPixel(1, 0, Px(clWhite));
  img.setPixel(2, 1, Px(clRed));
  img.setPixel(3, 2, Px(clBlue));
  return img;
}

class FakeGlyphButton : public IGlyphButton {
 public:
  QImage glyph;
  int count = 1;
  QImage Glyph() const override { return glyph; }
  void SetGlyph(const QImage& g) override { glyph = g; }
  int NumGlyphs() const override { return count; }
  void SetNumGlyphs(int c) override { count = c; }
};
}  // namespace

TEST(GlyphBase, GrayBitmapKeepsTransparentPixels) {
  QImage img = SampleGlyph();
  GrayBitmap(img);
  EXPECT_EQ(img.pixel(0, 0), Px(GrayColor(clBlack)));
  EXPECT_EQ(img.pixel(1, 0), Px(GrayColor(clWhite)));
  EXPECT_EQ(img.pixel(2, 1), Px(GrayColor(clRed)));
  EXPECT_EQ(img.pixel(3, 2), Px(GrayColor(clBlue)));
  EXPECT_EQ(img.pixel(0, 2), Px(0xFF00FF));
  EXPECT_EQ(img.pixel(3, 0), Px(0xFF00FF));
  QImage empty;
  GrayBitmap(empty);  // must not crash
  EXPECT_TRUE(empty.isNull());
}

TEST(GlyphBase, LowerLeftColourInsideThePictureBecomesTransparent) {
  // The lower left pixel is red and so is a pixel of the picture: both stay untouched.
  QImage img(3, 2, QImage::Format_ARGB32);
  img.fill(Px(clLime));
  img.setPixel(0, 1, Px(clRed));
  img.setPixel(2, 0, Px(clRed));
  GrayBitmap(img);
  EXPECT_EQ(img.pixel(2, 0), Px(clRed));
  EXPECT_EQ(img.pixel(1, 0), Px(GrayColor(clLime)));
}

TEST(GlyphBase, AlphaImagesKeepTheirOutline) {
  // Transparent corner: only alpha 0 counts as transparent, black outline pixels are greyed.
  QImage img(3, 3, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  img.setPixel(1, 1, qRgba(0, 0, 0, 255));
  img.setPixel(2, 1, qRgba(255, 255, 255, 128));
  GrayBitmap(img);
  EXPECT_EQ(img.pixel(1, 1), Px(GrayColor(clBlack)));
  EXPECT_EQ(qAlpha(img.pixel(2, 1)), 128);
  EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
}

TEST(GlyphTools, DisabledGlyphPairAndButtons) {
  QImage g = SampleGlyph();
  MakeDisabledGlyph(g);
  ASSERT_EQ(g.width(), 8);
  ASSERT_EQ(g.height(), 3);
  const QImage orig = SampleGlyph();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(g.pixel(x, y), orig.pixel(x, y));
      const QRgb expect =
          orig.pixel(x, y) == Px(0xFF00FF) ? Px(0xFF00FF) : Px(GrayColor(PixelToColor(orig.pixel(x, y))));
      EXPECT_EQ(g.pixel(4 + x, y), expect) << x << "," << y;
    }

  FakeGlyphButton one;
  one.glyph = SampleGlyph();
  MakeBitBtnDisabledGlyph(one);
  EXPECT_EQ(one.count, 2);
  EXPECT_EQ(one.glyph.width(), 8);

  FakeGlyphButton two;
  two.glyph = g;
  two.count = 2;
  MakeSpeedButtonDisabledGlyph(two);
  EXPECT_EQ(two.count, 2);
  EXPECT_EQ(two.glyph.width(), 8);  // unchanged

  FakeGlyphButton none;  // one empty glyph: stays one
  MakeBitBtnDisabledGlyph(none);
  EXPECT_EQ(none.count, 1);
  EXPECT_TRUE(none.glyph.isNull());
}

TEST(GlyphTools, DisabledImageListIsGreyWithMagentaMask) {
  TImageList src(4, 3);
  src.Add(SampleGlyph());  // magenta corner: opaque bitmap whose magenta is its transparent colour
  QImage alpha(4, 3, QImage::Format_ARGB32);
  alpha.fill(Qt::transparent);
  alpha.setPixel(1, 1, Px(clRed));
  src.Add(alpha);
  TImageList dst(16, 16);
  dst.Add(QImage(16, 16, QImage::Format_ARGB32));
  int changes = 0;
  dst.OnChange = [&] { ++changes; };
  MakeDisabledImageList(src, dst);
  EXPECT_EQ(changes, 1);  // one notification for the whole rebuild
  ASSERT_EQ(dst.Count(), 2);
  EXPECT_EQ(dst.Width(), 4);
  EXPECT_EQ(dst.Height(), 3);
  const QImage d0 = dst.Image(0);
  EXPECT_EQ(d0.pixel(0, 0), Px(GrayColor(clBlack)));
  EXPECT_EQ(d0.pixel(2, 1), Px(GrayColor(clRed)));
  EXPECT_EQ(qAlpha(d0.pixel(0, 2)), 0);  // magenta went through the mask
  const QImage d1 = dst.Image(1);
  EXPECT_EQ(d1.pixel(1, 1), Px(GrayColor(clRed)));
  EXPECT_EQ(qAlpha(d1.pixel(0, 0)), 0);  // transparent laid on magenta, then masked away
}

TEST(CtrlTools, ChildrenFirstInIndexOrder) {
  QWidget root;
  QWidget a(&root);
  a.setObjectName("a");
  QPushButton a1(&a);
  a1.setObjectName("a1");
  QPushButton a2(&a);
  a2.setObjectName("a2");
  QPushButton b(&root);
  b.setObjectName("b");
  QWidget window(&root, Qt::Window);  // a separate window is not a control of root
  window.setObjectName("w");
  std::vector<std::string> seen;
  ForEachControl(&root, [&](QWidget* w) { seen.push_back(w->objectName().toStdString()); });
  EXPECT_EQ(seen, (std::vector<std::string>{"a1", "a2", "a", "b"}));
  ForEachControl(nullptr, [&](QWidget*) { seen.clear(); });
  EXPECT_EQ(seen.size(), 4u);
}
