#include "editor/SynPadKbdHandler.h"

namespace {

// Sets the in-progress flag for the duration of one chain run, exceptions included.
class InProgress {
 public:
  explicit InProgress(bool& f) : f_(f) { f_ = true; }
  ~InProgress() { f_ = false; }
  InProgress(const InProgress&) = delete;
  InProgress& operator=(const InProgress&) = delete;

 private:
  bool& f_;
};

}  // namespace

void TSynPadKbdHandler::ExecuteKeyPress(TSynPersistent* Sender, char16_t& Key) {
  if (fInKeyPress) return;
  InProgress guard(fInKeyPress);
  for (const auto& h : fKeyPressChain.NewestFirst()) {
    h.Event(Sender, Key);
    if (Key == 0) return;
  }
}

void TSynPadKbdHandler::ExecuteKeyDown(TSynPersistent* Sender, std::uint16_t& Key, vk::TShiftState Shift) {
  if (fInKeyDown) return;
  InProgress guard(fInKeyDown);
  for (const auto& h : fKeyDownChain.NewestFirst()) {
    h.Event(Sender, Key, Shift);
    if (Key == 0) return;
  }
}

void TSynPadKbdHandler::ExecuteKeyUp(TSynPersistent* Sender, std::uint16_t& Key, vk::TShiftState Shift) {
  if (fInKeyUp) return;
  InProgress guard(fInKeyUp);
  for (const auto& h : fKeyUpChain.NewestFirst()) {
    h.Event(Sender, Key, Shift);
    if (Key == 0) return;
  }
}

void TSynPadKbdHandler::ExecuteMouseDown(TSynPersistent* Sender, TSynMouseButton Button, vk::TShiftState Shift, int X,
                                         int Y) {
  if (fInMouseDown) return;
  InProgress guard(fInMouseDown);
  for (const auto& h : fMouseDownChain.NewestFirst()) h.Event(Sender, Button, Shift, X, Y);
}

void TSynPadKbdHandler::ExecuteMouseUp(TSynPersistent* Sender, TSynMouseButton Button, vk::TShiftState Shift, int X,
                                       int Y) {
  if (fInMouseUp) return;
  InProgress guard(fInMouseUp);
  for (const auto& h : fMouseUpChain.NewestFirst()) h.Event(Sender, Button, Shift, X, Y);
}

void TSynPadKbdHandler::ExecuteMouseCursor(TSynPersistent* Sender, const TBufferCoord& LineCharPos, int& Cursor) {
  if (fInMouseCursor) return;
  InProgress guard(fInMouseCursor);
  for (const auto& h : fMouseCursorChain.NewestFirst()) h.Event(Sender, LineCharPos, Cursor);
}
