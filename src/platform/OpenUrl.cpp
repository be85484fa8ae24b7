#include "platform/OpenUrl.h"

#include "platform/SystemServices.h"

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
  auto system = SystemServices().OpenUrl;
  return !Url.empty() && system && system(Url);
}

TOpenUrlFunc SetOpenUrlHook(TOpenUrlFunc Hook) {
  TOpenUrlFunc old = std::move(UrlHook());
  UrlHook() = std::move(Hook);
  return old;
}

bool IsControlKeyDown() {
  if (KeyHook()) return KeyHook()();
  auto system = SystemServices().IsControlKeyDown;
  return system && system();
}

TKeyStateFunc SetControlKeyStateHook(TKeyStateFunc Hook) {
  TKeyStateFunc old = std::move(KeyHook());
  KeyHook() = std::move(Hook);
  return old;
}

}  // namespace platform
