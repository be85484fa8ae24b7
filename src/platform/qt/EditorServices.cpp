#include "platform/EditorServices.h"

#include <QChar>
#include <QClipboard>
#include <QGuiApplication>
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
