#include "keyboard/ActiveKeyboardLayout.h"

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QTimer>

#include "keyboard/KeymapCharacters.h"
#include "keyboard/WaylandKeymapSource.h"
#include "platform/system/Diagnostics.h"

namespace tonalix::keyboard {

namespace {
// XKB event kinds (the event's second byte) and where a state event carries the group.
constexpr std::uint8_t kNewKeyboardNotify = 0, kMapNotify = 1, kStateNotify = 2;
constexpr std::size_t kStateGroupByte = 13;
}  // namespace

struct ActiveKeyboardLayout::X11 {
  xcb_connection_t* connection = nullptr;
  std::int32_t device = -1;
  std::uint8_t eventBase = 0;
  xkb_context* context = nullptr;
  xkb_keymap* keymap = nullptr;
  xkb_layout_index_t group = 0;
  bool refreshQueued = false;

  ~X11() {
    if (keymap) xkb_keymap_unref(keymap);
    if (context) xkb_context_unref(context);
  }
  // Fetches the server's map and active group again.
  void reload() {
    xkb_keymap* fresh = xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!fresh) return;
    if (keymap) xkb_keymap_unref(keymap);
    keymap = fresh;
    if (xkb_state* state = xkb_x11_state_new_from_device(keymap, connection, device)) {
      group = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
      xkb_state_unref(state);
    }
  }
};

ActiveKeyboardLayout::ActiveKeyboardLayout(QObject* parent) : QObject(parent) {
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    wayland_ = std::make_unique<WaylandKeymapSource>();
    connect(wayland_.get(), &WaylandKeymapSource::changed, this, &ActiveKeyboardLayout::changed);
    return;
  }
  auto* x11App = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11App || !x11App->connection()) return;
  auto x11 = std::make_unique<X11>();
  x11->connection = x11App->connection();
  if (!xkb_x11_setup_xkb_extension(x11->connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                   XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &x11->eventBase,
                                   nullptr)) {
    platform::diagnose("keyboard", "the X server has no XKB: key labels keep the US names");
    return;
  }
  x11->device = xkb_x11_get_core_keyboard_device_id(x11->connection);
  x11->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (x11->device < 0 || !x11->context) return;
  x11->reload();
  if (!x11->keymap) {
    platform::diagnose("keyboard", "the X keyboard map could not be read: key labels keep the US names");
    return;
  }
  x11_ = std::move(x11);
  // The window system's own connection already asks for XKB map and state events; they are
  // watched here as they pass.
  QCoreApplication::instance()->installNativeEventFilter(this);
}

ActiveKeyboardLayout::~ActiveKeyboardLayout() {
  if (x11_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::optional<std::array<KeyCharacters, 65>> ActiveKeyboardLayout::characters() const {
  if (wayland_) return wayland_->characters();
  if (!x11_) return std::nullopt;
  return keymapCharacters(x11_->keymap, x11_->group);
}

bool ActiveKeyboardLayout::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!x11_ || eventType != "xcb_generic_event_t") return false;
  const auto* bytes = static_cast<const std::uint8_t*>(message);
  if ((bytes[0] & 0x7F) != x11_->eventBase) return false;
  const std::uint8_t kind = bytes[1];
  if (kind == kStateNotify) {
    // Every modifier press sends one; only a change of group changes the names.
    if (bytes[kStateGroupByte] == x11_->group) return false;
    x11_->group = bytes[kStateGroupByte];
  } else if (kind != kNewKeyboardNotify && kind != kMapNotify) {
    return false;
  }
  // A new map arrives as a burst of events; it is read once, after the burst.
  if (!x11_->refreshQueued) {
    x11_->refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
      x11_->refreshQueued = false;
      x11_->reload();
      platform::diagnose("keyboard", "keyboard layout changed: key labels follow it");
      emit changed();
    });
  }
  return false;
}

}  // namespace tonalix::keyboard
