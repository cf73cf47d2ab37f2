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

// "C4" for note 60, "A#-1" for note 10; empty outside 0..127.
QString NoteName(int note);

class PianoKeyboard : public QObject {
  Q_OBJECT
 public:
  // The keys become children of parent at their fixed positions. showKeyLabels puts the
  // computer-key labels on the white keys (the redraw calls it while the labels are shown).
  PianoKeyboard(MidiState& midi, QWidget* parent, std::function<void()> showKeyLabels);

  PianoKey* chkPiano(int index) const;
  const KeyPictures& pictures() const { return pictures_; }

  // True while the computer-key labels are shown instead of the white key pictures.
  bool ShowKey() const { return showKey_; }
  void SetShowKey(bool show) { showKey_ = show; }

  void ShowWhiteKeysUp();
  void ShowBlackKeysUp();
  void ShowKeyDown(std::int16_t& index);
  void RedrawKeys();
  // Start-up preparation: released pictures and no focus rectangles on any key.
  void PrepareAtLoad();

  // The press and release steps shared by the mouse and the computer keyboard.
  void KeyDown(int index);
  void KeyUp(int index);

  // Names every key, for screen readers, by the note it plays now ("C4" is note 60); run again
  // whenever BaseNote changes.
  void NameKeys();

 private slots:
  void chkPiano_MouseDown(int index, Qt::MouseButton button);
  void chkPiano_MouseUp(int index, Qt::MouseButton button);

 private:
  MidiState& midi_;
  std::function<void()> showKeyLabels_;
  bool showKey_ = false;
  KeyPictures pictures_;
  std::array<PianoKey*, 65> keys_{};
};

}  // namespace tonalix::keyboard
