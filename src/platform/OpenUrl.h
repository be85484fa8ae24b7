// What the link opener needs of the desktop: opening a link with the desktop's default handler, and
// whether the Ctrl key is held right now. Both can be replaced (tests record the calls instead of
// starting a browser or a mail program).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

using TOpenUrlFunc = std::function<bool(std::u16string_view Url)>;
using TKeyStateFunc = std::function<bool()>;

// Opens the link with the desktop's default handler (through the installed hook when there is one).
// False when nothing could take it.
bool OpenUrl(std::u16string_view Url);
// Installs a replacement for OpenUrl (an empty function restores the desktop); returns the previous.
TOpenUrlFunc SetOpenUrlHook(TOpenUrlFunc Hook);

// True while a Ctrl key is down (the hook's answer when one is installed). Without a running GUI
// application the answer is false.
bool IsControlKeyDown();
TKeyStateFunc SetControlKeyStateHook(TKeyStateFunc Hook);

}  // namespace platform
