#include "keyboard/WaylandKeymapSource.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "keyboard/KeymapCharacters.h"
#include "platform/system/Diagnostics.h"

namespace tonalix::keyboard {

// The protocol objects, and what they have told so far. Callbacks run on the UI thread, from
// readEvents(), and only record what they hear.
struct WaylandKeymapSource::Connection {
  WaylandKeymapSource* owner = nullptr;
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  xkb_context* context = nullptr;
  xkb_keymap* keymap = nullptr;
  xkb_layout_index_t group = 0;
  std::unique_ptr<QSocketNotifier> notifier;

  ~Connection() {
    notifier.reset();
    if (keyboard) wl_keyboard_destroy(keyboard);
    if (seat) wl_seat_destroy(seat);
    if (registry) wl_registry_destroy(registry);
    if (display) wl_display_disconnect(display);
    if (keymap) xkb_keymap_unref(keymap);
    if (context) xkb_context_unref(context);
  }

  void takeKeymap(std::uint32_t format, int fd, std::uint32_t size) {
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) {
      close(fd);
      return;
    }
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (text == MAP_FAILED) {
      platform::diagnose(
          "keyboard", "the compositor's keymap could not be mapped: key labels stay as they were");
      return;
    }
    const char* chars = static_cast<const char*>(text);
    xkb_keymap* fresh =
        xkb_keymap_new_from_buffer(context, chars, strnlen(chars, size), XKB_KEYMAP_FORMAT_TEXT_V1,
                                   XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (!fresh) {
      platform::diagnose(
          "keyboard",
          "the compositor's keymap could not be compiled: key labels stay as they were");
      return;
    }
    if (keymap) xkb_keymap_unref(keymap);
    keymap = fresh;
    group = 0;  // the compositor follows a new keymap with the group it starts at
    owner->queueChange();
  }

  void takeGroup(xkb_layout_index_t fresh) {
    if (fresh == group) return;  // every modifier press sends one; only a group change matters
    group = fresh;
    owner->queueChange();
  }

  static void keymapEvent(void* data, wl_keyboard*, std::uint32_t format, int fd,
                          std::uint32_t size) {
    static_cast<Connection*>(data)->takeKeymap(format, fd, size);
  }
  static void enterEvent(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
  static void leaveEvent(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
  static void keyEvent(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                       std::uint32_t) {}
  static void modifiersEvent(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                             std::uint32_t, std::uint32_t group) {
    static_cast<Connection*>(data)->takeGroup(group);
  }
  static void repeatEvent(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
  static constexpr wl_keyboard_listener kKeyboard = {keymapEvent, enterEvent,     leaveEvent,
                                                     keyEvent,    modifiersEvent, repeatEvent};

  static void capabilitiesEvent(void* data, wl_seat* seat, std::uint32_t caps) {
    auto* self = static_cast<Connection*>(data);
    const bool hasKeyboard = caps & WL_SEAT_CAPABILITY_KEYBOARD;
    if (hasKeyboard && !self->keyboard) {
      self->keyboard = wl_seat_get_keyboard(seat);
      wl_keyboard_add_listener(self->keyboard, &kKeyboard, self);
    } else if (!hasKeyboard && self->keyboard) {
      wl_keyboard_destroy(self->keyboard);
      self->keyboard = nullptr;
    }
  }
  static void nameEvent(void*, wl_seat*, const char*) {}
  static constexpr wl_seat_listener kSeat = {capabilitiesEvent, nameEvent};

  static void globalEvent(void* data, wl_registry* registry, std::uint32_t name,
                          const char* interface, std::uint32_t version) {
    auto* self = static_cast<Connection*>(data);
    // The first seat is the user's keyboard; a desktop with several seats gives each its own.
    if (self->seat || std::strcmp(interface, wl_seat_interface.name) != 0) return;
    self->seat = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 4u)));
    wl_seat_add_listener(self->seat, &kSeat, self);
  }
  static void globalRemoveEvent(void*, wl_registry*, std::uint32_t) {}
  static constexpr wl_registry_listener kRegistry = {globalEvent, globalRemoveEvent};
};

WaylandKeymapSource::WaylandKeymapSource(QObject* parent) : QObject(parent) {
  auto wl = std::make_unique<Connection>();
  wl->owner = this;
  wl->display = wl_display_connect(nullptr);
  wl->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (!wl->display || !wl->context) {
    platform::diagnose(
        "keyboard",
        "no connection to the Wayland compositor's keymap: key labels keep the US names");
    return;
  }
  wl->registry = wl_display_get_registry(wl->display);
  wl_registry_add_listener(wl->registry, &Connection::kRegistry, wl.get());
  // No round trip: the answers arrive through the event loop like everything after them.
  wl_display_flush(wl->display);
  wl->notifier =
      std::make_unique<QSocketNotifier>(wl_display_get_fd(wl->display), QSocketNotifier::Read);
  connect(wl->notifier.get(), &QSocketNotifier::activated, this, &WaylandKeymapSource::readEvents);
  wl_ = std::move(wl);
  // The compositor tells the group only to the client holding the keyboard focus, which is Qt's
  // connection and not this one; the keys the user types show the group in use instead.
  if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

WaylandKeymapSource::~WaylandKeymapSource() {
  if (wl_ && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

void WaylandKeymapSource::readEvents() {
  wl_display* display = wl_->display;
  while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
  // The socket is readable, and reading never waits: a failure means the compositor is gone.
  if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0) {
    wl_->notifier->setEnabled(false);
    platform::diagnose(
        "keyboard", "the connection to the Wayland compositor closed: key labels stay as they are");
    return;
  }
  wl_display_flush(display);
}

void WaylandKeymapSource::queueChange() {
  // A keymap and its modifiers come together; the names are made once, after both.
  if (changeQueued_) return;
  changeQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    changeQueued_ = false;
    platform::diagnose("keyboard", "keyboard layout changed: key labels follow it");
    emit changed();
  });
}

bool WaylandKeymapSource::eventFilter(QObject*, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !wl_->keymap) return false;
  xkb_keymap* keymap = wl_->keymap;
  if (xkb_keymap_num_layouts(keymap) < 2) return false;
  // Qt reports the key as the compositor's code and the symbol its group typed; the group is
  // the one whose key gives that symbol, when only groups other than the current one do.
  const auto* key = static_cast<QKeyEvent*>(event);
  const xkb_keycode_t code = key->nativeScanCode();
  const xkb_keysym_t typed = key->nativeVirtualKey();
  if (typed == XKB_KEY_NoSymbol) return false;
  const auto gives = [&](xkb_layout_index_t layout) {
    for (xkb_level_index_t level = 0; level < xkb_keymap_num_levels_for_key(keymap, code, layout);
         ++level) {
      const xkb_keysym_t* syms = nullptr;
      const int n = xkb_keymap_key_get_syms_by_level(keymap, code, layout, level, &syms);
      for (int s = 0; s < n; ++s)
        if (syms[s] == typed) return true;
    }
    return false;
  };
  const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, code);
  if (layouts < 2 || gives(wl_->group % layouts)) return false;
  for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
    if (gives(layout)) {
      wl_->takeGroup(layout);
      break;
    }
  }
  return false;
}

std::optional<std::array<KeyCharacters, 65>> WaylandKeymapSource::characters() const {
  if (!wl_ || !wl_->keymap) return std::nullopt;
  return keymapCharacters(wl_->keymap, wl_->group);
}

}  // namespace tonalix::keyboard
