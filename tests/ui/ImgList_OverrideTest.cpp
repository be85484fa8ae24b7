#include <gtest/gtest.h>

#include <QPainter>

#include "TestSupport.h"
#include "ui/GlyphBase.h"
#include "ui/ImgList_Override.h"

using namespace platform;

namespace {
QRgb Px(TColor c) {
  return ColorToPixel(c);
}

QImage Icon16(TColor fill) {
  QImage img(16, 16, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  for (int y = 3; y < 13; ++y)
    for (int x = 3; x < 13; ++x) img.setPixel(x, y, Px(fill));
  img.setPixel(8, 8, Px(clBlack));  // a black dot must survive greying (alpha image)
  return img;
}
}  // namespace

TEST(ImgList_Override, StripsMasksAndChanges) {
  TImageList list(16, 16);
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  QImage strip(48, 16, QImage::Format_ARGB32);
  strip.fill(Px(clRed));
  EXPECT_EQ(list.Add(strip), 0);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(changes, 1);
  QImage odd(20, 10, QImage::Format_ARGB32);  // scaled to the list's size
  odd.fill(Px(clBlue));
  EXPECT_EQ(list.Add(odd), 3);
  EXPECT_EQ(list.Image(3).size(), QSize(16, 16));
  QImage masked(16, 16, QImage::Format_RGB32);
  masked.fill(Px(0xFF00FF));
  masked.setPixel(2, 2, Px(clLime));
  EXPECT_EQ(list.AddMasked(masked, 0xFF00FF), 4);
  EXPECT_EQ(qAlpha(list.Image(4).pixel(0, 0)), 0);
  EXPECT_EQ(list.Image(4).pixel(2, 2), Px(clLime));
  EXPECT_EQ(list.Add(QImage()), -1);
  EXPECT_TRUE(list.Image(99).isNull());
  EXPECT_TRUE(list.Icon(-1).isNull());
  // Replacing and deleting are changes too; an index outside the list changes nothing.
  int was = changes;
  list.Replace(1, Icon16(clBlue));
  list.Replace(99, Icon16(clBlue));
  EXPECT_EQ(changes, was + 1);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 4);
  list.Delete(17);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(changes, was + 2);
  const int before = changes;
  list.SetSize(24, 24);  // a new size clears
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(changes, before + 1);
}

