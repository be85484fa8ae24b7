// Makes the links that the URI highlighter finds in an editor clickable: the hand cursor over a
// link, and a click (optionally only with Ctrl held) opens it with the desktop's default handler.
// The opener works only through the editor's handler chains and a few editor queries, declared
// below as the interface the editor control implements; the decisions are plain code that tests
// drive with synthetic events.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SynPadKbdHandler.h"
#include "editor/SynPadTypes.h"
#include "platform/OpenUrl.h"

class TSynHighlighterAttributes;
class TSynURISyn;

// What the opener needs of an editor control.
class TSynURIOpenerEditor {
 public:
  virtual ~TSynURIOpenerEditor() = default;
  // The editor's keyboard and mouse handler chains.
  virtual TSynPadKbdHandler& KbdHandler() = 0;
  // Whether the mouse cursor lies inside the client rectangle now.
  virtual bool MouseInClient() const = 0;
  // Asks the editor to recompute its mouse cursor (it then runs the mouse-cursor chain).
  virtual void UpdateMouseCursor() = 0;
  virtual bool Focused() const = 0;
  // The token covering a buffer position: found, its text, kind, start (Char of its first
  // character) and attribute.
  virtual bool GetTokenAtRowCol(const TBufferCoord& XY, std::u16string& Token, int& TokenType, int& Start,
                                TSynHighlighterAttributes*& Attri) = 0;
  // The editor option of drag-and-drop editing.
  virtual bool DragDropEditing() const = 0;
  virtual bool IsPointInSelection(const TBufferCoord& Value) const = 0;
  // Width of the gutter in client pixels.
  virtual int GutterWidth() const = 0;
  // A client pixel converted to a display position and then to a buffer position.
  virtual TBufferCoord PixelsToBufferPos(int X, int Y) const = 0;
  virtual void InvalidateLine(int Line) = 0;
};

// Told when a mail link that would attach a file is refused.
inline constexpr const char* SMailLinkAttachesFile =
    "This mail link asks the mail program to attach a file from this computer, so it was not opened.";

class TSynURIOpener : public TSynPersistent {
 public:
  // The cursor value of the hand cursor.
  static constexpr int crHandPoint = -21;
  // A press and release that far apart (or more) in x or y is a drag, not a click.
  static constexpr int ClickTolerance = 5;

  TSynURIOpener();
  ~TSynURIOpener() override;
  TSynURIOpener(const TSynURIOpener&) = delete;
  TSynURIOpener& operator=(const TSynURIOpener&) = delete;

  bool CtrlActivatesLinks() const { return fCtrlActivatesLinks; }
  void SetCtrlActivatesLinks(bool Value) { fCtrlActivatesLinks = Value; }
  // Moves the five handlers from the old editor to the new one.
  TSynURIOpenerEditor* Editor() const { return fEditor; }
  void SetEditor(TSynURIOpenerEditor* Value);
  // Installs the visited-link test as the highlighter's callback. Openers on one highlighter share
  // one visited list, so a link opened through either shows as visited in both.
  TSynURISyn* URIHighlighter() const { return fURIHighlighter; }
  void SetURIHighlighter(TSynURISyn* Value);
  // The owner calls this before it destroys the editor or the highlighter the opener refers to.
  void Notification(const void* Component);

  // The link at a buffer position: a token was found, the URI highlighter is set, the token has its
  // URI or Visited URI attribute and a link kind (2-12), and it does not lie in the selection while
  // drag-and-drop editing is on.
  bool LinkAt(const TBufferCoord& Pos, std::u16string& Text, int& Kind);
  // The text handed to the desktop: "mailto:" before an e-mail address that lacks it, "http://"
  // before a "www" link; empty when the result does not begin with a scheme of the prefix table.
  static std::u16string LinkTarget(std::u16string_view Text, int Kind);
  // True for a mail link that asks the mail program to attach a file: a parameter whose name begins
  // with "attach" anywhere after "mailto:" (after "?", "&" or ";"), in any letter case,
  // percent-encoded or not, NUL characters in it not counted.
  static bool AttachesAFile(std::u16string_view target);
  // Adds the text to the visited list and opens its target; false when nothing was opened. A mail
  // link that attaches a file is refused with SMailLinkAttachesFile instead.
  bool OpenLink(std::u16string_view Text, int Kind);
  // Compared without regard to letter case.
  bool IsVisited(std::u16string_view Text) const;
  std::vector<std::u16string> VisitedLinks() const;

  // The five handlers (public so the editor wiring and the tests can call them directly).
  void EditorKeyDown(TSynPersistent* Sender, std::uint16_t& Key, vk::TShiftState Shift);
  void EditorKeyUp(TSynPersistent* Sender, std::uint16_t& Key, vk::TShiftState Shift);
  void EditorMouseCursor(TSynPersistent* Sender, const TBufferCoord& LineCharPos, int& Cursor);
  void EditorMouseDown(TSynPersistent* Sender, TSynMouseButton Button, vk::TShiftState Shift, int X, int Y);
  void EditorMouseUp(TSynPersistent* Sender, TSynMouseButton Button, vk::TShiftState Shift, int X, int Y);

  bool CtrlDown() const { return fCtrlDown; }

  // How links are opened and how the Ctrl key is read; the platform's by default.
  platform::TOpenUrlFunc OpenURLFunc;
  platform::TKeyStateFunc CtrlKeyState;

  struct TVisitedList;

 private:
  void HookEditor();
  void UnhookEditor();

  bool fCtrlDown = false;
  bool fCtrlActivatesLinks = true;
  TSynURIOpenerEditor* fEditor = nullptr;
  int fMouseDownX = 0;
  int fMouseDownY = 0;
  bool fMouseDownValid = false;
  TSynURISyn* fURIHighlighter = nullptr;
  std::shared_ptr<TVisitedList> fVisited;
};
