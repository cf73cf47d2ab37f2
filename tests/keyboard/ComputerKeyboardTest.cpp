// Playing the piano from the computer keyboard, and the key labels, through the main window
// with its output going to a recording port.
#include <QAction>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QtTest>

#include "app/frmPiano.h"
#include "drums/DrumPads.h"
#include "keyboard/ComputerKeyboard.h"
#include "keyboard/KeyBindings.h"
#include "keyboard/KeyEventCode.h"
#include "keyboard/KeyGeometry.h"
#include "keyboard/KeyLabels.h"
#include "keyboard/PianoKeyboard.h"
#include "midi/SoundControls.h"
#include "tests/support/LoadedWindow.h"
#include "tests/support/RecordingPort.h"
#include "widgets/VirtualKeyCode.h"
#include "widgets/zqButtons_H.h"

using namespace tonalix;
using namespace tonalix::keyboard;
using tonalix::testing::RecordingPort;
using Messages = std::vector<std::uint32_t>;

namespace {
std::uint32_t noteOn(int note) { return 0x007F0090u | (static_cast<std::uint32_t>(note) << 8); }
std::uint32_t noteOff(int note) { return 0x00000080u | (static_cast<std::uint32_t>(note) << 8); }
// Only the note messages: a reopen may also restore the instrument.
Messages notesOnly(const Messages& in) {
  Messages out;
  for (std::uint32_t m : in)
    if ((m & 0xE0u) == 0x80u) out.push_back(m);
  return out;
}
}  // namespace

class ComputerKeyboardTest : public QObject {
  Q_OBJECT

