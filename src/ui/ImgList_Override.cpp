#include "ui/ImgList_Override.h"

#include <QPainter>

#include "ui/GlyphBase.h"

QImage MakeImageListDisabledImage(const QImage& source) {
  if (source.isNull() || source.width() <= 0 || source.height() <= 0) return QImage();
  // Drawing the image into a fresh (black) bitmap without background, as the list draws it.
  QImage onBlack(source.size(), QImage::Format_ARGB32);
  onBlack.fill(Qt::black);
  {
    QPainter p(&onBlack);
    p.drawImage(0, 0, source);
  }
  const QImage src = source.convertToFormat(QImage::Format_ARGB32);
  QImage out(source.size(), QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  // An image with real transparency keeps exactly its transparent pixels; an opaque bitmap uses its
  // lower left pixel's colour as the transparent one.
  const bool alphaImage = qAlpha(GlyphTransparentPixel(src)) == 0;
  const QRgb transparent = onBlack.pixel(0, onBlack.height() - 1) | 0xFF000000u;
  const int w = out.width();
  for (int y = 0; y < out.height(); ++y) {
    const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    const auto* b = reinterpret_cast<const QRgb*>(onBlack.constScanLine(y));
    auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const QRgb drawn = b[x] | 0xFF000000u;
      if (qAlpha(s[x]) == 0 || (!alphaImage && drawn == transparent)) continue;
      o[x] = ColorToPixel(ImageListGrayColor(PixelToColor(drawn)));
    }
  }
  return out;
}

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), width_(width > 0 ? width : 16), height_(height > 0 ? height : 16) {}

TImageList::~TImageList() = default;

void TImageList::SetSize(int width, int height) {
  if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
  width_ = width;
  height_ = height;
  entries_.clear();
  NotifyChange();
}

QImage TImageList::Fit(const QImage& image) const {
  QImage img = image.convertToFormat(QImage::Format_ARGB32);
  // Entries are pictures of the list's size in pixels; a picture made for a dense screen would
  // otherwise keep its ratio and be drawn at a fraction of that size.
  img.setDevicePixelRatio(1);
  if (img.width() != width_ || img.height() != height_)
    img = img.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
              .convertToFormat(QImage::Format_ARGB32);
  return img;
}

TImageList::Entry TImageList::MakeEntry(const QImage& image) const {
  Entry e;
  e.image = Fit(image);
  e.disabled = MakeImageListDisabledImage(e.image);
  return e;
}

int TImageList::Add(const QImage& image) {
  if (image.isNull()) return -1;
  const int first = Count();
  if (image.height() == height_ && image.width() > width_ && image.width() % width_ == 0) {
    for (int x = 0; x < image.width(); x += width_) entries_.push_back(MakeEntry(image.copy(x, 0, width_, height_)));
  } else {
    entries_.push_back(MakeEntry(image));
  }
  NotifyChange();
  return first;
}

int TImageList::Add(const QImage& image, const QImage& image2x) {
  const int first = Add(image);
  if (first < 0 || image2x.isNull()) return first;
  const int w2 = width_ * 2, h2 = height_ * 2;
  const QImage big = image2x.convertToFormat(QImage::Format_ARGB32);
  for (int i = first, x = 0; i < Count() && x + w2 <= big.width(); ++i, x += w2) {
    entries_[std::size_t(i)].image2x = big.copy(x, 0, w2, h2);
    entries_[std::size_t(i)].icon = QIcon();
  }
  return first;
}

int TImageList::AddMasked(const QImage& image, TColor maskColor) {
  if (image.isNull()) return -1;
  QImage img = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb mask = ColorToPixel(ResolveColor(maskColor)) & 0x00FFFFFFu;
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x)
      if ((line[x] & 0x00FFFFFFu) == mask) line[x] = 0;
  }
  return Add(img);
}

int TImageList::AddIcon(const QIcon& icon) {
  if (icon.isNull()) return -1;
  const QSize size(width_, height_);
  QImage big = icon.pixmap(size, 2.0).toImage();
  big.setDevicePixelRatio(1);
  if (big.size() != size * 2) big = big.scaled(size * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return Add(icon.pixmap(size, 1.0).toImage(), big);
}

void TImageList::Replace(int index, const QImage& image) {
  if (index < 0 || index >= Count() || image.isNull()) return;
  entries_[std::size_t(index)] = MakeEntry(image);
  NotifyChange();
}

void TImageList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  entries_.erase(entries_.begin() + index);
  NotifyChange();
}

void TImageList::Clear() {
  if (entries_.empty()) return;
  entries_.clear();
  NotifyChange();
}

QImage TImageList::Image(int index) const {
  return index >= 0 && index < Count() ? entries_[std::size_t(index)].image : QImage();
}

QImage TImageList::Image2x(int index) const {
  return index >= 0 && index < Count() ? entries_[std::size_t(index)].image2x : QImage();
}

QImage TImageList::DisabledImage(int index) const {
  return index >= 0 && index < Count() ? entries_[std::size_t(index)].disabled : QImage();
}

QIcon TImageList::Icon(int index) const {
  if (index < 0 || index >= Count()) return QIcon();
  const Entry& e = entries_[std::size_t(index)];
  if (e.icon.isNull()) {
    e.icon.addPixmap(QPixmap::fromImage(e.image), QIcon::Normal);
    if (!e.image2x.isNull()) {
      QPixmap big = QPixmap::fromImage(e.image2x);
      big.setDevicePixelRatio(2);
      e.icon.addPixmap(big, QIcon::Normal);
    }
    e.icon.addPixmap(QPixmap::fromImage(e.disabled), QIcon::Disabled);
  }
  return e.icon;
}

void TImageList::Draw(QPainter& painter, int x, int y, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  const Entry& e = entries_[std::size_t(index)];
  if (enabled) {
    if (!e.image2x.isNull() && painter.device() && painter.device()->devicePixelRatioF() >= 1.5)
      painter.drawImage(QRect(x, y, width_, height_), e.image2x);
    else
      painter.drawImage(x, y, e.image);
    return;
  }
  if (painter.brush().style() != Qt::NoBrush) painter.fillRect(x, y, width_, height_, painter.brush().color());
  painter.drawImage(x, y, e.disabled);
}

void TImageList::BeginUpdate() {
  ++updateCount_;
}

void TImageList::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && changedWhileUpdating_) {
    changedWhileUpdating_ = false;
    NotifyChange();
  }
}

void TImageList::NotifyChange() {
  if (updateCount_ > 0) {
    changedWhileUpdating_ = true;
    return;
  }
  if (OnChange) OnChange();
  emit Changed();
}
