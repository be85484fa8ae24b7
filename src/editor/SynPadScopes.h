// Scopes the control's own code opens and must close however a block is left: the paint lock, an
// undo block, the buffer's update bracket. Closing runs handlers (OnStatusChange, OnChange) that
// may raise: their error goes on, unless another one is already on its way (the first one wins).
#pragma once

#include <exception>
#include <functional>
#include <utility>

#include "editor/SynPad.h"

class TSynScopeEnd {
 public:
  explicit TSynScopeEnd(std::function<void()> Close) : fClose(std::move(Close)) {}
  ~TSynScopeEnd() noexcept(false) {
    if (std::uncaught_exceptions() > fUnwinding) {
      try {
        fClose();
      } catch (...) {
      }
      return;
    }
    fClose();
  }
  TSynScopeEnd(const TSynScopeEnd&) = delete;
  TSynScopeEnd& operator=(const TSynScopeEnd&) = delete;

 private:
  std::function<void()> fClose;
  int fUnwinding = std::uncaught_exceptions();
};

// The paint lock: deferred updates run once when the outermost lock ends.
struct TSynPaintLock : TSynScopeEnd {
  explicit TSynPaintLock(TCustomSynPad& Ed) : TSynScopeEnd([&Ed] { Ed.EndUpdate(); }) { Ed.BeginUpdate(); }
};

// One undo block: the items recorded inside share one change number.
struct TSynUndoBlock : TSynScopeEnd {
  explicit TSynUndoBlock(TSynPadUndoList& List) : TSynScopeEnd([&List] { List.EndBlock(); }) { List.BeginBlock(); }
};

// The buffer's update bracket: the control hears of the change once, when it closes.
struct TSynLinesUpdate : TSynScopeEnd {
  explicit TSynLinesUpdate(TSynPadStringList& Lines) : TSynScopeEnd([&Lines] { Lines.EndUpdate(); }) {
    Lines.BeginUpdate();
  }
};
