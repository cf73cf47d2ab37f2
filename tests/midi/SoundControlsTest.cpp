// The sound controls on the loaded main window: start-up values, instrument picks by mouse and
// keyboard, the sliders acting only on a release over them, the octave buttons, the level bars
// and the instrument following the output to another device or back from a song.
#include <QListWidget>
#include <QtTest>

#include "app/frmPiano.h"
#include "keyboard/PianoKeyboard.h"
#include "midi/DeviceMenu.h"
#include "midi/InstrumentCatalogue.h"
#include "midi/SoundControls.h"
#include "platform/midiout/MidiOut.h"
#include "tests/support/RecordingPort.h"
#include "widgets/DesignLabel.h"
#include "widgets/zqButtons_H.h"
#include "widgets/zykProgressBar.h"
#include "widgets/zykSlider.h"

using namespace tonalix;
using tonalix::testing::RecordingPort;
using widgets::zykSlider;
using Messages = std::vector<std::uint32_t>;

namespace {
constexpr std::uint32_t kBankCoarse = 0x000000B0, kBankFine = 0x000020B0;
Messages operator+(Messages a, const Messages& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Messages instrument(int program) {
  return {kBankCoarse, kBankFine, MidiState::ShortMessage(0xC0, 0, program, 0)};
}
std::uint32_t noteOn(int note, int velocity = 127) {
  return MidiState::ShortMessage(0x90, 0, note, velocity);
}
}  // namespace

class SoundControlsTest : public QObject {
  Q_OBJECT

  // A window loaded with its output on a recording port from the very start.
  struct Rig {
    RecordingPort port;
    frmPiano window;
    explicit Rig(bool keepLoadMessages = false) {
      window.midi().SelectDevice(static_cast<std::int16_t>(port.deviceId()));
      window.Form_Load();
      // The load's menu step chose the mapper; keep playing into the port afterwards too.
      window.midi().SelectDevice(static_cast<std::int16_t>(port.deviceId()));
      if (!keepLoadMessages) port.take();
    }
    MidiState& midi() { return window.midi(); }
    SoundControls& sound() { return window.soundControls(); }
    // Presses and releases on-screen key k; returns its note-on.
    std::uint32_t play(int k) {
      window.piano().KeyDown(k);
      window.piano().KeyUp(k);
      const Messages sent = port.take();
      return sent.empty() ? 0 : sent.front();
    }
  };

  // Drags a vertical slider's thumb by dy pixels and releases at release (slider coordinates).
  static void drag(zykSlider* s, int dy, QPoint release) {
    const QPoint grab = s->thumbRect().center();
    QTest::mousePress(s, Qt::LeftButton, {}, grab);
    QTest::mouseMove(s, grab + QPoint(0, dy));
    QTest::mouseRelease(s, Qt::LeftButton, {}, release);
  }

 private slots:
  void startUpGivesEveryControlItsValueAndSendsTheFirstInstrument() {
    Rig rig(true);
    // Nothing but the first instrument is sent while the window loads.
    QCOMPARE(rig.port.take(), instrument(0));
    SoundControls& s = rig.sound();
    QCOMPARE(s.lblPitch()->Caption(), QString("50"));
    QCOMPARE(s.vscrPitch()->Value(), 50);
    QCOMPARE(s.pitchProgBar()->Value(), 50);
    QCOMPARE(rig.midi().BaseNote(), std::int16_t{50});
    QCOMPARE(s.vscrVolume()->Value(), 127);
    QCOMPARE(s.volProgBar()->Value(), 127);
    QCOMPARE(rig.midi().KeyVelocity(), std::int16_t{127});
    QCOMPARE(s.hscrvolumeD()->Value(), 127);
    QCOMPARE(rig.midi().DrumVelocity(), std::int16_t{127});
    QCOMPARE(s.lstInstrument()->currentRow(), 0);
    QCOMPARE(s.vscrPitch()->Max(), 63);
    QCOMPARE(s.pitchProgBar()->Max(), 63);
    for (int i = 0; i < SoundControls::kOctaveButtons; ++i)
      QCOMPARE(s.cmdOctave(i)->Caption(), QString("0%1").arg(i + 1));
    QCOMPARE(s.cmdOctave(3)->toolTip(), QString("Octave Shift"));
    QCOMPARE(s.hscrvolumeD()->toolTip(), QString("Drum Machine Volume"));
  }

