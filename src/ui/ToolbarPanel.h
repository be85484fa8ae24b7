// Three containers: TToolbarPanel, the strip that carries a row of toolbar buttons; TSimplePanel,
// a plain container that paints through an event; TStatusPanel, a status bar showing one text,
// with a size grip where the window can be resized from its corner.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "ui/ColorTools.h"

class QPainter;
class QSizeGrip;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

class TToolbarPanel : public QWidget {
 public:
  static constexpr int kHeight = 27;
  explicit TToolbarPanel(QWidget* parent = nullptr);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign a) { align_ = a; }
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int w);
  // The parent shows through; the panel paints nothing of its own.
  bool ParentBackground() const { return parentBackground_; }
  void SetParentBackground(bool on);
  TColor Color() const { return color_; }
  void SetColor(TColor c);

  std::function<void(TToolbarPanel*, QPainter&)> OnAfterPaint;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  TAlign align_ = alTop;
  int borderWidth_ = 0;
  bool parentBackground_ = false;
  TColor color_;
};

class TSimplePanel : public QWidget {
 public:
  explicit TSimplePanel(QWidget* parent = nullptr);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign a) { align_ = a; }
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int w);
  bool ParentBackground() const { return parentBackground_; }
  void SetParentBackground(bool on) { parentBackground_ = on; }

  std::function<void(TSimplePanel*, QPainter&)> OnPaint;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  TAlign align_ = alNone;
  int borderWidth_ = 0;
  bool parentBackground_ = false;
};

// Whether a status bar may show its size grip: the window can be resized, and the bar's lower
// right corner (in the window's client coordinates) is the window's client lower right corner.
bool StatusSizeGripValid(bool windowSizeable, QPoint barBottomRightExclusive, QSize windowClient);
// The text handed to the status window: right-to-left text gets two leading tabs, which make the
// status bar right-align it.
QString StatusWindowText(const QString& simpleText, bool rightToLeft);

class TStatusPanel : public QWidget {
 public:
  static constexpr int kHeight = 19;
  static constexpr int kSimplePart = 255;  // the part index of the simple text
  explicit TStatusPanel(QWidget* parent = nullptr);
  ~TStatusPanel() override;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign a) { align_ = a; }
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int w) { borderWidth_ = w; }
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  const QString& SimpleText() const { return simpleText_; }
  void SetSimpleText(const QString& text);
  // The text as the status window holds it, and its length (that of SimpleText).
  QString WindowText() const;
  int TextLength() const { return int(simpleText_.size()); }
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool on);
  bool SizeGripValid() const { return sizeGripValid_; }
  // Whether the grip is there now.
  bool GripShown() const;
  bool UseSystemFont() const { return useSystemFont_; }
  void SetUseSystemFont(bool on);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool on);
  // Stored only; nothing happens with them.
  bool AutoHint() const { return autoHint_; }
  void SetAutoHint(bool on) { autoHint_ = on; }
  std::function<void(TStatusPanel*, const QString&)> OnHint;

  std::function<void(TStatusPanel*, QPainter&, const QRect&)> OnDrawPanel, OnAfterPaint;

  // Re-evaluates SizeGripValid (also done whenever the panel or its window changes size).
  void UpdateSizeGripValid();

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void moveEvent(QMoveEvent*) override;
  void showEvent(QShowEvent*) override;
  void changeEvent(QEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void ApplySystemFont();
  void PlaceGrip();
  void WatchWindow();

  TAlign align_ = alBottom;
  int borderWidth_ = 0;
  TColor color_;
  QString simpleText_;
  bool sizeGrip_ = true;
  bool sizeGripValid_ = false;
  bool useSystemFont_ = true;
  bool parentFont_ = false;
  bool autoHint_ = false;
  bool applyingFont_ = false;
  QSizeGrip* grip_ = nullptr;
  QPointer<QWidget> watched_;
};
