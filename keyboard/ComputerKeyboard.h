// Plays the piano from the computer keyboard: each of 65 computer keys strikes its bound piano
// key while a piano key holds the focus; other keys strike the focused key. A held key sounds
// once; the keyboard's auto-repeat is ignored and the real release stops the note, wherever the
// focus has gone meanwhile.
#pragma once

#include <QObject>
#include <QTimer>
#include <vector>

#include "midi/MidiState.h"

class QKeyEvent;

namespace tonalix::keyboard {

class PianoKeyboard;

class ComputerKeyboard : public QObject {
  Q_OBJECT
 public:
  // Watches key events of the whole application, so that bound keys reach the piano before
  // menus or shortcuts take them.
  ComputerKeyboard(MidiState& midi, PianoKeyboard& piano);
  ~ComputerKeyboard() override;

  // The key handlers of the key array: index is the focused key, keyCode the platform code.
  void chkPiano_KeyDown(int index, int keyCode);
  void chkPiano_KeyUp(int index, int keyCode);

  // Piano keys still held down by computer keys.
  int heldCount() const { return static_cast<int>(held_.size()); }
  // Stops every note still held by a computer key (the window lost the keyboard).
  void releaseAll();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct HeldKey {
    quint64 physicalKey;     // scan code, or the key code where there is none
    int index;               // the piano key it pressed
    bool releasing = false;  // released, unless a repeat's press follows within the grace
  };
  int focusedKeyIndex(QObject* watched) const;
  // A press of a key already held (a repeat), taken wherever the focus is.
  bool heldKeyRepeat(QKeyEvent* event);
  bool keyPress(int focusedIndex, QKeyEvent* event);
  void finishReleases();
  // toPianoKey: the event is addressed to a piano key (and is consumed there).
  bool keyRelease(bool toPianoKey, QKeyEvent* event);

  MidiState& midi_;
  PianoKeyboard& piano_;
  std::vector<HeldKey> held_;
  QTimer releaseGrace_;
};

}  // namespace tonalix::keyboard
