// A pointer and a keyboard for tests on a Wayland compositor that has no input devices (a
// headless one): made with the compositor's virtual pointer and virtual keyboard protocols, on
// a connection of the test's own, so clicks and key presses reach clients as a user's would.
// Keys are sent by their Linux input codes, under a keymap compiled from a layout name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tonalix::testing {

class WaylandVirtualInput {
 public:
  // Connects to the compositor at display (a socket name in XDG_RUNTIME_DIR, or a path).
  explicit WaylandVirtualInput(const std::string& display);
  ~WaylandVirtualInput();
  WaylandVirtualInput(const WaylandVirtualInput&) = delete;
  WaylandVirtualInput& operator=(const WaylandVirtualInput&) = delete;

  // Empty when both devices exist; otherwise why they do not.
  const std::string& error() const { return error_; }

  // Gives the keyboard the keymap of an XKB layout ("us", "fr", "de"); false when it does not
  // compile. Clients get it with the next key.
  bool setLayout(const std::string& layout);
  // Locks the keymap's layout group (1 is "fr" in "us,fr"), as a layout switch does.
  void lockGroup(std::uint32_t group);
  // Presses or releases a key by its Linux input code (KEY_Q is 16).
  void key(std::uint32_t code, bool down);
  // Moves the pointer to (x, y) of an output layout width x height pixels large.
  void moveTo(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height);
  // Presses or releases the left button.
  void leftButton(bool down);

 private:
  struct Wayland;
  std::unique_ptr<Wayland> wl_;
  std::string error_;
  void settle();
};

}  // namespace tonalix::testing