TEST(ImgList_Override, DisabledVariantComputedOnAddAndReplace) {
  TImageList list(16, 16);
  list.Add(Icon16(clWhite));
  QImage dis = list.DisabledImage(0);
  EXPECT_EQ(dis.pixel(5, 5), Px(ImageListGrayColor(clWhite)));  // (211,211,211)
  EXPECT_EQ(dis.pixel(8, 8), Px(ImageListGrayColor(clBlack)));  // (126,126,126)
  EXPECT_EQ(qAlpha(dis.pixel(0, 0)), 0);
  list.Replace(0, Icon16(RGB(100, 100, 100)));
  dis = list.DisabledImage(0);
  EXPECT_EQ(dis.pixel(5, 5), Px(RGB(159, 159, 159)));
  // The icon carries the silhouette as its disabled pixmap.
  const QImage fromIcon = list.Icon(0).pixmap(16, 16, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(fromIcon.pixel(5, 5), Px(RGB(159, 159, 159)));
  const QImage normal = list.Icon(0).pixmap(16, 16, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(normal.pixel(5, 5), Px(RGB(100, 100, 100)));
}

TEST(ImgList_Override, DisabledDrawFillsWithBrushColour) {
  TImageList list(16, 16);
  list.Add(Icon16(clRed));
  QImage canvas(40, 20, QImage::Format_ARGB32);
  canvas.fill(Px(clLime));
  {
    QPainter p(&canvas);
    p.setBrush(QColor(0, 0, 255));
    list.Draw(p, 2, 2, 0, false);
    p.setBrush(Qt::NoBrush);
    list.Draw(p, 22, 2, 0, true);
  }
  canvas.save(QString::fromStdString(testsupport::ArtifactDir() + "/imagelist_disabled.png"));
  // Transparent area of the image overwritten by the brush colour.
  EXPECT_EQ(canvas.pixel(3, 3), qRgb(0, 0, 255));
  // Picture: the grey silhouette.
  EXPECT_EQ(canvas.pixel(2 + 5, 2 + 5), Px(ImageListGrayColor(clRed)));
  // Outside the image rectangle nothing changes.
  EXPECT_EQ(canvas.pixel(1, 1), Px(clLime));
  EXPECT_EQ(canvas.pixel(18, 18), Px(clLime));
  // Enabled drawing keeps transparency and colours.
  EXPECT_EQ(canvas.pixel(23, 3), Px(clLime));
  EXPECT_EQ(canvas.pixel(22 + 5, 2 + 5), Px(clRed));
}

TEST(ImgList_Override, OpaqueBitmapUsesLowerLeftColour) {
  QImage img(4, 4, QImage::Format_RGB32);
  img.fill(Px(clTeal));
  img.setPixel(1, 1, Px(clWhite));
  img.setPixel(2, 2, Px(clTeal));
  const QImage dis = MakeImageListDisabledImage(img);
  EXPECT_EQ(qAlpha(dis.pixel(0, 3)), 0);
  EXPECT_EQ(qAlpha(dis.pixel(2, 2)), 0);
  EXPECT_EQ(dis.pixel(1, 1), Px(RGB(211, 211, 211)));
  EXPECT_TRUE(MakeImageListDisabledImage(QImage()).isNull());
}

TEST(ImgList_Override, BatchedUpdatesNotifyOnceAndSignalFires) {
  TImageList list(8, 8);
  int notified = 0;
  QObject::connect(&list, &TImageList::Changed, [&] { ++notified; });
  list.BeginUpdate();
  list.BeginUpdate();
  for (int i = 0; i < 5; ++i) list.Add(QImage(8, 8, QImage::Format_ARGB32));
  list.EndUpdate();
  EXPECT_EQ(notified, 0);
  list.EndUpdate();
  EXPECT_EQ(notified, 1);
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(notified, 1);
  list.Clear();
  EXPECT_EQ(notified, 2);
  list.Clear();  // already empty: no change
  EXPECT_EQ(notified, 2);
  // The unbalanced EndUpdate left nothing behind: the next batch still holds its notification back.
  list.BeginUpdate();
  list.Add(QImage(8, 8, QImage::Format_ARGB32));
  EXPECT_EQ(notified, 2);
  list.EndUpdate();
  EXPECT_EQ(notified, 3);
}

// Pictures from icons and from dense screens keep the list's size: an icon gives the picture and its
// twice-as-dense one, and an image carrying a device-pixel ratio is still Width() x Height() pixels.
TEST(ImgList_Override, IconsAndDenseImagesKeepTheListsSize) {
  TImageList list(16, 16);
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(Icon16(clRed)));
  QImage big(32, 32, QImage::Format_ARGB32);
  big.fill(Px(clBlue));
  QPixmap bigPixmap = QPixmap::fromImage(big);
  bigPixmap.setDevicePixelRatio(2);
  icon.addPixmap(bigPixmap);
  const int i = list.AddIcon(icon);
  ASSERT_EQ(i, 0);
  EXPECT_EQ(list.Image(i).size(), QSize(16, 16));
  EXPECT_EQ(list.Image(i).devicePixelRatio(), 1.0);
  EXPECT_EQ(list.Image(i).pixel(5, 5), Px(clRed));
  ASSERT_EQ(list.Image2x(i).size(), QSize(32, 32));
  EXPECT_EQ(list.Image2x(i).pixel(5, 5), Px(clBlue));

  QImage dense = big;
  dense.setDevicePixelRatio(2);
  const int j = list.Add(dense);
  EXPECT_EQ(list.Image(j).size(), QSize(16, 16));
  EXPECT_EQ(list.Image(j).devicePixelRatio(), 1.0);
}