  void theListHoldsTheCatalogueAsWritten() {
    Rig rig;
    QListWidget* list = rig.sound().lstInstrument();
    QCOMPARE(list->count(), kInstrumentCount);
    QCOMPARE(list->item(0)->text(), QString("Acoustic Grand Piano"));
    QCOMPARE(list->item(54)->text(), QString("SynVox"));
    QCOMPARE(list->item(70)->text(), QString("Basson"));
    QCOMPARE(list->item(82)->text(), QString("Syn.Calliope"));
    QCOMPARE(list->item(87)->text(), QString("Bass& Lead"));
    QCOMPARE(list->item(119)->text(), QString("Reverse Cym."));
    QCOMPARE(list->item(127)->text(), QString("Gun Shot"));
    QVERIFY(InstrumentName(-1).empty() && InstrumentName(128).empty());
  }

  void everySelectionChangeSendsItsProgram() {
    Rig rig;
    QListWidget* list = rig.sound().lstInstrument();
    list->setCurrentRow(127);
    QCOMPARE(rig.port.take(), instrument(127));
    // The keyboard moves the selection and picks as it goes.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(rig.port.take(), instrument(126) + instrument(0));
    // So does the mouse; clicking the item already chosen changes nothing.
    const QPoint second = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    QCOMPARE(rig.port.take(), instrument(1));
  }

  void octaveButtonsMoveThePitchEverywhere() {
    Rig rig;
    SoundControls& s = rig.sound();
    QTest::mouseClick(s.cmdOctave(0), Qt::LeftButton);
    QCOMPARE(rig.midi().BaseNote(), std::int16_t{0});
    QCOMPARE(s.lblPitch()->Caption(), QString("0"));
    QCOMPARE(s.vscrPitch()->Value(), 0);
    QCOMPARE(s.pitchProgBar()->Value(), 0);
    QCOMPARE(rig.play(0), noteOn(0));
    QCOMPARE(rig.play(64), noteOn(64));
    QTest::mouseClick(s.cmdOctave(7), Qt::LeftButton);
    QCOMPARE(s.lblPitch()->Caption(), QString("56"));
    QCOMPARE(s.vscrPitch()->Value(), 56);
    QCOMPARE(s.pitchProgBar()->Value(), 56);
    QCOMPARE(rig.play(64), noteOn(120));
    QVERIFY(rig.port.take().empty());  // the pitch controls send nothing themselves
  }

  void pitchSliderAtTheTopPlaysTheHighestNote() {
    Rig rig;
    zykSlider* pitch = rig.sound().vscrPitch();
    drag(pitch, -500, pitch->rect().center());
    QCOMPARE(pitch->Value(), 63);
    QCOMPARE(rig.midi().BaseNote(), std::int16_t{63});
    QCOMPARE(rig.sound().lblPitch()->Caption(), QString("63"));
    QCOMPARE(rig.sound().pitchProgBar()->Value(), 63);
    QCOMPARE(rig.play(64), noteOn(127));
  }

