#include "tests/support/WaylandVirtualInput.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace tonalix::testing {

namespace {
std::uint32_t nowMs() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

struct WaylandVirtualInput::Wayland {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
  zwlr_virtual_pointer_manager_v1* pointers = nullptr;
  zwp_virtual_keyboard_v1* keyboard = nullptr;
  zwlr_virtual_pointer_v1* pointer = nullptr;

  ~Wayland() {
    if (keyboard) zwp_virtual_keyboard_v1_destroy(keyboard);
    if (pointer) zwlr_virtual_pointer_v1_destroy(pointer);
    if (pointers) zwlr_virtual_pointer_manager_v1_destroy(pointers);
    if (keyboards) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(keyboards));
    if (seat) wl_seat_destroy(seat);
    if (registry) wl_registry_destroy(registry);
    if (display) {
      wl_display_roundtrip(display);
      wl_display_disconnect(display);
    }
  }

  static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t) {
    auto* self = static_cast<Wayland*>(data);
    const auto bind = [&](const wl_interface* iface) {
      return wl_registry_bind(registry, name, iface, 1);
    };
    if (!self->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
      self->seat = static_cast<wl_seat*>(bind(&wl_seat_interface));
    else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
      self->keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
          bind(&zwp_virtual_keyboard_manager_v1_interface));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
      self->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
          bind(&zwlr_virtual_pointer_manager_v1_interface));
  }
  static void globalRemove(void*, wl_registry*, std::uint32_t) {}
  static constexpr wl_registry_listener kRegistry = {global, globalRemove};
};

WaylandVirtualInput::WaylandVirtualInput(const std::string& display)
    : wl_(std::make_unique<Wayland>()) {
  wl_->display = wl_display_connect(display.c_str());
  if (!wl_->display) {
    error_ = "no Wayland compositor at " + display;
    return;
  }
  wl_->registry = wl_display_get_registry(wl_->display);
  wl_registry_add_listener(wl_->registry, &Wayland::kRegistry, wl_.get());
  wl_display_roundtrip(wl_->display);
  if (!wl_->seat || !wl_->keyboards || !wl_->pointers) {
    error_ = "the compositor offers no seat, virtual keyboard or virtual pointer";
    return;
  }
  wl_->keyboard =
      zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(wl_->keyboards, wl_->seat);
  wl_->pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(wl_->pointers, wl_->seat);
  settle();
}

WaylandVirtualInput::~WaylandVirtualInput() = default;

void WaylandVirtualInput::settle() {
  if (wl_display_roundtrip(wl_->display) < 0 && error_.empty())
    error_ = "the compositor closed the connection";
}

bool WaylandVirtualInput::setLayout(const std::string& layout) {
  if (!wl_->keyboard) return false;
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  const xkb_rule_names names = {"evdev", "pc105", layout.c_str(), "", ""};
  xkb_keymap* keymap =
      context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
  char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
  bool sent = false;
  if (text) {
    // The compositor maps the keymap from a file; the terminating zero is part of it.
    const std::size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size)) {
      zwp_virtual_keyboard_v1_keymap(wl_->keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                     static_cast<std::uint32_t>(size));
      settle();
      sent = error_.empty();
    }
    if (fd >= 0) close(fd);
    std::free(text);
  }
  if (keymap) xkb_keymap_unref(keymap);
  if (context) xkb_context_unref(context);
  return sent;
}

void WaylandVirtualInput::lockGroup(std::uint32_t group) {
  if (!wl_->keyboard) return;
  zwp_virtual_keyboard_v1_modifiers(wl_->keyboard, 0, 0, 0, group);
  settle();
}

void WaylandVirtualInput::key(std::uint32_t code, bool down) {
  if (!wl_->keyboard) return;
  zwp_virtual_keyboard_v1_key(
      wl_->keyboard, nowMs(), code,
      down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
  settle();
}

void WaylandVirtualInput::moveTo(std::uint32_t x, std::uint32_t y, std::uint32_t width,
                                 std::uint32_t height) {
  if (!wl_->pointer) return;
  zwlr_virtual_pointer_v1_motion_absolute(wl_->pointer, nowMs(), x, y, width, height);
  zwlr_virtual_pointer_v1_frame(wl_->pointer);
  settle();
}

void WaylandVirtualInput::leftButton(bool down) {
  if (!wl_->pointer) return;
  zwlr_virtual_pointer_v1_button(
      wl_->pointer, nowMs(), BTN_LEFT,
      down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
  zwlr_virtual_pointer_v1_frame(wl_->pointer);
  settle();
}

}  // namespace tonalix::testing
