// The program's image list: images of one size, each kept with its disabled variant, a flat
// light-grey silhouette that is computed once when the image enters the list (and again when it
// is replaced), never while painting. Drawing a disabled image fills the image's rectangle with the
// painter's brush colour and puts the silhouette on it; the icon of an image carries the
// silhouette as its disabled pixmap, so menus, trees and buttons show the same grey look.
#pragma once

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <functional>
#include <vector>

#include "ui/ColorTools.h"

class QPainter;

class TImageList : public QObject {
  Q_OBJECT

 public:
  explicit TImageList(int width = 16, int height = 16, QObject* parent = nullptr);
  ~TImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing the size clears the list.
  void SetSize(int width, int height);
  int Count() const { return int(entries_.size()); }

  // Adds one image, or every image of a horizontal strip whose width is a multiple of Width() and
  // whose height is Height(); any other size is scaled to the list's size. Returns the index of the
  // first image added, -1 for a null image.
  int Add(const QImage& image);
  // The same with the pictures for a screen of twice the density (a strip of the same images at
  // twice the size); icons and drawing then use them where the screen asks for them.
  int Add(const QImage& image, const QImage& image2x);
  // As Add; pixels of maskColor (0x00BBGGRR) become transparent.
  int AddMasked(const QImage& image, TColor maskColor);
  int AddIcon(const QIcon& icon);
  // Out-of-range indices are ignored.
  void Replace(int index, const QImage& image);
  void Delete(int index);
  void Clear();

  // ARGB32 images; a null image for an index out of range.
  QImage Image(int index) const;
  QImage DisabledImage(int index) const;
  // The picture at twice the density; a null image when the entry has none.
  QImage Image2x(int index) const;
  // Normal and disabled pixmaps; a null icon for an index out of range.
  QIcon Icon(int index) const;

  // Draws image index at (x, y). Disabled: the image's rectangle takes the painter's brush colour
  // (unless the brush is empty), then the grey silhouette.
  void Draw(QPainter& painter, int x, int y, int index, bool enabled = true) const;

  // Batches changes: one change notification when the outermost EndUpdate runs.
  void BeginUpdate();
  void EndUpdate();

  // Called after every change of the list (as is the Changed signal).
  std::function<void()> OnChange;

 signals:
  void Changed();

 private:
  struct Entry {
    QImage image;
    QImage image2x;  // null when the image has no picture at twice the density
    QImage disabled;
    mutable QIcon icon;  // built on first request
  };
  Entry MakeEntry(const QImage& image) const;
  QImage Fit(const QImage& image) const;
  void NotifyChange();

  int width_;
  int height_;
  std::vector<Entry> entries_;
  int updateCount_ = 0;
  bool changedWhileUpdating_ = false;
};

// The disabled silhouette of an image as the program's image list draws it: fully transparent
// pixels stay transparent, and so, in an opaque bitmap, do the pixels of its lower left pixel's
// colour; every other pixel becomes the opaque ImageListGrayColor of its colour laid on black
// (where drawing the image without a background leaves it).
QImage MakeImageListDisabledImage(const QImage& image);
