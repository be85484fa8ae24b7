// Tray backend over QSystemTrayIcon.
#include "platform/TrayBackend.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace platform {

namespace {

QIcon ToQIcon(const TrayImage& image) {
  if (image.Empty()) return QIcon();
  QImage img(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
    const std::uint32_t* src = image.argb.data() + std::size_t(y) * image.width;
    std::copy(src, src + image.width, line);
  }
  return QIcon(QPixmap::fromImage(img));
}

class QtTrayBackend final : public ITrayBackend {
 public:
  QtTrayBackend() {
    QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
      if (!OnActivated) return;
      switch (reason) {
        case QSystemTrayIcon::Trigger:
          OnActivated(TrayActivation::Trigger);
          break;
        case QSystemTrayIcon::DoubleClick:
          OnActivated(TrayActivation::DoubleClick);
          break;
        case QSystemTrayIcon::MiddleClick:
          OnActivated(TrayActivation::MiddleClick);
          break;
        case QSystemTrayIcon::Context:
          OnActivated(TrayActivation::Context);
          break;
        default:
          break;
      }
    });
  }

  bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

  bool Add(const TrayIconData& data) override {
    // Without a notification area show() would only warn and leave nothing to click on.
    if (!Available()) return false;
    Apply(data);
    icon_.show();
    return icon_.isVisible();
  }

  void Modify(const TrayIconData& data) override {
    if (icon_.isVisible()) Apply(data);
  }

  bool Delete(int) override {
    const bool was = icon_.isVisible();
    icon_.hide();
    return was;
  }

 private:
  // A tray entry without a picture cannot be shown at all; until the real picture arrives the
  // program's own window icon, or a plain square, stands in.
  static QIcon StandIn() {
    QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) return icon;
    QPixmap square(16, 16);
    square.fill(QApplication::palette().color(QPalette::Highlight));
    return QIcon(square);
  }

  void Apply(const TrayIconData& data) {
    QIcon icon = data.hasIcon ? ToQIcon(data.icon) : QIcon();
    icon_.setIcon(icon.isNull() ? StandIn() : icon);
    icon_.setToolTip(data.hasTip ? QString::fromUtf8(data.tip.c_str(), int(data.tip.size())) : QString());
  }

  QSystemTrayIcon icon_;
};

}  // namespace

std::unique_ptr<ITrayBackend> CreateTrayBackend() {
  return std::make_unique<QtTrayBackend>();
}

bool TrayAvailable() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace platform
