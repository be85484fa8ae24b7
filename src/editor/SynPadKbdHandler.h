// The chains of keyboard and mouse handlers that plug-ins hang into the editor control. Handlers run
// from the newest to the oldest; a chain never re-enters itself; the key chains stop at the first
// handler that consumes the key (sets it to 0).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "editor/SynPadTypes.h"
#include "platform/VirtualKeys.h"

enum TSynMouseButton { mbLeft, mbRight, mbMiddle };

using TSynKeyPressEvent = std::function<void(TSynPersistent* Sender, char16_t& Key)>;
using TSynKeyEvent = std::function<void(TSynPersistent* Sender, std::uint16_t& Key, vk::TShiftState Shift)>;
using TSynMouseEvent =
    std::function<void(TSynPersistent* Sender, TSynMouseButton Button, vk::TShiftState Shift, int X, int Y)>;
using TSynMouseCursorEvent = std::function<void(TSynPersistent* Sender, const TBufferCoord& LineCharPos, int& Cursor)>;

// A handler with an explicit identity (the listening object and a tag), since std::function cannot
// be compared: two handlers are the same when both identity parts are equal.
template <class F>
struct TSynHandler {
  const void* Object = nullptr;
  std::uintptr_t Tag = 0;
  F Event;
  bool SameAs(const TSynHandler& Other) const { return Object == Other.Object && Tag == Other.Tag; }
};

template <class F>
TSynHandler<F> SynHandler(const void* Object, F Event, std::uintptr_t Tag = 0) {
  return TSynHandler<F>{Object, Tag, std::move(Event)};
}

// A plain list of handlers: adding keeps duplicates; removing deletes the newest equal entry.
template <class F>
class TMethodList {
 public:
  void Add(const TSynHandler<F>& AHandler) { fItems.push_back(AHandler); }
  void Remove(const TSynHandler<F>& AHandler) {
    for (size_t i = fItems.size(); i-- > 0;) {
      if (fItems[i].SameAs(AHandler)) {
        fItems.erase(fItems.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    }
  }
  int Count() const { return static_cast<int>(fItems.size()); }
  // Newest first, over a copy, so handlers may change the chain while it runs.
  std::vector<TSynHandler<F>> NewestFirst() const { return {fItems.rbegin(), fItems.rend()}; }

 private:
  std::vector<TSynHandler<F>> fItems;
};

class TSynPadKbdHandler {
 public:
  void AddKeyPressHandler(const TSynHandler<TSynKeyPressEvent>& H) { fKeyPressChain.Add(H); }
  void AddKeyDownHandler(const TSynHandler<TSynKeyEvent>& H) { fKeyDownChain.Add(H); }
  void RemoveKeyDownHandler(const TSynHandler<TSynKeyEvent>& H) { fKeyDownChain.Remove(H); }
  void AddKeyUpHandler(const TSynHandler<TSynKeyEvent>& H) { fKeyUpChain.Add(H); }
  void RemoveKeyUpHandler(const TSynHandler<TSynKeyEvent>& H) { fKeyUpChain.Remove(H); }
  void AddMouseDownHandler(const TSynHandler<TSynMouseEvent>& H) { fMouseDownChain.Add(H); }
  void RemoveMouseDownHandler(const TSynHandler<TSynMouseEvent>& H) { fMouseDownChain.Remove(H); }
  void AddMouseUpHandler(const TSynHandler<TSynMouseEvent>& H) { fMouseUpChain.Add(H); }
  void RemoveMouseUpHandler(const TSynHandler<TSynMouseEvent>& H) { fMouseUpChain.Remove(H); }
  void AddMouseCursorHandler(const TSynHandler<TSynMouseCursorEvent>& H) { fMouseCursorChain.Add(H); }
  void RemoveMouseCursorHandler(const TSynHandler<TSynMouseCursorEvent>& H) { fMouseCursorChain.Remove(H); }

  void ExecuteKeyPress(TSynPersistent* Sender, char16_t& Key);
  void ExecuteKeyDown(TSynPersistent* Sender, std::uint16_t& Key, vk::TShiftState Shift);
  void ExecuteKeyUp(TSynPersistent* Sender, std::uint16_t& Key, vk::TShiftState Shift);
  void ExecuteMouseDown(TSynPersistent* Sender, TSynMouseButton Button, vk::TShiftState Shift, int X, int Y);
  void ExecuteMouseUp(TSynPersistent* Sender, TSynMouseButton Button, vk::TShiftState Shift, int X, int Y);
  void ExecuteMouseCursor(TSynPersistent* Sender, const TBufferCoord& LineCharPos, int& Cursor);

 private:
  TMethodList<TSynKeyPressEvent> fKeyPressChain;
  TMethodList<TSynKeyEvent> fKeyDownChain;
  TMethodList<TSynKeyEvent> fKeyUpChain;
  TMethodList<TSynMouseEvent> fMouseDownChain;
  TMethodList<TSynMouseEvent> fMouseUpChain;
  TMethodList<TSynMouseCursorEvent> fMouseCursorChain;
  bool fInKeyPress = false;
  bool fInKeyDown = false;
  bool fInKeyUp = false;
  bool fInMouseDown = false;
  bool fInMouseUp = false;
  bool fInMouseCursor = false;
};
