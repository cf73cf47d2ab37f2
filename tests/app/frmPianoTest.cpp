// The main window end to end: menus, fixed size, mouse play on the keys, the hand-over after a
// song, the unload order, and one key press heard through the real synthesizer.
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include "app/frmPiano.h"
#include "drums/DrumPads.h"
#include "keyboard/KeyGeometry.h"
#include "keyboard/PianoKeyboard.h"
#include "midi/DeviceMenu.h"
#include "midi/SoundControls.h"
#include "songs/SampleSongPanel.h"
#include "widgets/zqButtons_H.h"
#include "platform/audio/AudioEngine.h"
#include "platform/midiout/MidiOut.h"
#include "tests/platform/AudioTestSupport.h"
#include "tests/support/LoadedWindow.h"
#include "tests/support/RecordingPort.h"

using namespace tonalix;
using tonalix::testing::RecordingPort;
using Messages = std::vector<std::uint32_t>;

class frmPianoTest : public QObject {
  Q_OBJECT

  // A loaded window whose output plays into a recording port.
  struct Rig : testing::LoadedWindow {
    keyboard::PianoKey* key(int i) { return window.piano().chkPiano(i); }
  };

  // The first control under root that assistive technology would find by this name.
  static QAccessibleInterface* findByName(QAccessibleInterface* root, const QString& name) {
    if (!root) return nullptr;
    if (root->text(QAccessible::Name) == name) return root;
    for (int i = 0; i < root->childCount(); ++i)
      if (QAccessibleInterface* found = findByName(root->child(i), name)) return found;
    return nullptr;
  }

 private slots:
  void theWindowDesignBuildsWithoutErrors() {
    frmPiano window;
    QStringList problems;
    for (const auto& e : window.designErrors()) problems << e.toString();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
  }

  void theWindowDesignSavesBackAsItWasLoaded() {
    // Building the window from its design and saving what was built gives the design again
    // (comments and layout of the file aside).
    const auto parsed = widgets::FormDesign::load(QStringLiteral(":/frmPiano.design"));
    QVERIFY(parsed.ok());
    QWidget surface;
    const auto built = parsed.design.build(&surface);
    QCOMPARE(widgets::FormDesign::capture(built).save(), parsed.design.save());
  }

  void theRecorderButtonsCarryTheirDesignedLooks() {
    frmPiano window;
    for (const char* name : {"cmdRecord", "cmdStop", "cmdPlay"}) {
      const auto* b = window.findChild<widgets::zqButtons_H*>(QLatin1String(name));
      QVERIFY2(b, name);
      QCOMPARE(b->ButtonStyle(), 7);
      QCOMPARE(b->GradientMode(), 4);
      QVERIFY2(!b->Picture().isNull(), name);
      QCOMPARE(b->PictureAlign(), 0);
      // Hover keeps the gradient rather than turning the face flat.
      QCOMPARE(b->HoverBackColor(), b->GradientColor());
    }
    const auto* browse = window.findChild<widgets::zqButtons_H*>(QStringLiteral("Command1"));
    QVERIFY(browse);
    QCOMPARE(browse->ButtonStyle(), 7);
    QCOMPARE(browse->PictureAlign(), 4);
    QCOMPARE(browse->PictureSize(), 3);
    QVERIFY(!browse->Picture().isNull());
    for (int i = 0; i < 8; ++i) {
      const auto* octave = window.findChild<widgets::zqButtons_H*>(QStringLiteral("cmdOctave(%1)").arg(i));
      QVERIFY(octave);
      QCOMPARE(octave->GradientMode(), 1);
      QCOMPARE(octave->HoverBackColor(), octave->GradientColor());
    }
  }

