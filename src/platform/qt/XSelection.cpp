#include "platform/qt/XSelection.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// A property the reader asks the owner to put the block into, on the reader's own window.
const char* const kProperty = "TESSARYN_SELECTION";

// A connection of this program's own, with an unmapped window that receives what the conventions
// send to it (property changes on it among them).
class TConnection {
 public:
  TConnection() {
    int screenNumber = 0;
    c_ = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c_)) {
      xcb_disconnect(c_);
      c_ = nullptr;
      return;
    }
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (int i = 0; i < screenNumber && screen.rem; ++i) xcb_screen_next(&screen);
    if (!screen.rem) {
      xcb_disconnect(c_);
      c_ = nullptr;
      return;
    }
    window_ = xcb_generate_id(c_);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, 0, window_, screen.data->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    xcb_flush(c_);
  }
  ~TConnection() {
    if (!c_) return;
    xcb_destroy_window(c_, window_);
    xcb_disconnect(c_);
  }
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  bool Ok() const { return c_ && !xcb_connection_has_error(c_); }
  xcb_connection_t* C() const { return c_; }
  xcb_window_t Window() const { return window_; }

  xcb_atom_t Atom(const std::string& name) const {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, uint16_t(name.size()), name.data()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
  }
  xcb_window_t SelectionOwner(xcb_atom_t selection) const {
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection), nullptr);
    const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
    std::free(reply);
    return owner;
  }
  // The next event within ms, nullptr when none came (or stop answered true; it is asked every
  // 50 ms). The caller frees it.
  xcb_generic_event_t* Wait(int ms, const std::function<bool()>& stop) const {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      if (xcb_generic_event_t* event = xcb_poll_for_event(c_)) return event;
      if (xcb_connection_has_error(c_) || (stop && stop())) return nullptr;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
      if (left <= 0) return nullptr;
      pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
      ::poll(&p, 1, int(std::min<long long>(left, 50)));
    }
  }
  // The most bytes one request may carry as a property's value, with room for the request itself.
  size_t MostBytesPerRequest() const {
    const size_t bytes = size_t(xcb_get_maximum_request_length(c_)) * 4;
    return std::clamp<size_t>(bytes > 4096 ? bytes - 4096 : 1024, 1024, size_t(1) << 20);
  }
  // The window's property, whole (read in pieces where large), then deleted; false when the server
  // gave no answer.
  bool TakeProperty(xcb_atom_t property, std::string& out, xcb_atom_t& type) const {
    uint32_t offset = 0;  // in units of four bytes, as the request counts
    for (;;) {
      xcb_get_property_reply_t* reply = xcb_get_property_reply(
          c_, xcb_get_property(c_, 0, window_, property, XCB_GET_PROPERTY_TYPE_ANY, offset, 1u << 22), nullptr);
      if (!reply) return false;
      type = reply->type;
      const int length = xcb_get_property_value_length(reply);
      out.append(static_cast<const char*>(xcb_get_property_value(reply)), size_t(std::max(length, 0)));
      const uint32_t after = reply->bytes_after;
      std::free(reply);
      if (after == 0 || length <= 0) break;
      offset += uint32_t(length) / 4;
    }
    xcb_delete_property(c_, window_, property);
    xcb_flush(c_);
    return true;
  }

 private:
  xcb_connection_t* c_ = nullptr;
  xcb_window_t window_ = XCB_NONE;
};

uint8_t EventKind(const xcb_generic_event_t* event) {
  return event->response_type & 0x7f;
}

}  // namespace

bool XSelectionAvailable() {
  const char* display = std::getenv("DISPLAY");
  return display && *display && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
         QGuiApplication::platformName() == QLatin1String("xcb");
}

std::optional<std::string> ReadXSelection(const std::string& format, int timeoutMs, const std::function<bool()>& stop) {
  TConnection x;
  if (!x.Ok()) return std::nullopt;
  const xcb_atom_t clipboard = x.Atom("CLIPBOARD"), target = x.Atom(format), incr = x.Atom("INCR");
  const xcb_atom_t property = x.Atom(kProperty);
  if (!clipboard || !target || !property) return std::nullopt;
  xcb_convert_selection(x.C(), x.Window(), clipboard, target, property, XCB_CURRENT_TIME);
  xcb_flush(x.C());
  for (;;) {  // the owner's answer
    xcb_generic_event_t* event = x.Wait(timeoutMs, stop);
    if (!event) return std::nullopt;
    if (EventKind(event) != XCB_SELECTION_NOTIFY) {
      std::free(event);
      continue;
    }
    const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
    const bool given = notify->requestor == x.Window() && notify->property != XCB_NONE;
    std::free(event);
    if (!given) return std::nullopt;
    break;
  }
  std::string block;
  xcb_atom_t type = XCB_NONE;
  if (!x.TakeProperty(property, block, type)) return std::nullopt;
  if (type != incr) return block;
  // In increments: the property's value deleted above asks for the first; each new value is one,
  // taken (deleted) in turn, until an empty one ends the block.
  uint32_t announced = 0;
  if (block.size() >= sizeof announced)
    std::copy_n(block.data(), sizeof announced, reinterpret_cast<char*>(&announced));
  block.clear();
  block.reserve(announced);
  for (;;) {
    xcb_generic_event_t* event = x.Wait(timeoutMs, stop);
    if (!event) return std::nullopt;
    const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    const bool next = EventKind(event) == XCB_PROPERTY_NOTIFY && change->window == x.Window() &&
                      change->atom == property && change->state == XCB_PROPERTY_NEW_VALUE;
    std::free(event);
    if (!next) continue;
    std::string piece;
    if (!x.TakeProperty(property, piece, type)) return std::nullopt;
    if (piece.empty()) return block;
    block += piece;
  }
}

