// The editor's bitmaps, glyphs and clipboard, which need the desktop's services.
#include <gtest/gtest.h>

#include "editor/SynPadMiscClasses.h"
#include "editor/SynUnicode.h"
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

TEST(WideClipboard, WriteAndReadBack) {
  WriteClipboardWideText(u"\u0416 line one\r\nline two");
  EXPECT_TRUE(ClipboardProvidesText());
  EXPECT_EQ(ReadClipboardWideText(), u"\u0416 line one\r\nline two");
  WriteClipboardWideText(u"");  // nothing for an empty text
  EXPECT_EQ(ReadClipboardWideText(), u"\u0416 line one\r\nline two");
}
