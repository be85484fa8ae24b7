#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>

#include "FormsTestSupport.h"
#include "TestSupport.h"
#include "platform/Timers.h"
#include "platform/qt/Drawing.h"
#include "platform/qt/QtColors.h"
#include "ui/BaseForm.h"
#include "ui/ImgList_Override.h"
#include "ui/uNotifyPopup.h"

using namespace platform;

namespace {

class NotifyPopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = Construct<TfrmBaseForm>();
    form->SetSettings(std::make_unique<TMemorySettings>());
    form->resize(400, 300);
    form->show();
    loop.ProcessPosted();
  }
  void TearDown() override { Destroy(form); }
  FakeEventLoop loop;
  ScopedEventLoop useLoop{loop};
  TfrmBaseForm* form = nullptr;
};

void Click(QWidget* w) {
  QPointF c(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, c, w->mapToGlobal(c), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, c, w->mapToGlobal(c), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

}  // namespace

TEST_F(NotifyPopupTest, DefaultsAndSizeFromTheLongestLine) {
  auto* p = new TNotifyPopup(form);
  EXPECT_EQ(p->Radius, 0);
  EXPECT_EQ(p->BorderColor, 0x606060u);
  EXPECT_EQ(p->Padding, 4);
  EXPECT_EQ(p->DisplayTime, 15000);
  EXPECT_EQ(p->MarginX, 3);
  EXPECT_EQ(p->MarginY, 3);
  EXPECT_EQ(p->size(), QSize(200, 10));
  EXPECT_EQ(p->Color(), clInfoBk);
  EXPECT_EQ(p->FontColor(), clInfoText);
  EXPECT_FALSE(p->isVisible());
  p->SetText("one\nthe longest line here\nx");
  p->AutoSizeToText();
  QFontMetrics fm(p->font());
  EXPECT_EQ(p->width(), 2 * 4 + fm.horizontalAdvance("the longest line here"));
  EXPECT_EQ(p->height(), 2 * 4 + 3 * fm.height());
  // A narrow popup still grows to its text: no word wrap.
  p->resize(20, 10);
  p->AutoSizeToText();
  EXPECT_EQ(p->width(), 2 * 4 + fm.horizontalAdvance("the longest line here"));
  // With an image: image width and one more padding; at least the image's height.
  TImageList images(16, 40);
  QImage pic(16, 40, QImage::Format_ARGB32);
  pic.fill(Qt::red);
  images.Add(pic);
  p->Images = &images;
  p->ImageIndex = 0;
  p->SetText("a");
  p->AutoSizeToText();
  EXPECT_EQ(p->width(), 2 * 4 + fm.horizontalAdvance("a") + 16 + 4);
  EXPECT_EQ(p->height(), 2 * 4 + 40);
  p->ImageIndex = -1;  // no image when the index is negative
  p->AutoSizeToText();
  EXPECT_EQ(p->height(), 2 * 4 + fm.height());
  p->Images = nullptr;
  delete p;
}

TEST_F(NotifyPopupTest, SlidesUpToRestDwellsHidesAndFreesItself) {
  TNotifyPopup* p = form->ShowNotify(1, "String \"x\" was not found!");
  QPointer<TNotifyPopup> alive(p);
  const int h = p->height();
  EXPECT_EQ(p->RestLeft, 400 - 3 - p->width());
  EXPECT_EQ(p->RestTop, 300 - 3 - h);
  EXPECT_EQ(p->x(), p->RestLeft);
  EXPECT_EQ(p->y(), p->RestTop + h + 3);  // on the bottom edge of the form
  EXPECT_TRUE(p->isVisible());
  EXPECT_EQ(p->CurrentState(), TNotifyPopup::State::Sliding);
  const int ticks = TNotifyPopup::SlideTicks(h, 3);
  EXPECT_EQ(ticks, (h + 3 + 9) / 10);
  loop.Advance(100 * (ticks - 1));
  EXPECT_GT(p->y(), p->RestTop);
  EXPECT_EQ(p->y(), p->RestTop + h + 3 - 10 * (ticks - 1));
  loop.Advance(100);
  EXPECT_EQ(p->y(), p->RestTop);
  EXPECT_EQ(p->CurrentState(), TNotifyPopup::State::Resting);
  loop.Advance(14999);
  EXPECT_TRUE(p->isVisible());
  loop.Advance(1);
  EXPECT_FALSE(p->isVisible());
  EXPECT_EQ(p->CurrentState(), TNotifyPopup::State::Hidden);
  loop.Advance(49);
  EXPECT_TRUE(alive);
  loop.Advance(1);
  EXPECT_FALSE(alive);
  EXPECT_EQ(loop.RunningTimers(), 0u);
}

TEST_F(NotifyPopupTest, ClickWhileSlidingHidesAtOnceAndFreesFiftyLater) {
  TNotifyPopup* p = form->ShowNotify(3, "gone");
  QPointer<TNotifyPopup> alive(p);
  int clicks = 0;
  p->OnClick = [&] { ++clicks; };
  loop.Advance(100);
  ASSERT_EQ(p->CurrentState(), TNotifyPopup::State::Sliding);
  Click(p);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(p->isVisible());
  loop.Advance(50);
  EXPECT_FALSE(alive);
}

TEST_F(NotifyPopupTest, DisplayTimeZeroRestsUntilClicked) {
  struct TStyling : TfrmBaseForm {
    void StyleNotifyPopup(TNotifyPopup* popup, int kind) override {
      popup->DisplayTime = kind == 2 ? 0 : 1000;
      popup->SetColor(0x00FF00);
    }
  };
  TStyling* f = Construct<TStyling>();
  f->SetSettings(std::make_unique<TMemorySettings>());
  f->resize(300, 200);
  f->show();
  TNotifyPopup* p = f->ShowNotify(2, "stay");
  QPointer<TNotifyPopup> alive(p);
  EXPECT_EQ(p->Color(), 0x00FF00u);
  loop.Advance(3600000);
  EXPECT_TRUE(p->isVisible());
  EXPECT_EQ(p->CurrentState(), TNotifyPopup::State::Resting);
  Click(p);
  loop.Advance(50);
  EXPECT_FALSE(alive);
  Destroy(f);
}

TEST_F(NotifyPopupTest, StaysAtTheRightEdgeWhenTheFormResizes) {
  TNotifyPopup* p = form->ShowNotify(1, "edge");
  loop.Advance(2000);
  const int fromRight = form->width() - p->x();
  form->resize(500, 300);
  EXPECT_EQ(form->width() - p->x(), fromRight);
  EXPECT_EQ(p->y(), p->RestTop);  // top anchored
}

TEST_F(NotifyPopupTest, OwnerDestroyedFirstTakesThePopupAlong) {
  TfrmBaseForm* f = Construct<TfrmBaseForm>();
  f->SetSettings(std::make_unique<TMemorySettings>());
  f->show();
  QPointer<TNotifyPopup> alive(f->ShowNotify(1, "x"));
  Destroy(f);
  EXPECT_FALSE(alive);
  loop.Advance(60000);  // no timer of the dead popup fires
}

TEST_F(NotifyPopupTest, PaintsFrameInBorderColorOverTheBackground) {
  auto* p = new TNotifyPopup(form);
  p->SetText("Notification popup\nsecond line");
  p->SetColor(RGB(0xFF, 0xFF, 0xE1));
  p->SetFontColor(clBlack);
  p->AutoSizeToText();
  QImage img = p->grab().toImage();
  img.save(QString::fromStdString(testsupport::ArtifactDir() + "/notify-popup-square.png"));
  EXPECT_EQ(img.pixelColor(0, 0), QColor(0x60, 0x60, 0x60));
  EXPECT_EQ(img.pixelColor(img.width() - 1, img.height() - 1), QColor(0x60, 0x60, 0x60));
  EXPECT_EQ(img.pixelColor(1, 1), QColor(0xFF, 0xFF, 0xE1));
  // Some text ink inside the padding.
  bool ink = false;
  for (int y = 4; y < img.height() - 4; ++y)
    for (int x = 4; x < img.width() - 4; ++x)
      if (img.pixelColor(x, y).lightness() < 128) ink = true;
  EXPECT_TRUE(ink);

  p->Radius = 10;
  p->BorderColor = clRed;
  QImage round = p->grab().toImage();
  round.save(QString::fromStdString(testsupport::ArtifactDir() + "/notify-popup-rounded.png"));
  // The corner pixel lies outside the rounded frame; the middle of the top edge is on it.
  EXPECT_NE(round.pixelColor(0, 0), QColor(Qt::red));
  EXPECT_EQ(round.pixelColor(round.width() / 2, 0), QColor(Qt::red));
  delete p;
}

TEST_F(NotifyPopupTest, SeveralPopupsLiveByTheirOwnTimers) {
  QPointer<TNotifyPopup> a(form->ShowNotify(1, "first"));
  loop.Advance(500);
  QPointer<TNotifyPopup> b(form->ShowNotify(1, "second"));
  b->DisplayTime = 0;
  loop.Advance(20000);
  EXPECT_FALSE(a);  // dwelt its 15 s and went
  ASSERT_TRUE(b);   // rests until clicked
  EXPECT_TRUE(b->isVisible());
  b->Click();
  loop.Advance(50);
  EXPECT_FALSE(b);
}