// ---------------------------------------------------------------------------------------------
// The owner

struct TXSelectionOwner::TState {
  TConnection x;
  xcb_atom_t clipboard = XCB_NONE, targets = XCB_NONE, incr = XCB_NONE;
  int wake = -1;  // the helper thread's poll also waits for this
  std::thread helper;
  std::atomic<bool> stop{false};

  // What is on offer; the block is made on the helper thread when first asked for.
  struct TOffer {
    std::string Format;
    xcb_atom_t Target = XCB_NONE;
    std::function<std::string()> Make;
    std::shared_ptr<const void> Owner;
    std::shared_ptr<const std::string> Block;
  };
  mutable std::mutex mutex;
  std::shared_ptr<TOffer> offer;  // none while the clipboard is not this program's offer

  // A large block going to one requestor in increments (the helper thread's alone).
  struct TTransfer {
    xcb_window_t Requestor;
    xcb_atom_t Property, Target;
    std::shared_ptr<const std::string> Block;
    size_t Sent = 0;
    bool Ended = false;  // the empty increment that ends it was sent
    Clock::time_point Last;
  };
  std::vector<TTransfer> transfers;

  std::shared_ptr<TOffer> Current() const {
    std::lock_guard<std::mutex> lock(mutex);
    return offer;
  }
  void Wake() const {
    const uint64_t one = 1;
    (void)!::write(wake, &one, sizeof one);
  }
  void Loop();
  void Request(const xcb_selection_request_event_t& request);
  void Continue(const xcb_property_notify_event_t& change);
  void Cleared(const xcb_selection_clear_event_t& clear);
};

TXSelectionOwner::TXSelectionOwner() : state_(std::make_unique<TState>()) {
  TState& s = *state_;
  if (!s.x.Ok()) return;
  s.clipboard = s.x.Atom("CLIPBOARD");
  s.targets = s.x.Atom("TARGETS");
  s.incr = s.x.Atom("INCR");
  s.wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (s.wake < 0) return;
  s.helper = std::thread([&s] { s.Loop(); });
}

TXSelectionOwner::~TXSelectionOwner() {
  TState& s = *state_;
  s.stop = true;
  if (s.helper.joinable()) {
    s.Wake();
    s.helper.join();
  }
  if (s.wake >= 0) ::close(s.wake);
}

TXSelectionOwner* TXSelectionOwner::Instance() {
  static std::unique_ptr<TXSelectionOwner> instance = [] {
    std::unique_ptr<TXSelectionOwner> made;
    if (XSelectionAvailable()) made.reset(new TXSelectionOwner);
    if (made && !made->state_->helper.joinable()) made.reset();
    return made;
  }();
  return instance.get();
}

bool TXSelectionOwner::Offer(const std::string& format, std::function<std::string()> make,
                             std::shared_ptr<const void> owner) {
  TState& s = *state_;
  auto offer = std::make_shared<TState::TOffer>();
  offer->Format = format;
  offer->Target = s.x.Atom(format);
  offer->Make = std::move(make);
  offer->Owner = std::move(owner);
  if (!offer->Target) return false;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.offer = offer;
  }
  xcb_set_selection_owner(s.x.C(), s.x.Window(), s.clipboard, XCB_CURRENT_TIME);
  if (s.x.SelectionOwner(s.clipboard) == s.x.Window()) return true;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.offer == offer) s.offer.reset();
  return false;
}

std::shared_ptr<const void> TXSelectionOwner::OwnerOf(const std::string& format) const {
  const std::shared_ptr<TState::TOffer> offer = state_->Current();
  return offer && offer->Format == format ? offer->Owner : nullptr;
}

void TXSelectionOwner::Release() {
  TState& s = *state_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.offer) return;
    s.offer.reset();
  }
  if (s.x.SelectionOwner(s.clipboard) == s.x.Window()) {
    xcb_set_selection_owner(s.x.C(), XCB_NONE, s.clipboard, XCB_CURRENT_TIME);
    xcb_flush(s.x.C());
  }
}

