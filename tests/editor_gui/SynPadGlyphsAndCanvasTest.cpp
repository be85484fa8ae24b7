// The editor's bitmaps, glyphs, wide-text canvas and clipboard, which need the desktop's services.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "TestSupport.h"
#include "editor/SynPadMiscClasses.h"
#include "editor/SynUnicode.h"
#include "editor/gui/SynPadGlyphPainter.h"
#include "editor/gui/SynUnicodeCanvas.h"
#include "platform/EditorServices.h"

TEST(EditorResources, BookmarkStripAndWrapGlyphLoadAtBothScales) {
  int scale = 1, w = 0, h = 0;
  std::vector<std::uint32_t> px;
  ASSERT_TRUE(editorservices::LoadEditorBitmap("SynPadInternalImages", scale, w, h, px));
  EXPECT_EQ(w, 110);
  EXPECT_EQ(h, 14);
  scale = 2;
  ASSERT_TRUE(editorservices::LoadEditorBitmap("SynPadInternalImages", scale, w, h, px));
  EXPECT_EQ(scale, 2);
  EXPECT_EQ(w, 220);
  EXPECT_EQ(h, 28);
  scale = 1;
  ASSERT_TRUE(editorservices::LoadEditorBitmap("SynPadWrapped", scale, w, h, px));
  EXPECT_EQ(px[0] & 0xFFFFFF, 0x00FF00u);  // lime background, the transparent colour
  EXPECT_FALSE(editorservices::LoadEditorBitmap("NoSuchImage", scale, w, h, px));
  // Each bookmark image differs from every other (the digits).
  scale = 1;
  editorservices::LoadEditorBitmap("SynPadInternalImages", scale, w, h, px);
  for (int a = 0; a < 10; ++a)
    for (int b = a + 1; b < 10; ++b) {
      bool differ = false;
      for (int y = 0; y < 14 && !differ; ++y)
        for (int x = 0; x < 11 && !differ; ++x) differ = px[y * 110 + a * 11 + x] != px[y * 110 + b * 11 + x];
      EXPECT_TRUE(differ) << a << " " << b;
    }
}

TEST(InternalImage, SharedCacheAndWidthRule) {
  const int before = TSynInternalImage::CacheEntries();
  {
    TSynInternalImage a("SynPadInternalImages", 10);
    EXPECT_EQ(a.Width(), 11);
    EXPECT_EQ(a.Height(), 14);
    TSynInternalImage b("synpadinternalimages", 10);
    EXPECT_EQ(&a.Images(), &b.Images());
    EXPECT_EQ(TSynInternalImage::CacheUseCount("SYNPADINTERNALIMAGES"), 2);
    EXPECT_EQ(TSynInternalImage::CacheEntries(), before + 1);
    TSynInternalImage c("SynPadInternalImages", 3);
    EXPECT_EQ(c.Width(), (110 + 1) / 3);
    TSynImagePlacement p{};
    EXPECT_FALSE(a.Placement(10, 0, 0, 16, p));
    EXPECT_FALSE(a.Placement(-1, 0, 0, 16, p));
    ASSERT_TRUE(a.Placement(3, 2, 0, 16, p));
    EXPECT_EQ(p.SrcX, 33);
    EXPECT_EQ(p.DestY, 1);
  }
  EXPECT_EQ(TSynInternalImage::CacheEntries(), before);
  TSynGlyph wrap("SynPadWrapped", syn::clLime);
  EXPECT_EQ(wrap.Width(), 10);
}

TEST(GlyphPainter, MaskColourIsTransparentAndStripIsCut) {
  TSynGlyph wrap("SynPadWrapped", syn::clLime);
  QImage canvas(20, 20, QImage::Format_ARGB32);
  canvas.fill(Qt::white);
  {
    QPainter p(&canvas);
    DrawSynGlyph(p, wrap, 3, 0, 20);
  }
  // Outside the arrow the white background shows through; the arrow itself is navy.
  EXPECT_EQ(canvas.pixel(3, 5) & 0xFFFFFF, 0xFFFFFFu);
  int navy = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) navy += (canvas.pixel(x, y) & 0xFFFFFF) == 0x000080;
  EXPECT_GT(navy, 10);
  EXPECT_EQ(canvas.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  TSynInternalImage marks("SynPadInternalImages", 10);
  QImage one(11, 14, QImage::Format_ARGB32);
  one.fill(Qt::transparent);
  {
    QPainter p(&one);
    DrawSynInternalImage(p, marks, 5, 0, 0, 14);
    DrawSynInternalImage(p, marks, 12, 0, 0, 14);  // ignored
  }
  QImage expected = SynBitmapToImage(marks.Images()).copy(55, 0, 11, 14);
  EXPECT_EQ(one.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
  one.save(QString::fromStdString(testsupport::ArtifactDir() + "/editor_bookmark5.png"));
}

TEST(GlyphPainter, GradientFill) {
  QImage canvas(100, 10, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  {
    QPainter p(&canvas);
    SynDrawGradient(p, syn::clBlack, syn::clWhite, 2, QRect(0, 0, 100, 10), true);
  }
  EXPECT_EQ(canvas.pixel(10, 5) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(canvas.pixel(60, 5) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(WideCanvas, ExtentsAndOutput) {
  QImage canvas(200, 40, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter p(&canvas);
  QFont font("DejaVu Sans Mono");
  font.setPixelSize(14);
  p.setFont(font);
  const int w1 = WideCanvasTextWidth(p, u"x");
  EXPECT_GT(w1, 0);
  EXPECT_NEAR(WideCanvasTextWidth(p, u"xxxx"), 4 * w1, 4);  // fixed pitch (advances may be fractional)
  EXPECT_EQ(WideCanvasTextWidth(p, u""), 0);
  EXPECT_EQ(WideCanvasTextHeight(p, u"x"), QFontMetrics(font).height());
  EXPECT_EQ(GetTextSize(p, u"xx", 1).width(), w1);
  p.setPen(Qt::black);
  const int end = WideCanvasTextOut(p, 10, 5, u"MMM");
  EXPECT_EQ(end, 10 + WideCanvasTextWidth(p, u"MMM"));
  p.end();
  // Ink lies inside the cell row that starts at y 5, not above it.
  bool inkAbove = false, inkInside = false;
  for (int x = 0; x < 200; ++x) {
    for (int y = 0; y < 5; ++y) inkAbove |= (canvas.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    for (int y = 5; y < 5 + QFontMetrics(font).height(); ++y) inkInside |= (canvas.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  }
  EXPECT_FALSE(inkAbove);
  EXPECT_TRUE(inkInside);
}

TEST(WideClipboard, WriteAndReadBack) {
  WriteClipboardWideText(u"\u0416 line one\r\nline two");
  EXPECT_TRUE(ClipboardProvidesText());
  EXPECT_EQ(ReadClipboardWideText(), u"\u0416 line one\r\nline two");
  WriteClipboardWideText(u"");  // nothing for an empty text
  EXPECT_EQ(ReadClipboardWideText(), u"\u0416 line one\r\nline two");
}
