// The keyboard map a Wayland compositor gives its clients, and the layout group in use, for
// naming the keys by the user's own layout. Qt does not expose the map, so it is read on a
// connection of our own to the compositor, whose socket the event loop watches: nothing here
// ever blocks the UI thread.
#pragma once

#include <QObject>
#include <array>
#include <memory>
#include <optional>

#include "keyboard/LayoutKeyNames.h"

namespace tonalix::keyboard {

class WaylandKeymapSource : public QObject {
  Q_OBJECT
 public:
  // Connects to the compositor WAYLAND_DISPLAY names; without one nothing is ever known.
  explicit WaylandKeymapSource(QObject* parent = nullptr);
  ~WaylandKeymapSource() override;

  // The characters of the 65 bound keys on the compositor's keymap and group; nothing before
  // the compositor has sent a keymap.
  std::optional<std::array<KeyCharacters, 65>> characters() const;

  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // A new keymap arrived or the active group changed.
  void changed();

 private:
  struct Connection;
  std::unique_ptr<Connection> wl_;
  bool changeQueued_ = false;
  void queueChange();
  void readEvents();
};

}  // namespace tonalix::keyboard
