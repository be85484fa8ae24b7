// The Qt half fills the plain half's service table as soon as a Qt application object starts, so
// every program, probe and test that makes one gets the desktop's event loop, clipboard, bitmaps
// and link handler without a call of its own. (The Qt platform library is linked whole, so this
// file's start-up registration is never dropped by the linker.)
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QString>
#include <QUrl>

#include "platform/SystemServices.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtPrinter.h"

namespace platform {

// platform/qt/QtClipboard.cpp
IClipboard* QtFormatClipboard();
void QtWriteClipboardTextAndData(std::u16string_view text,
                                 const std::vector<std::pair<std::string, std::string>>& data);

namespace {

IEventLoop* QtLoop() {
  if (!QCoreApplication::instance()) return nullptr;
  static QtEventLoop loop;
  return &loop;
}

QClipboard* Clipboard() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
  return QGuiApplication::clipboard();
}

// Whether the clipboard offers text, kept from the clipboard's change signal: asking a foreign owner
// on X11 is a round trip, and enabled states ask many times a second.
struct TClipboardState {
  QClipboard* clipboard = nullptr;
  bool known = false;
  bool hasText = false;
};

TClipboardState& ClipboardState() {
  static TClipboardState state;
  return state;
}

bool ClipboardHasText() {
  QClipboard* cb = Clipboard();
  if (!cb) return false;
  TClipboardState& state = ClipboardState();
  if (state.clipboard != cb) {
    state.clipboard = cb;
    state.known = false;
    QObject::connect(cb, &QClipboard::dataChanged, [] { ClipboardState().known = false; });
    QObject::connect(cb, &QObject::destroyed, [] { ClipboardState() = TClipboardState{}; });
  }
  if (!state.known) {
    const QMimeData* data = cb->mimeData();
    state.hasText = data && data->hasText();
    state.known = true;
  }
  return state.hasText;
}

std::u16string ReadClipboardText() {
  QClipboard* cb = Clipboard();
  if (!cb) return {};
  const QString text = cb->text();
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

void WriteClipboardText(std::u16string_view text) {
  QClipboard* cb = Clipboard();
  if (!cb || text.empty()) return;
  cb->setText(QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
}

bool LoadEditorBitmap(const std::string& Name, int& Scale, int& Width, int& Height,
                      std::vector<std::uint32_t>& Pixels) {
  if (Scale <= 0) {
    Scale = 1;
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
      if (app->devicePixelRatio() >= 1.5) Scale = 2;
  }
  const QString base = QStringLiteral(":/tessaryn/editor/") + QString::fromStdString(Name);
  QImage image(Scale >= 2 ? base + QStringLiteral("@2x.png") : base + QStringLiteral(".png"));
  if (image.isNull() && Scale >= 2) {
    Scale = 1;
    image.load(base + QStringLiteral(".png"));
  }
  if (image.isNull()) return false;
  image = image.convertToFormat(QImage::Format_ARGB32);
  Width = image.width();
  Height = image.height();
  Pixels.resize(static_cast<size_t>(Width) * Height);
  for (int y = 0; y < Height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < Width; ++x) Pixels[static_cast<size_t>(y) * Width + x] = line[x];
  }
  return true;
}

bool OpenUrl(std::u16string_view Url) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  const QUrl url(QString::fromUtf16(Url.data(), static_cast<qsizetype>(Url.size())), QUrl::TolerantMode);
  if (!url.isValid()) return false;
  return QDesktopServices::openUrl(url);
}

bool IsControlKeyDown() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  return (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0;
}

ICanvas* CreateMeasuringCanvas() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
  return new TQtMeasuringCanvas();
}

TQtPrinter* gPrinter = nullptr;

// Made on first use and freed with the application, before Qt's print support goes away.
IPrinter* DesktopPrinter() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
  if (!gPrinter) {
    gPrinter = new TQtPrinter();
    qAddPostRoutine([] {
      delete gPrinter;
      gPrinter = nullptr;
    });
  }
  return gPrinter;
}

void InstallQtServices() {
  TSystemServices services;
  services.EventLoop = &QtLoop;
  services.ClipboardHasText = &ClipboardHasText;
  services.ReadClipboardText = &ReadClipboardText;
  services.WriteClipboardText = &WriteClipboardText;
  services.WriteClipboardTextAndData = &QtWriteClipboardTextAndData;
  services.LoadEditorBitmap = &LoadEditorBitmap;
  services.OpenUrl = &OpenUrl;
  services.IsControlKeyDown = &IsControlKeyDown;
  services.PaletteSysColor = &QtPaletteSysColor;
  services.CreateMeasuringCanvas = &CreateMeasuringCanvas;
  services.Printer = &DesktopPrinter;
  services.FormatClipboard = &QtFormatClipboard;
  InstallSystemServices(services);
}

}  // namespace

}  // namespace platform

// Q_INIT_RESOURCE must be called from the global namespace.
static void InstallQtPlatformServices() {
  Q_INIT_RESOURCE(editor_resources);
  platform::InstallQtServices();
}
Q_COREAPP_STARTUP_FUNCTION(InstallQtPlatformServices)

// Named by the Qt platform library's link options so that every program linking it keeps this file.
extern "C" {
int tessaryn_qt_platform_services = 1;
}