void TXSelectionOwner::TState::Loop() {
  pollfd fds[2] = {{xcb_get_file_descriptor(x.C()), POLLIN, 0}, {wake, POLLIN, 0}};
  while (!stop) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(x.C())) {
      switch (EventKind(event)) {
        case XCB_SELECTION_REQUEST:
          Request(*reinterpret_cast<const xcb_selection_request_event_t*>(event));
          break;
        case XCB_PROPERTY_NOTIFY:
          Continue(*reinterpret_cast<const xcb_property_notify_event_t*>(event));
          break;
        case XCB_SELECTION_CLEAR:
          Cleared(*reinterpret_cast<const xcb_selection_clear_event_t*>(event));
          break;
        default:
          break;
      }
      std::free(event);
    }
    if (xcb_connection_has_error(x.C())) break;
    xcb_flush(x.C());
    // A requestor that stopped taking increments is given up after a while.
    const auto now = Clock::now();
    std::erase_if(transfers, [&](const TTransfer& t) { return now - t.Last > std::chrono::seconds(30); });
    ::poll(fds, 2, 1000);
    if (fds[1].revents & POLLIN) {
      uint64_t count;
      (void)!::read(wake, &count, sizeof count);
    }
  }
}

void TXSelectionOwner::TState::Request(const xcb_selection_request_event_t& request) {
  // Obsolete requestors name no property: the target is the property then.
  const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
  const std::shared_ptr<TOffer> current = Current();
  bool given = false;
  if (current && request.selection == clipboard && request.owner == x.Window()) {
    if (request.target == targets) {
      const xcb_atom_t offered[] = {targets, current->Target};
      xcb_change_property(x.C(), XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                          uint32_t(std::size(offered)), offered);
      given = true;
    } else if (request.target == current->Target) {
      std::shared_ptr<const std::string> block;
      {
        std::lock_guard<std::mutex> lock(mutex);
        block = current->Block;
      }
      if (!block) {
        // Made here, beside the window, and kept for the next request.
        block = std::make_shared<const std::string>(current->Make ? current->Make() : std::string());
        std::lock_guard<std::mutex> lock(mutex);
        current->Block = block;
      }
      if (block->size() <= x.MostBytesPerRequest()) {
        xcb_change_property(x.C(), XCB_PROP_MODE_REPLACE, request.requestor, property, request.target, 8,
                            uint32_t(block->size()), block->data());
      } else {
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(x.C(), request.requestor, XCB_CW_EVENT_MASK, &events);
        const uint32_t size = uint32_t(std::min<size_t>(block->size(), UINT32_MAX));
        xcb_change_property(x.C(), XCB_PROP_MODE_REPLACE, request.requestor, property, incr, 32, 1, &size);
        transfers.push_back({request.requestor, property, request.target, block, 0, false, Clock::now()});
      }
      given = true;
    }
  }
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = given ? property : XCB_NONE;
  xcb_send_event(x.C(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
  xcb_flush(x.C());
}

// The requestor took (deleted) an increment: the next one goes, an empty one last.
void TXSelectionOwner::TState::Continue(const xcb_property_notify_event_t& change) {
  if (change.state != XCB_PROPERTY_DELETE) return;
  auto it = std::find_if(transfers.begin(), transfers.end(),
                         [&](const TTransfer& t) { return t.Requestor == change.window && t.Property == change.atom; });
  if (it == transfers.end()) return;
  if (it->Ended) {
    transfers.erase(it);
    return;
  }
  const size_t piece = std::min(x.MostBytesPerRequest(), it->Block->size() - it->Sent);
  xcb_change_property(x.C(), XCB_PROP_MODE_REPLACE, it->Requestor, it->Property, it->Target, 8, uint32_t(piece),
                      it->Block->data() + it->Sent);
  it->Sent += piece;
  it->Ended = piece == 0;
  it->Last = Clock::now();
  if (it->Ended) {
    // Its window's events are not wanted any more (unless another transfer goes to it).
    const xcb_window_t requestor = it->Requestor;
    transfers.erase(it);
    if (std::none_of(transfers.begin(), transfers.end(),
                     [&](const TTransfer& t) { return t.Requestor == requestor; })) {
      const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
      xcb_change_window_attributes(x.C(), requestor, XCB_CW_EVENT_MASK, &none);
    }
  }
  xcb_flush(x.C());
}

// Another program took the clipboard: the offer ends (transfers under way go on). A clear that
// came before this program took it again is no end: the server says who owns it now.
void TXSelectionOwner::TState::Cleared(const xcb_selection_clear_event_t& clear) {
  if (clear.selection != clipboard) return;
  if (x.SelectionOwner(clipboard) == x.Window()) return;
  std::lock_guard<std::mutex> lock(mutex);
  offer.reset();
}

}  // namespace platform
