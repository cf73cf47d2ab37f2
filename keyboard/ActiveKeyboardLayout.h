// The keyboard layout the user has active in the window system, read as the characters each
// piano-playing key types, and followed when the user switches layout. On X11 it is read with
// xkbcommon from the server's keyboard map and group, on Wayland from the keymap and group the
// compositor sends (WaylandKeymapSource); elsewhere nothing is known and callers keep the
// binding table's names.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <array>
#include <memory>
#include <optional>

#include "keyboard/LayoutKeyNames.h"

namespace tonalix::keyboard {

class WaylandKeymapSource;

class ActiveKeyboardLayout : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  explicit ActiveKeyboardLayout(QObject* parent = nullptr);
  ~ActiveKeyboardLayout() override;

  // The characters of the 65 bound keys on the active layout and group; nothing where the
  // window system does not tell.
  std::optional<std::array<KeyCharacters, 65>> characters() const;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  // The layout, its map or the active group changed.
  void changed();

 private:
  struct X11;
  std::unique_ptr<X11> x11_;
  std::unique_ptr<WaylandKeymapSource> wayland_;
};

}  // namespace tonalix::keyboard