  void volumeActsOnlyOnAReleaseOverTheSlider() {
    Rig rig;
    zykSlider* volume = rig.sound().vscrVolume();
    // Dragged to the bottom and released beside it: the thumb moved, the sound did not.
    drag(volume, 500, QPoint(volume->width() + 40, volume->height() + 40));
    QCOMPARE(volume->Value(), 0);
    QCOMPARE(rig.midi().KeyVelocity(), std::int16_t{127});
    QCOMPARE(rig.sound().volProgBar()->Value(), 127);
    QCOMPARE(rig.play(0), noteOn(50, 127));
    // The next click over the slider applies what it shows: notes at velocity 0.
    const QPoint thumb = volume->thumbRect().center();
    QTest::mouseClick(volume, Qt::LeftButton, {}, thumb);
    QCOMPARE(rig.midi().KeyVelocity(), std::int16_t{0});
    QCOMPARE(rig.sound().volProgBar()->Value(), 0);
    QCOMPARE(rig.play(0), noteOn(50, 0));
  }

  void drumVolumeActsOnItsClick() {
    Rig rig;
    zykSlider* drums = rig.sound().hscrvolumeD();
    QTest::mouseClick(drums, Qt::LeftButton, {}, QPoint(1, drums->height() / 2));
    QCOMPARE(drums->Value(), 0);
    QCOMPARE(rig.midi().DrumVelocity(), std::int16_t{0});
    QCOMPARE(rig.midi().KeyVelocity(), std::int16_t{127});
  }

  void aLevelBarClickChangesOnlyThatBar() {
    Rig rig;
    SoundControls& s = rig.sound();
    widgets::zykProgressBar* bar = s.volProgBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 2));
    QVERIFY(bar->Value() < 127);
    QCOMPARE(s.vscrVolume()->Value(), 127);
    QCOMPARE(rig.midi().KeyVelocity(), std::int16_t{127});
    QCOMPARE(s.pitchProgBar()->Value(), 50);
    // The next slider click sets the bar from the slider again.
    QTest::mouseClick(s.vscrVolume(), Qt::LeftButton, {}, s.vscrVolume()->thumbRect().center());
    QCOMPARE(bar->Value(), 127);

    widgets::zykProgressBar* pitchBar = s.pitchProgBar();
    QTest::mouseClick(pitchBar, Qt::LeftButton, {}, QPoint(pitchBar->width() / 2, 2));
    QVERIFY(pitchBar->Value() > 50);
    QCOMPARE(rig.midi().BaseNote(), std::int16_t{50});
    QCOMPARE(s.lblPitch()->Caption(), QString("50"));
    QTest::mouseClick(s.cmdOctave(2), Qt::LeftButton);
    QCOMPARE(pitchBar->Value(), 16);
  }

  void theChosenInstrumentFollowsTheOutputToAnotherDevice() {
    RecordingPort other("Sound Test Other");
    Rig rig;
    rig.sound().SelectInstrument(40);
    rig.port.take();
    // Choose the other port through the menu: it hears the violin before any note.
    DeviceMenu& menu = rig.window.deviceMenu();
    int item = -1;
    for (int i = 1; i < DeviceMenu::kItems; ++i)
      if (menu.device(i)->text() == QString("Sound Test Other")) item = i;
    if (item < 0) QSKIP("the menu lists only the first three devices");
    menu.device(item)->trigger();
    rig.window.piano().KeyDown(0);
    QCOMPARE(other.take(), instrument(40) + Messages{noteOn(50)});
    rig.window.piano().KeyUp(0);
  }

  void aPickMadeDuringASongSoundsOnceLivePlayReturns() {
    Rig rig;
    MidiState& midi = rig.midi();
    midi.HandOutputToSong();
    rig.sound().SelectInstrument(73);  // lost on the closed output, but still the choice
    QVERIFY(rig.port.take().empty());
    QCOMPARE(rig.sound().lstInstrument()->currentItem()->text(), QString("Flute"));
    // The first press after the song hands the output back and restores the flute first.
    rig.window.piano().KeyDown(5);
    QCOMPARE(rig.port.take(), instrument(73) + Messages{noteOn(55)});
    rig.window.piano().KeyUp(5);
    rig.port.take();
    QCOMPARE(rig.play(5), noteOn(55));  // live play owns the output again: no resend
  }
};

QTEST_MAIN(SoundControlsTest)
#include "SoundControlsTest.moc"