  // A loaded, shown window playing into a recording port, key 0 focused.
  struct Rig : testing::LoadedWindow {
    Rig() : LoadedWindow(true) {
      window.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&window));
      key(0)->setFocus();
      port.take();
    }
    PianoKey* key(int i) { return window.piano().chkPiano(i); }
    void press(QWidget* to, int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier,
               bool autoRepeat = false) {
      QKeyEvent e(QEvent::KeyPress, qtKey, mods, QString(), autoRepeat);
      QApplication::sendEvent(to, &e);
    }
    void release(QWidget* to, int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier,
                 bool autoRepeat = false) {
      QKeyEvent e(QEvent::KeyRelease, qtKey, mods, QString(), autoRepeat);
      QApplication::sendEvent(to, &e);
    }
    void strike(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
      press(QApplication::focusWidget(), qtKey, mods);
      release(QApplication::focusWidget(), qtKey, mods);
    }
  };

 private slots:
  void everyBoundCodeIsReachableByPositionAndByQtKey() {
    // Each of the 65 bound codes must come out of some physical key and of some Qt key, or
    // that piano key could never be played.
    QSet<int> byPosition, byQtKey;
    for (std::uint32_t evdev = 0; evdev < 256; ++evdev) byPosition << codeFromEvdev(evdev);
    for (int k = 0; k < 0x01000100; k = (k == 0xFF ? 0x01000000 : k + 1)) {
      byQtKey << widgets::virtualKeyCode(k, Qt::NoModifier) << widgets::virtualKeyCode(k, Qt::KeypadModifier);
    }
    QSet<int> pianoKeys;
    for (const KeyBinding& b : keyBindings()) {
      QVERIFY2(byPosition.contains(b.code), qPrintable(QString::number(b.code)));
      QVERIFY2(byQtKey.contains(b.code), qPrintable(QString::number(b.code)));
      QCOMPARE(boundKeyForCode(b.code), b.index);
      pianoKeys << b.index;
    }
    QCOMPARE(pianoKeys.size(), 65);
    // Physical positions: Q, keypad Enter and Return, keypad divide, Insert, F11.
    QCOMPARE(codeFromEvdev(16), 81);
    QCOMPARE(codeFromEvdev(96), 13);
    QCOMPARE(codeFromEvdev(28), 13);
    QCOMPARE(codeFromEvdev(98), 111);
    QCOMPARE(codeFromEvdev(110), 45);
    QCOMPARE(codeFromEvdev(87), 122);
    // Keypad digits are not bound; the keypad's minus is, and differs from the main minus.
    QCOMPARE(boundKeyForCode(widgets::virtualKeyCode(Qt::Key_7, Qt::KeypadModifier)), -1);
    QCOMPARE(widgets::virtualKeyCode(Qt::Key_Minus, Qt::KeypadModifier), 109);
    QCOMPARE(widgets::virtualKeyCode(Qt::Key_Minus, Qt::NoModifier), 189);
  }

  void boundKeysPlayTheirNotesWithBaseNote50() {
    Rig rig;
    QCOMPARE(rig.window.midi().BaseNote(), 50);
    rig.strike(Qt::Key_Q);
    rig.strike(Qt::Key_Return);                      // key 64
    rig.strike(Qt::Key_Enter, Qt::KeypadModifier);   // keypad Enter, key 64 too
    rig.strike(Qt::Key_Plus, Qt::KeypadModifier);    // keypad add, key 62
    rig.strike(Qt::Key_F1);                          // black key 32
    rig.strike(Qt::Key_Q, Qt::ShiftModifier);        // Shift plays the plain key
    rig.strike(Qt::Key_Exclam, Qt::ShiftModifier);   // Shift+1 is still the key of "1"
    QCOMPARE(rig.port.take(),
             (Messages{noteOn(50), noteOff(50), noteOn(114), noteOff(114), noteOn(114),
                       noteOff(114), noteOn(112), noteOff(112), noteOn(82), noteOff(82),
                       noteOn(50), noteOff(50), noteOn(51), noteOff(51)}));
    QVERIFY(!rig.key(0)->isChecked());
  }

  void unboundKeysPlayTheFocusedKeyAndModifiersPlayNothing() {
    Rig rig;
    rig.key(7)->setFocus();
    rig.strike(Qt::Key_Space);
    rig.strike(Qt::Key_Left);
    rig.strike(Qt::Key_5, Qt::KeypadModifier);
    rig.press(rig.key(7), Qt::Key_Shift);
    rig.release(rig.key(7), Qt::Key_Shift);
    QCOMPARE(rig.port.take(), (Messages{noteOn(57), noteOff(57), noteOn(57), noteOff(57),
                                        noteOn(57), noteOff(57)}));
    // Space did not toggle the key as a button would.
    QVERIFY(!rig.key(7)->isChecked());
  }

  void aHeldKeySoundsOnceDespiteAutoRepeat() {
    Rig rig;
    PianoKey* focus = rig.key(0);
    rig.press(focus, Qt::Key_W);
    QVERIFY(rig.key(2)->isChecked());
    for (int i = 0; i < 5; ++i) {
      // X11 sends each repeat as a release and a press, both marked as repeats.
      rig.release(focus, Qt::Key_W, Qt::NoModifier, true);
      rig.press(focus, Qt::Key_W, Qt::NoModifier, true);
    }
    rig.press(focus, Qt::Key_W);  // an unmarked repeat is recognised by the held key too
    QCOMPARE(rig.port.take(), (Messages{noteOn(52)}));
    rig.release(focus, Qt::Key_W);
    QCOMPARE(rig.port.take(), (Messages{noteOff(52)}));
    QCOMPARE(rig.window.computerKeyboard().heldCount(), 0);
  }

  void aHeldKeySoundsOnceThroughTheClientSideRepeatOfWayland() {
    // On Wayland Qt repeats a held key itself: release and press pairs marked as repeats, with
    // the key's scan code and the time advancing, while the focus may have moved on.
    Rig rig;
    constexpr quint32 kScanE = 18 + 8;
    auto send = [](QWidget* to, QEvent::Type type, ulong time, bool repeat) {
      QKeyEvent e(type, Qt::Key_E, Qt::NoModifier, kScanE, 0, 0, QStringLiteral("e"), repeat);
      e.setTimestamp(time);
      QApplication::sendEvent(to, &e);
    };
    send(rig.key(0), QEvent::KeyPress, 1000, false);
    QWidget* list = rig.window.soundControls().lstInstrument();
    for (ulong time = 1400; time < 1700; time += 40) {
      send(time < 1500 ? static_cast<QWidget*>(rig.key(0)) : list, QEvent::KeyRelease, time, true);
      send(time < 1500 ? static_cast<QWidget*>(rig.key(0)) : list, QEvent::KeyPress, time, true);
      if (time == 1480) list->setFocus();
    }
    QCOMPARE(rig.port.take(), (Messages{noteOn(54)}));
    send(list, QEvent::KeyRelease, 1800, false);
    QTRY_COMPARE(rig.port.messages(), (Messages{noteOff(54)}));
    QCOMPARE(rig.window.computerKeyboard().heldCount(), 0);
  }

  void aHeldKeySoundsUntilReallyReleasedWhereverTheFocusWent() {
    Rig rig;
    auto send = [](QWidget* to, QEvent::Type type, ulong time) {
      QKeyEvent e(type, Qt::Key_W, Qt::NoModifier, QString());
      e.setTimestamp(time);
      QApplication::sendEvent(to, &e);
    };
    send(rig.key(0), QEvent::KeyPress, 1000);
    // The mouse picks an instrument while W is held: the list has the focus now.
    QWidget* list = rig.window.soundControls().lstInstrument();
    list->setFocus();
    for (ulong time = 1500; time < 2000; time += 33) {
      // Auto-repeat as release and press pairs of one time that Qt did not mark as repeats.
      send(list, QEvent::KeyRelease, time);
      send(list, QEvent::KeyPress, time);
      QTest::qWait(5);
    }
    QTest::qWait(100);
    QCOMPARE(rig.port.take(), (Messages{noteOn(52)}));
    send(list, QEvent::KeyRelease, 2500);
    QTRY_COMPARE(rig.port.messages(), (Messages{noteOff(52)}));
    QCOMPARE(rig.window.computerKeyboard().heldCount(), 0);
  }

  void releaseStopsTheKeyThatWasPressedEvenIfTheFocusMoved() {
    Rig rig;
    rig.key(3)->setFocus();
    rig.press(rig.key(3), Qt::Key_Space);  // unbound: plays key 3
    rig.key(9)->setFocus();
    rig.release(rig.key(9), Qt::Key_Space);
    QCOMPARE(rig.port.take(), (Messages{noteOn(53), noteOff(53)}));
  }

  void bindingsWinOverMenuShortcuts() {
    Rig rig;
    int triggered = 0;
    auto* action = new QAction(&rig.window);
    action->setShortcuts({QKeySequence(Qt::Key_F10), QKeySequence(Qt::ALT | Qt::Key_Q)});
    rig.window.addAction(action);
    connect(action, &QAction::triggered, [&] { ++triggered; });
    QTest::keyClick(rig.key(0), Qt::Key_F10);
    QTest::keyClick(rig.key(0), Qt::Key_Q, Qt::AltModifier);
    QCOMPARE(triggered, 0);
    QCOMPARE(rig.port.take(), (Messages{noteOn(104), noteOff(104), noteOn(50), noteOff(50)}));
    // Alt and a menu's letter opens that menu from the piano, and sounds nothing.
    const QList<QAction*> menus = rig.window.menuBar()->actions();
    for (int m : {0, 1, 2}) {
      QMenu* menu = menus.at(m)->menu();
      QTest::keyClick(rig.key(0), QKeySequence::mnemonic(menus.at(m)->text())[0].key(), Qt::AltModifier);
      QTRY_VERIFY2(menu->isVisible(), qPrintable(menus.at(m)->text()));
      menu->close();
    }
    QVERIFY(rig.port.take().empty());
    // With the focus elsewhere the shortcut is the window's again.
    rig.window.keyLabels().cmdKeyVisible()->setFocus();
    QTest::keyClick(rig.window.keyLabels().cmdKeyVisible(), Qt::Key_F10);
    QCOMPARE(triggered, 1);
  }

  void clickingButtonsLeavesTheKeyboardPlayingThePiano() {
    Rig rig;
    rig.key(5)->setFocus();
    QTest::mouseClick(rig.window.controls().widget("cmdOctave", 2), Qt::LeftButton);  // BaseNote 16
    QTest::mouseClick(rig.window.drumPads().cmdDrum(1), Qt::LeftButton);
    QTest::mouseClick(rig.window.drumPads().cmdDrum(1), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(rig.key(5)));
    rig.strike(Qt::Key_Q);
    QCOMPARE(notesOnly(rig.port.take()), (Messages{noteOn(16), noteOff(16)}));
  }

  void aKeyPressTakesTheOutputBackFromASong() {
    Rig rig;
    rig.letASongTakeTheOutput();
    rig.strike(Qt::Key_Q);
    rig.strike(Qt::Key_Q);
    QCOMPARE(rig.songStops, 1);
    QCOMPARE(notesOnly(rig.port.take()), (Messages{noteOn(50), noteOff(50), noteOn(50), noteOff(50)}));
  }

  void labelsShowTheBindingsAndReleasesRestoreThem() {
    Rig rig;
    KeyLabels& labels = rig.window.keyLabels();
    PianoKeyboard& piano = rig.window.piano();
    QVERIFY(!labels.lblKey1()->isVisible());
    QCOMPARE(piano.ShowKey(), false);

    rig.key(30)->setFocus();
    QTest::mouseClick(labels.cmdKeyVisible(), Qt::LeftButton);
    QCOMPARE(piano.ShowKey(), true);
    QVERIFY(rig.key(0)->hasFocus());
    QVERIFY(labels.lblKey1()->isVisible() && labels.lblKey2()->isVisible());
    QCOMPARE(rig.key(0)->caption(), QString(29, ' ') + "Q");
    QCOMPARE(rig.key(38)->caption(), QString(30, ' ') + "''");
    QCOMPARE(rig.key(64)->caption(), QString(29, ' ') + "<-");
    QCOMPARE(rig.key(36)->caption(), QString(31, ' ') + ":");
    QCOMPARE(rig.key(1)->caption(), QString());
    QCOMPARE(rig.key(12)->foreColor(), QColor(0x5E, 0x5E, 0x5E));
    for (int i = 0; i < kKeyCount; ++i) QVERIFY(rig.key(i)->picture().isNull());
    QCOMPARE(labels.lblKey1()->caption().size(), 199);
    QCOMPARE(labels.lblKey2()->caption().size(), 99);
    QCOMPARE(labels.lblKey2()->names(),
             (QStringList{"F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "Ins", "Del"}));

    // A press hides that key's label; the release restores every label and gives the black
    // keys their released picture while the white keys stay without one.
    rig.press(rig.key(0), Qt::Key_E);
    QCOMPARE(rig.key(4)->caption(), QString());
    QVERIFY(!rig.key(4)->picture().isNull());
    rig.release(rig.key(0), Qt::Key_E);
    QCOMPARE(rig.key(4)->caption(), QString(29, ' ') + "E");
    const qint64 blackUp = piano.pictures().picBlackKU.cacheKey();
    for (int i = 0; i < kKeyCount; ++i) {
      if (isBlackKey(i))
        QCOMPARE(rig.key(i)->picture().cacheKey(), blackUp);
      else
        QVERIFY(rig.key(i)->picture().isNull());
    }

    rig.key(30)->setFocus();
    QTest::mouseClick(labels.cmdKeyHide(), Qt::LeftButton);
    QCOMPARE(piano.ShowKey(), false);
    QVERIFY(rig.key(0)->hasFocus());
    QVERIFY(!labels.lblKey1()->isVisible() && !labels.lblKey2()->isVisible());
    const qint64 whiteUp = piano.pictures().picWhiteKU.cacheKey();
    for (int i = 0; i < kKeyCount; ++i) {
      QCOMPARE(rig.key(i)->caption(), QString());
      QCOMPARE(rig.key(i)->foreColor(), QColor(Qt::white));
      if (isWhiteKey(i)) QCOMPARE(rig.key(i)->picture().cacheKey(), whiteUp);
    }
    QCOMPARE(labels.cmdKeyVisible()->toolTip(), QString("Show Piano Key Labels"));
    QCOMPARE(labels.cmdKeyHide()->toolTip(), QString("Hide Piano Key Labels"));
  }

  void stripNamesStandOverTheirBlackKeys() {
    Rig rig;
    KeyLabels& labels = rig.window.keyLabels();
    QList<int> black;
    for (int i = 0; i < kKeyCount; ++i)
      if (isBlackKey(i)) black << i;
    int k = 0;
    for (KeyStripLabel* strip : {labels.lblKey1(), labels.lblKey2()}) {
      const QList<QRectF> rects = strip->nameRects();
      const QStringList names = strip->names();
      for (int n = 0; n < rects.size(); ++n, ++k) {
        const QRect key = keyRectPixels(black[k]);
        const QRectF onWindow = rects[n].translated(strip->pos());
        QVERIFY2(std::abs(onWindow.center().x() - (key.x() + key.width() / 2.0)) < 1.0,
                 qPrintable(names[n]));
        // Each name stays inside its strip and clear of the next name.
        QVERIFY(rects[n].left() >= 0 && rects[n].right() <= strip->width());
        if (n + 1 < rects.size()) QVERIFY2(rects[n].right() < rects[n + 1].left(), qPrintable(names[n]));
      }
    }
    QCOMPARE(k, kBlackKeyCount);
  }
};

QTEST_MAIN(ComputerKeyboardTest)
#include "ComputerKeyboardTest.moc"
