// A small message panel that slides up at the lower right corner of a form, stays for a while and
// frees itself, or goes at once when clicked. It is a child of the form, so it moves and hides
// with it.
//
// Timers (on the platform event loop, so tests drive them with a fake clock):
//   222  100 ms       slide step of Step pixels
//   333  DisplayTime  the dwell, only when DisplayTime >= 1
//   444  50 ms        after hiding: free the popup
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/Colors.h"
#include "platform/Timers.h"

class TImageList;
class QResizeEvent;

class TNotifyPopup : public QWidget {
  Q_OBJECT

 public:
  enum class State { Created, Sliding, Resting, Hidden };
  static constexpr int kSlideTimer = 222;
  static constexpr int kDwellTimer = 333;
  static constexpr int kReleaseTimer = 444;
  static constexpr int kSlideInterval = 100;
  static constexpr int kReleaseInterval = 50;

  // The owner form is the Target; the popup stays invisible until Popup.
  explicit TNotifyPopup(QWidget* target);
  ~TNotifyPopup() override;

  // ---- fields (defaults as the constructor sets them) ----
  int Radius = 0;
  platform::TColor BorderColor = 0x606060;
  int ImageIndex = 0;
  TImageList* Images = nullptr;
  int RestLeft = 0;
  int RestTop = 0;
  int Padding = 4;
  int DisplayTime = 15000;
  int MarginX = 3;
  int MarginY = 3;
  int Step = 10;

  QWidget* Target() const { return target_; }
  void SetText(const QString& text);
  QString Text() const { return text_; }
  // Background (default: the info background) and text colour (default: the info text).
  void SetColor(platform::TColor color);
  platform::TColor Color() const { return color_; }
  void SetFontColor(platform::TColor color);
  platform::TColor FontColor() const { return fontColor_; }

  // Raised by a click before the popup goes.
  std::function<void()> OnClick;

  // ---- operations ----
  virtual void AutoSizeToText();
  virtual void MoveBelowRest();
  virtual void StartSlide();
  virtual void StartDwell();
  virtual void SlideStep();
  virtual void DwellTimeout();
  virtual void Popup();
  // A click: OnClick, then hide and free 50 ms later.
  void Click();

  // The custom alignment: left and resting position from the parent's alignment rectangle.
  void AlignIn(const QRect& alignRect);
  // Keeps the popup at the parent's right edge when the parent is resized (anchored top and right),
  // or aligns it again while it is custom aligned.
  void ParentResized(QResizeEvent* event);

  State CurrentState() const { return state_; }
  bool ImageShown() const;
  // The size AutoSizeToText gives for the current text, font, padding and image.
  QSize SizeForText() const;
  // Number of slide ticks from below the rest to the rest for height h: ceil((h + MarginY) / Step).
  static int SlideTicks(int height, int marginY, int step = 10);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnTimer(int id);
  void HideAndRelease();

  QPointer<QWidget> target_;
  QString text_;
  platform::TColor color_;
  platform::TColor fontColor_;
  State state_ = State::Created;
  bool customAligned_ = true;
  bool pressed_ = false;
  std::unique_ptr<platform::TTimerSet> timers_;
};