  void menusStandInTheirOrderWithTheirCaptions() {
    frmPiano window;
    window.Form_Load();
    QStringList titles;
    for (QAction* a : window.menuBar()->actions()) titles << a->text();
    QCOMPARE(titles, (QStringList{"&File", "&Midi Device", "&Help"}));
    QCOMPARE(window.mnuExit()->text(), QString("Exit"));
    QStringList help;
    for (QAction* a : window.menuBar()->actions().at(2)->menu()->actions())
      help << (a->isSeparator() ? QString("-") : a->text());
    QCOMPARE(help, (QStringList{"How to Use", "About", "-", "System Info"}));
    QVERIFY(window.windowTitle().startsWith(" Tonalix STUDIO 4.0 - "));
  }

  void deviceMenuListsTheMapperAndAtMostThreeDevices() {
    std::vector<std::unique_ptr<RecordingPort>> ports;
    for (int i = 0; i < 5; ++i)
      ports.push_back(std::make_unique<RecordingPort>("Port " + std::to_string(i)));
    frmPiano window;
    window.Form_Load();
    DeviceMenu& menu = window.deviceMenu();
    QCOMPARE(menu.device(0)->text(), QString("MIDI Mapper"));
    QVERIFY(menu.device(0)->isChecked());
    QCOMPARE(window.midi().SelectedDevice(), std::int16_t(-1));
    QVERIFY(window.deviceMenu().MidiDeviceCount() >= 6);
    for (int i = 1; i < 4; ++i) QVERIFY(menu.device(i)->isVisible() && menu.device(i)->isEnabled());
    QCOMPARE(menu.device(2)->text(), QString("Port 0"));
    QCOMPARE(menu.device(3)->text(), QString("Port 1"));
    QCOMPARE(menu.midi_devices()->actions().size(), 4);

    // Choosing a device moves the check mark and plays there at once, with the chosen
    // instrument sent there first.
    menu.device(3)->trigger();
    QVERIFY(!menu.device(0)->isChecked());
    QVERIFY(menu.device(3)->isChecked());
    QCOMPARE(window.midi().SelectedDevice(), std::int16_t(2));
    window.piano().KeyDown(0);
    QCOMPARE(ports[1]->take(), (Messages{0x000000B0, 0x000020B0, 0x000000C0, 0x007F3290}));
  }

  void windowKeepsItsDesignedSize() {
    frmPiano window;
    window.Form_Load();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    const QSize before = window.size();
    window.resize(before + QSize(100, 80));
    window.showMaximized();
    QTRY_COMPARE(window.size(), before);
  }

