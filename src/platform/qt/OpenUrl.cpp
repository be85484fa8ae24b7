// Links open with the desktop's default handler (xdg-open and the like, through Qt).
#include "platform/OpenUrl.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QString>
#include <QUrl>

namespace platform {

namespace {
TOpenUrlFunc& UrlHook() {
  static TOpenUrlFunc hook;
  return hook;
}
TKeyStateFunc& KeyHook() {
  static TKeyStateFunc hook;
  return hook;
}
}  // namespace

bool OpenUrl(std::u16string_view Url) {
  if (UrlHook()) return UrlHook()(Url);
  if (Url.empty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  const QUrl url(QString::fromUtf16(Url.data(), static_cast<qsizetype>(Url.size())), QUrl::TolerantMode);
  if (!url.isValid()) return false;
  return QDesktopServices::openUrl(url);
}

TOpenUrlFunc SetOpenUrlHook(TOpenUrlFunc Hook) {
  TOpenUrlFunc old = std::move(UrlHook());
  UrlHook() = std::move(Hook);
  return old;
}

bool IsControlKeyDown() {
  if (KeyHook()) return KeyHook()();
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  return (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0;
}

TKeyStateFunc SetControlKeyStateHook(TKeyStateFunc Hook) {
  TKeyStateFunc old = std::move(KeyHook());
  KeyHook() = std::move(Hook);
  return old;
}

}  // namespace platform
