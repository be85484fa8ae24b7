#include "highlighters/SynURIOpener.h"

#include <cstdlib>
#include <map>
#include <set>

#include "editor/SynUnicode.h"
#include "highlighters/SynHighlighterURI.h"
#include "platform/Application.h"
#include "platform/UIServices.h"

struct TSynURIOpener::TVisitedList {
  struct Less {
    bool operator()(const std::u16string& a, const std::u16string& b) const { return WideCompareText(a, b) < 0; }
  };
  std::set<std::u16string, Less> Items;
};

namespace {

// The visited list each URI highlighter's openers share. Weak, so the list goes with its last opener.
std::map<const TSynURISyn*, std::weak_ptr<TSynURIOpener::TVisitedList>>& SharedLists() {
  static std::map<const TSynURISyn*, std::weak_ptr<TSynURIOpener::TVisitedList>> lists;
  return lists;
}

enum : std::uintptr_t { tagKeyDown = 1, tagKeyUp, tagMouseCursor, tagMouseDown, tagMouseUp };

bool StartsWithText(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && WideCompareText(text.substr(0, prefix.size()), prefix) == 0;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The text with every "%" and two hex digits decoded, once.
std::u16string PercentDecoded(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char16_t>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A parameter name of a link, percent-decoded, without NUL characters (which a mail program may
// drop as well) and in lower case (ASCII is all a name may match).
std::u16string ParameterName(std::u16string_view text) {
  std::u16string name = PercentDecoded(text);
  std::erase(name, u'\0');
  for (char16_t& c : name)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  const size_t first = name.find_first_not_of(u" \t");
  const size_t last = name.find_last_not_of(u" \t");
  return first == std::u16string::npos ? std::u16string() : name.substr(first, last - first + 1);
}

// True when a piece of the text between separators ("?", "&", ";") is a parameter whose name begins
// with "attach" ("attach", "attachment", "attachments", ...), or is "attach" or "attachment" without
// a value. A piece without "=" that merely begins so is an address ("attachments@firm.org").
bool NamesAnAttachment(std::u16string_view rest) {
  while (!rest.empty()) {
    const size_t end = rest.find_first_of(u"?&;");
    const std::u16string_view parameter = rest.substr(0, end);
    const size_t equals = parameter.find(u'=');
    const std::u16string name = ParameterName(parameter.substr(0, equals));
    if (equals != std::u16string_view::npos ? name.starts_with(u"attach") : name == u"attach" || name == u"attachment")
      return true;
    if (end == std::u16string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return false;
}

}  // namespace

bool TSynURIOpener::AttachesAFile(std::u16string_view target) {
  if (!StartsWithText(target, u"mailto:")) return false;
  // Every piece is looked at, the address too, as written and once decoded: mail programs differ in
  // where they take the parameters to start ("?", or a bare "&" or ";" after the address) and in
  // whether they decode before they split.
  const std::u16string_view rest = target.substr(7);
  return NamesAnAttachment(rest) || NamesAnAttachment(PercentDecoded(rest));
}

TSynURIOpener::TSynURIOpener()
    : OpenURLFunc([](std::u16string_view url) { return platform::OpenUrl(url); }),
      CtrlKeyState([] { return platform::IsControlKeyDown(); }),
      fVisited(std::make_shared<TVisitedList>()) {}

TSynURIOpener::~TSynURIOpener() {
  SetEditor(nullptr);
  SetURIHighlighter(nullptr);
}

void TSynURIOpener::HookEditor() {
  TSynPadKbdHandler& k = fEditor->KbdHandler();
  k.AddKeyDownHandler(SynHandler<TSynKeyEvent>(
      this, [this](TSynPersistent* s, std::uint16_t& key, vk::TShiftState sh) { EditorKeyDown(s, key, sh); },
      tagKeyDown));
  k.AddKeyUpHandler(SynHandler<TSynKeyEvent>(
      this, [this](TSynPersistent* s, std::uint16_t& key, vk::TShiftState sh) { EditorKeyUp(s, key, sh); }, tagKeyUp));
  k.AddMouseCursorHandler(SynHandler<TSynMouseCursorEvent>(
      this, [this](TSynPersistent* s, const TBufferCoord& p, int& c) { EditorMouseCursor(s, p, c); }, tagMouseCursor));
  k.AddMouseDownHandler(SynHandler<TSynMouseEvent>(
      this,
      [this](TSynPersistent* s, TSynMouseButton b, vk::TShiftState sh, int x, int y) {
        EditorMouseDown(s, b, sh, x, y);
      },
      tagMouseDown));
  k.AddMouseUpHandler(SynHandler<TSynMouseEvent>(
      this,
      [this](TSynPersistent* s, TSynMouseButton b, vk::TShiftState sh, int x, int y) { EditorMouseUp(s, b, sh, x, y); },
      tagMouseUp));
}

void TSynURIOpener::UnhookEditor() {
  TSynPadKbdHandler& k = fEditor->KbdHandler();
  k.RemoveKeyDownHandler(SynHandler<TSynKeyEvent>(this, nullptr, tagKeyDown));
  k.RemoveKeyUpHandler(SynHandler<TSynKeyEvent>(this, nullptr, tagKeyUp));
  k.RemoveMouseCursorHandler(SynHandler<TSynMouseCursorEvent>(this, nullptr, tagMouseCursor));
  k.RemoveMouseDownHandler(SynHandler<TSynMouseEvent>(this, nullptr, tagMouseDown));
  k.RemoveMouseUpHandler(SynHandler<TSynMouseEvent>(this, nullptr, tagMouseUp));
}

void TSynURIOpener::SetEditor(TSynURIOpenerEditor* Value) {
  if (Value == fEditor) return;
  if (fEditor) UnhookEditor();
  fEditor = Value;
  fMouseDownValid = false;
  if (fEditor) HookEditor();
}

void TSynURIOpener::SetURIHighlighter(TSynURISyn* Value) {
  if (Value == fURIHighlighter) return;
  if (fURIHighlighter) {
    auto& lists = SharedLists();
    // The last opener of a highlighter takes its callback away; the others keep it.
    if (fVisited.use_count() == 1) {
      fURIHighlighter->SetAlreadyVisitedURIFunc(nullptr);
      lists.erase(fURIHighlighter);
    }
    fVisited = std::make_shared<TVisitedList>(*fVisited);
  }
  fURIHighlighter = Value;
  if (!fURIHighlighter) return;
  auto& slot = SharedLists()[fURIHighlighter];
  if (auto shared = slot.lock()) {
    shared->Items.insert(fVisited->Items.begin(), fVisited->Items.end());
    fVisited = std::move(shared);
  } else {
    slot = fVisited;
  }
  std::weak_ptr<TVisitedList> list = fVisited;
  fURIHighlighter->SetAlreadyVisitedURIFunc([list](std::u16string_view uri) {
    const auto l = list.lock();
    return l && l->Items.count(std::u16string(uri)) > 0;
  });
}

void TSynURIOpener::Notification(const void* Component) {
  if (Component == nullptr) return;
  if (Component == fEditor) SetEditor(nullptr);
  if (Component == fURIHighlighter) SetURIHighlighter(nullptr);
}

bool TSynURIOpener::IsVisited(std::u16string_view Text) const {
  return fVisited->Items.count(std::u16string(Text)) > 0;
}

std::vector<std::u16string> TSynURIOpener::VisitedLinks() const {
  return {fVisited->Items.begin(), fVisited->Items.end()};
}

bool TSynURIOpener::LinkAt(const TBufferCoord& Pos, std::u16string& Text, int& Kind) {
  if (!fEditor || !fURIHighlighter) return false;
  std::u16string token;
  int kind = 0, start = 0;
  TSynHighlighterAttributes* attr = nullptr;
  if (!fEditor->GetTokenAtRowCol(Pos, token, kind, start, attr) || token.empty()) return false;
  if (attr == nullptr || (attr != fURIHighlighter->URIAttri && attr != fURIHighlighter->VisitedURIAttri)) return false;
  if (kind < TSynURISyn::tkFtpLink || kind > TSynURISyn::tkWebLink) return false;
  if (fEditor->DragDropEditing() && fEditor->IsPointInSelection(Pos)) return false;
  Text = std::move(token);
  Kind = kind;
  return true;
}

std::u16string TSynURIOpener::LinkTarget(std::u16string_view Text, int Kind) {
  std::u16string target(Text);
  if (Kind == TSynURISyn::tkMailtoLink && !StartsWithText(Text, u"mailto:")) target = u"mailto:" + target;
  if (Kind == TSynURISyn::tkWebLink && !StartsWithText(Text, u"http://")) target = u"http://" + target;
  // Only the schemes the highlighter knows ever reach the desktop.
  for (int slot = 0; slot < 16; ++slot) {
    const auto prefix = TSynURISyn::PrefixOfSlot(slot);
    if (prefix.empty() || prefix == u"www") continue;
    if (StartsWithText(target, prefix) && target.size() > prefix.size()) return target;
  }
  return {};
}

bool TSynURIOpener::OpenLink(std::u16string_view Text, int Kind) {
  if (Kind < TSynURISyn::tkFtpLink || Kind > TSynURISyn::tkWebLink) return false;
  const std::u16string target = LinkTarget(Text, Kind);
  if (target.empty()) return false;
  if (AttachesAFile(target)) {
    // Some mail programs attach the named local file to the new message: the link could send a
    // file of the user's away, so it is refused.
    platform::UI().MessageBox(SMailLinkAttachesFile, platform::Application().Title, platform::MsgButtons::Ok,
                              platform::MsgIcon::Warning);
    return false;
  }
  fVisited->Items.insert(std::u16string(Text));
  return OpenURLFunc && OpenURLFunc(target);
}

void TSynURIOpener::EditorKeyDown(TSynPersistent*, std::uint16_t& Key, vk::TShiftState) {
  if (Key == vk::VK_CONTROL && !fCtrlDown && fEditor && fEditor->MouseInClient()) {
    fCtrlDown = true;
    fEditor->UpdateMouseCursor();
  }
}

void TSynURIOpener::EditorKeyUp(TSynPersistent*, std::uint16_t& Key, vk::TShiftState) {
  if (Key == vk::VK_CONTROL && fCtrlDown) {
    fCtrlDown = false;
    if (fEditor) fEditor->UpdateMouseCursor();
  }
}

void TSynURIOpener::EditorMouseCursor(TSynPersistent*, const TBufferCoord& LineCharPos, int& Cursor) {
  fCtrlDown = CtrlKeyState && CtrlKeyState();
  if ((fCtrlActivatesLinks && !fCtrlDown) || !fEditor || !fEditor->Focused()) return;
  std::u16string text;
  int kind = 0;
  if (LinkAt(LineCharPos, text, kind)) Cursor = crHandPoint;
}

void TSynURIOpener::EditorMouseDown(TSynPersistent*, TSynMouseButton Button, vk::TShiftState Shift, int X, int Y) {
  const bool ctrl = fCtrlDown || (Shift & vk::ssCtrl) != 0;
  if ((Button == mbLeft && !fCtrlActivatesLinks) || ctrl) {
    fMouseDownX = X;
    fMouseDownY = Y;
    fMouseDownValid = true;
  }
}

void TSynURIOpener::EditorMouseUp(TSynPersistent*, TSynMouseButton Button, vk::TShiftState Shift, int X, int Y) {
  const bool ctrl = fCtrlDown || (Shift & vk::ssCtrl) != 0;
  // A release without a press that was remembered is no click of ours.
  const bool pressed = fMouseDownValid;
  fMouseDownValid = false;
  if (Button != mbLeft || (fCtrlActivatesLinks && !ctrl) || !pressed || !fEditor) return;
  if (std::abs(X - fMouseDownX) >= ClickTolerance || std::abs(Y - fMouseDownY) >= ClickTolerance) return;
  if (X < fEditor->GutterWidth()) return;
  const TBufferCoord pos = fEditor->PixelsToBufferPos(X, Y);
  std::u16string text;
  int kind = 0;
  if (!LinkAt(pos, text, kind)) return;
  OpenLink(text, kind);
  fEditor->InvalidateLine(pos.Line);
}