  void thePianoHoldsTheKeyboardFocusWhenTheWindowOpens() {
    frmPiano window;
    window.Form_Load();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window.piano().chkPiano(0)));
  }

  void everyControlIsFoundByNameAndRoleAndWorksThroughAccessibility() {
    Rig rig;
    for (QWidget* control : rig.window.surface()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!control->isVisibleTo(&rig.window)) continue;
      if (auto* label = qobject_cast<QLabel*>(control); label && label->text().isEmpty()) continue;
      QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
      QVERIFY2(iface, qPrintable(control->objectName()));
      QVERIFY2(!iface->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
      QVERIFY2(iface->role() != QAccessible::Client && iface->role() != QAccessible::NoRole,
               qPrintable(control->objectName()));
    }
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&rig.window);

    // Keys are named by the note they play: C4 moves when the pitch does.
    QAccessibleInterface* c4 = findByName(window, QStringLiteral("C4"));
    QVERIFY(c4);
    QCOMPARE(c4->role(), QAccessible::CheckBox);  // a two-state key, checked while held
    QCOMPARE(c4->object(), rig.key(60 - 50));
    rig.window.soundControls().SetPitch(48);
    QCOMPARE(findByName(window, QStringLiteral("C4"))->object(), rig.key(12));

    // A drum pad by its instrument, pressed as a screen reader would: it starts repeating.
    QAccessibleInterface* pad = findByName(window, QStringLiteral("BASS DRUM"));
    QVERIFY(pad);
    QCOMPARE(pad->role(), QAccessible::Button);
    pad->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(rig.window.drumPads().playDrum(1));
    QVERIFY(findByName(window, QStringLiteral("BASS DRUM rate")));

    // A song button by its title, a picture-only button by its tooltip.
    QCOMPARE(findByName(window, QStringLiteral("BEETHOVEN - Fur Elise"))->object(),
             static_cast<QObject*>(rig.window.sampleSongs().cmdMidiSample(5)));
    QCOMPARE(findByName(window, QStringLiteral("Show Piano Key Labels"))->role(), QAccessible::Button);
    // The recorder: its buttons by caption, its captionless format options by the format.
    for (const char* name : {"REC", "STOP", "PLAY"})
      QVERIFY2(findByName(window, QString::fromLatin1(name)), name);
    QAccessibleInterface* format = findByName(window, QStringLiteral("44,100 kHz, 16 Bit, Stereo"));
    QVERIFY(format);
    QCOMPARE(format->role(), QAccessible::RadioButton);
    QVERIFY(format->state().checked);

    // The volume slider reports and takes its value; the window acts on it as on a user's move.
    QAccessibleInterface* volume = findByName(window, QStringLiteral("Synthesizer Volume"));
    QVERIFY(volume);
    QCOMPARE(volume->role(), QAccessible::Slider);
    QCOMPARE(volume->valueInterface()->currentValue().toInt(), 127);
    volume->valueInterface()->setCurrentValue(100);
    QCOMPARE(rig.window.midi().KeyVelocity(), 100);
    QAccessibleInterface* level = findByName(window, QStringLiteral("Volume Indicator"));
    QVERIFY(level);
    QCOMPARE(level->role(), QAccessible::ProgressBar);
    QCOMPARE(level->valueInterface()->currentValue().toInt(), 100);
  }

  void keysStandAtTheirPlacesInTwoColours() {
    Rig rig;
    QCOMPARE(rig.key(0)->geometry(), QRect(21, 215, 18, 113));
    QCOMPARE(rig.key(1)->geometry(), QRect(32, 215, 13, 70));
    QCOMPARE(rig.key(64)->geometry().left(), (315 + 285 * 37) / 15);
    int white = 0, black = 0;
    for (int i = 0; i < keyboard::kKeyCount; ++i) {
      const bool isBlack = rig.key(i)->backColor() == QColor(0x40, 0x40, 0x40);
      QCOMPARE(isBlack, keyboard::isBlackKey(i));
      (isBlack ? black : white)++;
      QVERIFY(rig.key(i)->focusPolicy() & Qt::TabFocus);
    }
    QCOMPARE(white, 38);
    QCOMPARE(black, 27);
    // Black keys lie above their white neighbours.
    QCOMPARE(rig.window.surface()->childAt(rig.key(1)->geometry().center()), rig.key(1));
  }

  void everyMouseButtonPlaysAndTheReleaseUsesTheCurrentBaseNote() {
    Rig rig;
    QTest::mousePress(rig.key(0), Qt::LeftButton);
    QTest::mouseRelease(rig.key(0), Qt::LeftButton);
    QTest::mousePress(rig.key(1), Qt::RightButton);
    QTest::mouseRelease(rig.key(1), Qt::RightButton);
    QCOMPARE(rig.port.take(), (Messages{0x007F3290, 0x00003280, 0x007F3390, 0x00003380}));

    // The pitch moves while the key is held: the note-off goes to the new note.
    QTest::mousePress(rig.key(0), Qt::LeftButton);
    rig.window.midi().SetBaseNote(63);
    QTest::mouseRelease(rig.key(0), Qt::LeftButton);
    QTest::mousePress(rig.key(64), Qt::LeftButton);
    QTest::mouseRelease(rig.key(64), Qt::LeftButton);
    QCOMPARE(rig.port.take(), (Messages{0x007F3290, 0x00003F80, 0x007F7F90, 0x00007F80}));
  }

  void pressedKeysShowThePressedPictureUntilTheReleaseRedrawsAll() {
    Rig rig;
    const auto& pics = rig.window.piano().pictures();
    QTest::mousePress(rig.key(0), Qt::LeftButton);
    QCOMPARE(rig.key(0)->picture().cacheKey(), pics.picWhiteKD.cacheKey());
    QTest::mousePress(rig.key(1), Qt::LeftButton);
    QCOMPARE(rig.key(1)->picture().cacheKey(), pics.picBlackKD.cacheKey());
    // Releasing one key redraws the whole keyboard, the other held key included.
    QTest::mouseRelease(rig.key(1), Qt::LeftButton);
    QCOMPARE(rig.key(0)->picture().cacheKey(), pics.picWhiteKU.cacheKey());
    QCOMPARE(rig.key(1)->picture().cacheKey(), pics.picBlackKU.cacheKey());
    QTest::mouseRelease(rig.key(0), Qt::LeftButton);
    for (int i = 0; i < keyboard::kKeyCount; ++i) QVERIFY(!rig.key(i)->isChecked());
  }

  void theFirstPressAfterASongTakesTheOutputBackOnce() {
    Rig rig;
    MidiState& midi = rig.window.midi();
    rig.letASongTakeTheOutput();
    QTest::mousePress(rig.key(2), Qt::LeftButton);
    QTest::mouseRelease(rig.key(2), Qt::LeftButton);
    QTest::mousePress(rig.key(2), Qt::LeftButton);
    QTest::mouseRelease(rig.key(2), Qt::LeftButton);
    QCOMPARE(rig.songStops, 1);
    QCOMPARE(midi.PlayMode(), MidiState::kLiveOwnsOutput);
    // The chosen instrument (still program 0) is sent again before the first note.
    QCOMPARE(rig.port.take(), (Messages{0x000000B0, 0x000020B0, 0x000000C0, 0x007F3490,
                                        0x00003480, 0x007F3490, 0x00003480}));
  }

  void unloadStopsTheSongClosesTheOutputThenRemovesTempFiles() {
    RecordingPort port;
    QStringList steps;
    {
      frmPiano::Services services;
      services.stopSong = [&] { steps << "stop"; };
      services.deleteSampleTempFiles = [&] { steps << QString("delete after %1 close").arg(port.closes()); };
      frmPiano window(services);
      window.Form_Load();
      window.midi().SelectDevice(static_cast<std::int16_t>(port.deviceId()));
      window.midi().CloseAndOpen();
      window.show();
      window.mnuExit()->trigger();
      QCOMPARE(steps, (QStringList{"stop", "delete after 1 close"}));
    }
    QCOMPARE(steps.size(), 2);  // destroying the window does not unload twice
  }

  void aKeyPressSoundsAtItsPitchThroughTheSynthesizer() {
    platform::AudioEngine engine;
    QVERIFY(engine.start(platform::test::offlineConfig()));
    platform::setBuiltInSynth(&engine);
    {
      frmPiano window;
      window.Form_Load();  // opens device 0, the built-in synthesizer
      // Key 19 at BaseNote 50 is note 69, the A at 440 Hz.
      QTest::mousePress(window.piano().chkPiano(19), Qt::LeftButton);
      std::vector<float> stereo(2 * 24000);
      engine.renderOffline(stereo.data(), 24000);
      const auto left = platform::test::leftChannel(stereo);
      QVERIFY(platform::test::peakOf(left) > 0.01f);
      const std::vector<float> steady(left.begin() + 4800, left.end());
      const double hz = platform::test::pitchOf(steady, engine.sampleRate());
      QVERIFY2(std::abs(hz - 440.0) < 4.0, qPrintable(QString::number(hz)));
      QTest::mouseRelease(window.piano().chkPiano(19), Qt::LeftButton);
    }
    platform::setBuiltInSynth(nullptr);
  }
};

QTEST_MAIN(frmPianoTest)
#include "frmPianoTest.moc"
