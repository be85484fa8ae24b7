// The notification-area ("tray") service behind the tray icon component. The component keeps all of
// its decisions in plain code and talks to the desktop only through this interface, so that it can
// be driven by a fake in tests and so that a desktop without a notification area is a normal case:
// Available() says whether there is one, and Add() reports whether the icon really appeared.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// An icon picture as plain pixels: 0xAARRGGBB (not premultiplied), row by row from the top.
struct TrayImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
  bool Empty() const { return width <= 0 || height <= 0 || argb.size() != std::size_t(width) * height; }
};

// What is handed to the notification area with every request.
struct TrayIconData {
  int id = 0;            // the icon's id towards the desktop
  bool hasIcon = false;  // the icon flag: the picture below is to be shown
  TrayImage icon;
  bool hasTip = true;  // the tip flag
  std::string tip;     // UTF-8 tooltip, empty when none
};

// How the user touched the icon. Desktops deliver whole gestures, not separate button events.
enum class TrayActivation { Trigger, DoubleClick, MiddleClick, Context };

class ITrayBackend {
 public:
  virtual ~ITrayBackend() = default;

  // Whether the desktop has a notification area at all right now.
  virtual bool Available() const = 0;
  // Puts the icon into the notification area; false when it could not be shown.
  virtual bool Add(const TrayIconData& data) = 0;
  // Changes picture and tooltip of an icon that is shown (ignored otherwise).
  virtual void Modify(const TrayIconData& data) = 0;
  // Removes the icon; false when it was not there.
  virtual bool Delete(int id) = 0;

  // Raised for every gesture on the icon; set by the owner of the backend.
  std::function<void(TrayActivation)> OnActivated;
};

// The backend of the running desktop (over the toolkit's tray support).
std::unique_ptr<ITrayBackend> CreateTrayBackend();
// Whether the running desktop has a notification area.
bool TrayAvailable();

}  // namespace platform
