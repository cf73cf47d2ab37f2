#include "keyboard/PianoKeyboard.h"

#include <QWidget>

#include "keyboard/KeyGeometry.h"
#include "keyboard/NoFocusRect.h"

namespace tonalix::keyboard {

namespace {
const QColor kWhiteBack(0xFF, 0xFF, 0xFF);
const QColor kBlackBack(0x40, 0x40, 0x40);
}  // namespace

PianoKeyboard::PianoKeyboard(MidiState& midi, QWidget* parent, std::function<void()> showKeyLabels)
    : QObject(parent),
      midi_(midi),
      showKeyLabels_(std::move(showKeyLabels)),
      pictures_(KeyPictures::paint(parent->devicePixelRatioF())) {
  // White keys first, then black ones, so the black keys lie on top.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < kKeyCount; ++i) {
      if (isBlackKey(i) != (pass == 1)) continue;
      auto* key = new PianoKey(i, parent);
      key->setGeometry(keyRectPixels(i));
      key->setBackColor(isBlackKey(i) ? kBlackBack : kWhiteBack);
      key->setAccessibleDescription(QStringLiteral("Piano key"));
      connect(key, &PianoKey::MouseDown, this, &PianoKeyboard::chkPiano_MouseDown);
      connect(key, &PianoKey::MouseUp, this, &PianoKeyboard::chkPiano_MouseUp);
      keys_[static_cast<std::size_t>(i)] = key;
    }
  }
  NameKeys();
}

QString NoteName(int note) {
  static const char* const kNames[12] = {"C", "C#", "D", "D#", "E", "F",
                                         "F#", "G", "G#", "A", "A#", "B"};
  if (note < 0 || note > 127) return {};
  return QString::fromLatin1(kNames[note % 12]) + QString::number(note / 12 - 1);
}

void PianoKeyboard::NameKeys() {
  for (int i = 0; i < kKeyCount; ++i)
    keys_[static_cast<std::size_t>(i)]->setAccessibleName(NoteName(midi_.BaseNote() + i));
}

PianoKey* PianoKeyboard::chkPiano(int index) const {
  if (index < 0 || index >= kKeyCount) return nullptr;
  return keys_[static_cast<std::size_t>(index)];
}

void PianoKeyboard::ShowWhiteKeysUp() {
  for (int i = 0; i < kKeyCount; ++i)
    if (isWhiteKey(i)) keys_[static_cast<std::size_t>(i)]->setPicture(pictures_.picWhiteKU);
}

void PianoKeyboard::ShowBlackKeysUp() {
  for (int i = 0; i < kKeyCount; ++i)
    if (isBlackKey(i)) keys_[static_cast<std::size_t>(i)]->setPicture(pictures_.picBlackKU);
}

void PianoKeyboard::ShowKeyDown(std::int16_t& index) {
  PianoKey* key = chkPiano(index);
  if (!key) return;
  key->setPicture(isWhiteKey(index) ? pictures_.picWhiteKD : pictures_.picBlackKD);
}

void PianoKeyboard::RedrawKeys() {
  if (showKey_) {
    if (showKeyLabels_) showKeyLabels_();
  } else {
    ShowWhiteKeysUp();
  }
  ShowBlackKeysUp();
}

void PianoKeyboard::PrepareAtLoad() {
  ShowWhiteKeysUp();
  ShowBlackKeysUp();
  for (PianoKey* key : keys_) SetNoFocusRect(key, true);
}

void PianoKeyboard::KeyDown(int index) {
  PianoKey* key = chkPiano(index);
  if (!key) return;
  midi_.ClaimForLivePlay();
  midi_.PlayNote(static_cast<std::int16_t>(midi_.BaseNote() + index));
  key->setCaption(QString());
  std::int16_t i = static_cast<std::int16_t>(index);
  ShowKeyDown(i);
}

void PianoKeyboard::KeyUp(int index) {
  PianoKey* key = chkPiano(index);
  if (!key) return;
  // The note-off uses the transposition in force now, not the one at the press.
  midi_.StopNote(static_cast<std::int16_t>(midi_.BaseNote() + index));
  key->setChecked(false);
  RedrawKeys();
}

void PianoKeyboard::chkPiano_MouseDown(int index, Qt::MouseButton) { KeyDown(index); }

void PianoKeyboard::chkPiano_MouseUp(int index, Qt::MouseButton) { KeyUp(index); }

}  // namespace tonalix::keyboard
