#include "keyboard/ComputerKeyboard.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>

#include "keyboard/KeyBindings.h"
#include "keyboard/KeyEventCode.h"
#include "keyboard/PianoKeyboard.h"

namespace tonalix::keyboard {

namespace {
// A physical key is known by its scan code where the window system gives one; the key code
// otherwise. Shifted and plain forms of a key share the key code, so a Shift released first
// still matches the release to its press.
quint64 physicalKeyOf(const QKeyEvent& event, int code) {
  if (event.nativeScanCode() != 0) return event.nativeScanCode();
  return (quint64{1} << 32) | static_cast<quint64>(code != 0 ? code : event.key());
}

// Some desktops send a held key's auto-repeat as release and press pairs that Qt cannot always
// mark as repeats; the two carry the same time. A timed release therefore waits this long for
// its pair's press before it stops the note.
constexpr int kRepeatPairGraceMs = 30;

// Tab and Shift+Tab keep moving the focus between controls.
bool isFocusKey(const QKeyEvent& event) {
  return event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
}

// Alt and a menu's underlined letter opens that menu, as everywhere on the desktop: the focus
// never leaves the piano, so without this a keyboard-only user could never reach a menu. The
// letter is the one the user's layout types (the event's key), as the menu bar matches it.
bool opensMenu(QObject* watched, const QKeyEvent& event) {
  if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  const QKeySequence pressed(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(event.key())));
  for (const QMenuBar* bar : widget->window()->findChildren<QMenuBar*>())
    for (const QAction* menu : bar->actions())
      if (menu->isVisible() && menu->isEnabled() && QKeySequence::mnemonic(menu->text()) == pressed)
        return true;
  return false;
}
}  // namespace

ComputerKeyboard::ComputerKeyboard(MidiState& midi, PianoKeyboard& piano)
    : QObject(&piano), midi_(midi), piano_(piano) {
  held_.reserve(16);
  releaseGrace_.setSingleShot(true);
  releaseGrace_.setInterval(kRepeatPairGraceMs);
  connect(&releaseGrace_, &QTimer::timeout, this, &ComputerKeyboard::finishReleases);
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

ComputerKeyboard::~ComputerKeyboard() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void ComputerKeyboard::chkPiano_KeyDown(int index, int keyCode) {
  const int bound = boundKeyForCode(keyCode);
  if (bound >= 0) index = bound;
  PianoKey* key = piano_.chkPiano(index);
  if (!key) return;
  // The press hands the output back to live play (inside KeyDown) before anything sounds.
  key->setChecked(true);
  piano_.KeyDown(index);
}

void ComputerKeyboard::chkPiano_KeyUp(int index, int keyCode) {
  const int bound = boundKeyForCode(keyCode);
  piano_.KeyUp(bound >= 0 ? bound : index);
}

void ComputerKeyboard::releaseAll() {
  releaseGrace_.stop();
  // Move the list out first: KeyUp redraws, and nothing must see a half-emptied list.
  std::vector<HeldKey> held;
  held.swap(held_);
  for (const HeldKey& h : held) piano_.KeyUp(h.index);
  held.clear();
  held_.swap(held);  // keeps the reserved room
}

void ComputerKeyboard::finishReleases() {
  std::vector<int> released;
  for (const HeldKey& h : held_)
    if (h.releasing) released.push_back(h.index);
  std::erase_if(held_, [](const HeldKey& h) { return h.releasing; });
  for (int index : released) piano_.KeyUp(index);
}

int ComputerKeyboard::focusedKeyIndex(QObject* watched) const {
  auto* key = qobject_cast<PianoKey*>(watched);
  if (!key || piano_.chkPiano(key->index()) != key) return -1;
  return key->index();
}

bool ComputerKeyboard::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride: {
      // A bound key stays a piano key even where a menu or shortcut would claim it.
      if (focusedKeyIndex(watched) < 0) return false;
      auto* e = static_cast<QKeyEvent*>(event);
      if (isFocusKey(*e) || isModifierKey(e->key()) || opensMenu(watched, *e)) return false;
      if (boundKeyForCode(codeFromKeyEvent(*e)) < 0) return false;
      e->accept();
      return true;
    }
    case QEvent::KeyPress: {
      if (heldKeyRepeat(static_cast<QKeyEvent*>(event))) return true;
      const int index = focusedKeyIndex(watched);
      if (index < 0) return false;
      return keyPress(index, static_cast<QKeyEvent*>(event));
    }
    case QEvent::KeyRelease:
      // A release may reach another control if the focus moved while the key was held.
      return keyRelease(focusedKeyIndex(watched) >= 0, static_cast<QKeyEvent*>(event));
    case QEvent::ApplicationStateChange:
      // Releases that happen while another window has the keyboard never reach us.
      if (QGuiApplication::applicationState() != Qt::ApplicationActive) releaseAll();
      return false;
    default:
      return false;
  }
}

bool ComputerKeyboard::heldKeyRepeat(QKeyEvent* event) {
  if (isFocusKey(*event) || isModifierKey(event->key())) return false;
  const quint64 physical = physicalKeyOf(*event, codeFromKeyEvent(*event));
  const auto held = std::find_if(held_.begin(), held_.end(),
                                 [&](const HeldKey& h) { return h.physicalKey == physical; });
  if (held == held_.end()) return false;
  held->releasing = false;  // the release before it was the repeat's, not the player's
  event->accept();
  return true;
}

bool ComputerKeyboard::keyPress(int focusedIndex, QKeyEvent* event) {
  if (isFocusKey(*event)) return false;
  event->accept();
  // Modifiers on their own play nothing; auto-repeat would strike the held note again.
  if (isModifierKey(event->key()) || event->isAutoRepeat()) return true;
  const int code = codeFromKeyEvent(*event);
  const quint64 physical = physicalKeyOf(*event, code);
  const auto held = std::find_if(held_.begin(), held_.end(),
                                 [&](const HeldKey& h) { return h.physicalKey == physical; });
  if (held != held_.end()) return true;  // a repeat the window system did not mark as one

  const int bound = boundKeyForCode(code);
  const int index = bound >= 0 ? bound : focusedIndex;
  held_.push_back({physical, index});
  chkPiano_KeyDown(index, code);
  return true;
}

bool ComputerKeyboard::keyRelease(bool toPianoKey, QKeyEvent* event) {
  if (isFocusKey(*event) || isModifierKey(event->key())) return false;
  if (event->isAutoRepeat()) return toPianoKey;
  const int code = codeFromKeyEvent(*event);
  const quint64 physical = physicalKeyOf(*event, code);
  const auto held = std::find_if(held_.begin(), held_.end(),
                                 [&](const HeldKey& h) { return h.physicalKey == physical; });
  if (held == held_.end()) return false;
  // A release with a time may be the first half of a repeat pair (see kRepeatPairGraceMs);
  // one without a time (sent by a program) is final.
  if (event->timestamp() != 0) {
    held->releasing = true;
    releaseGrace_.start();
    return toPianoKey;
  }
  // The key released is the one pressed, even if an unbound key's focus has moved since.
  const int index = held->index;
  held_.erase(held);
  piano_.KeyUp(index);
  return toPianoKey;
}

}  // namespace tonalix::keyboard
