// The 65-key on-screen piano: builds the keys on the main window, plays them with the mouse
// through the window's MIDI state and keeps their pictures up to date.
#pragma once

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>

#include "keyboard/KeyPictures.h"
#include "keyboard/PianoKey.h"
#include "midi/MidiState.h"

namespace tonalix::keyboard {

class PianoKeyboard : public QObject {
  Q_OBJECT
 public:
  // The keys become children of parent at their fixed positions.
  PianoKeyboard(MidiState& midi, QWidget* parent);

  PianoKey* chkPiano(int index) const;
  const KeyPictures& pictures() const { return pictures_; }

  // True (-1) while the computer-key labels are shown instead of the white key pictures.
  std::int16_t ShowKey = 0;
  // Puts the key labels on the white keys; supplied by the computer-keyboard bindings.
  std::function<void()> ShowKeyLabels;

  void ShowWhiteKeysUp();
  void ShowBlackKeysUp();
  void ShowKeyDown(std::int16_t& index);
  void RedrawKeys();
  // Start-up preparation: released pictures and no focus rectangles on any key.
  void PrepareAtLoad();

  // The press and release steps shared by the mouse and the computer keyboard.
  void KeyDown(int index);
  void KeyUp(int index);

 private slots:
  void chkPiano_MouseDown(int index, Qt::MouseButton button);
  void chkPiano_MouseUp(int index, Qt::MouseButton button);

 private:
  MidiState& midi_;
  KeyPictures pictures_;
  std::array<PianoKey*, 65> keys_{};
};

}  // namespace tonalix::keyboard
