#include "platform/EditorServices.h"

#include <QChar>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QString>

namespace editorservices {

namespace {

bool IsSurrogate(char16_t ch) { return ch >= 0xD800 && ch <= 0xDFFF; }

char16_t KeepOneUnit(char16_t ch, char32_t mapped) {
  if (mapped > 0xFFFF || (mapped >= 0xD800 && mapped <= 0xDFFF)) return ch;
  return static_cast<char16_t>(mapped);
}

QClipboard* Clipboard() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
  return QGuiApplication::clipboard();
}

}  // namespace

char16_t FoldUnit(char16_t ch) {
  if (ch < 0x80) return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch + 32) : ch;
  if (IsSurrogate(ch)) return ch;
  return KeepOneUnit(ch, QChar::toCaseFolded(static_cast<char32_t>(ch)));
}

bool ClipboardHasText() {
  QClipboard* cb = Clipboard();
  if (!cb) return false;
  const QMimeData* data = cb->mimeData();
  return data && data->hasText();
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

}  // namespace editorservices

static void InitEditorResources() { Q_INIT_RESOURCE(editor_resources); }

namespace editorservices {

bool LoadEditorBitmap(const std::string& Name, int& Scale, int& Width, int& Height, std::vector<std::uint32_t>& Pixels) {
  static const bool initialised = (InitEditorResources(), true);
  (void)initialised;
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

}  // namespace editorservices
