// The desktop's clipboard under X11 for large private blocks (a node with a subtree of 100,000
// records is over 100 MB), on an X connection of this program's own beside the window's, so that
// neither the program that copied nor the one that pastes holds its window while the bytes go
// across:
// - ReadXSelection takes the clipboard's block under a format on any thread, as the inter-client
//   conventions have it (a SelectionNotify, then the property whole or in increments).
// - TXSelectionOwner holds the clipboard for a block of this program's own on a helper thread, which
//   makes the block when it is first asked for and hands it out there, in increments where it is
//   large; the window's thread only offers it. Another program (or Qt, for text this program copies)
//   taking the clipboard ends the offer.
// Both need the X server of DISPLAY; elsewhere (Wayland, the offscreen platform) the caller keeps
// to Qt's clipboard.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Whether this program's windows are on an X server these functions reach (Qt's xcb platform and a
// DISPLAY).
bool XSelectionAvailable();

// The block the clipboard's owner gives under format, nothing when it offers none or gives up
// (no answer for timeoutMs, between any two steps of a large transfer too), or when stop answers
// true (asked every 50 ms). Blocks while it waits: for a thread beside the window.
std::optional<std::string> ReadXSelection(const std::string& format, int timeoutMs = 10000,
                                          const std::function<bool()>& stop = {});

class TXSelectionOwner {
 public:
  // The one owner of the program (its helper thread starts with the first offer); nullptr where no
  // X server is reachable.
  static TXSelectionOwner* Instance();
  ~TXSelectionOwner();
  TXSelectionOwner(const TXSelectionOwner&) = delete;
  TXSelectionOwner& operator=(const TXSelectionOwner&) = delete;

  // Takes the clipboard for a block under format, made by make (on the helper thread, once, when
  // first asked for) and standing for owner. False when the clipboard could not be taken.
  bool Offer(const std::string& format, std::function<std::string()> make, std::shared_ptr<const void> owner);
  // The owner of the offer while the clipboard is still this offer's; nullptr otherwise.
  std::shared_ptr<const void> OwnerOf(const std::string& format) const;
  // Gives the clipboard up while it holds this program's offer (the block goes with the program).
  void Release();

 private:
  TXSelectionOwner();
  struct TState;
  std::unique_ptr<TState> state_;
};

}  // namespace platform
