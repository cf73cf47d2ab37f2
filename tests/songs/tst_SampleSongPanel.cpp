// The sample-song buttons on the main window with the real sequencer: choosing a song, the
// stop button, live play taking the output back, a song that cannot be written or played, and
// the clean-up at unload. Songs play on the offline synthesizer; live notes go to a recording
// port.
#include <QLabel>
#include <QtTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/frmPiano.h"
#include "drums/DrumPads.h"
#include "keyboard/PianoKeyboard.h"
#include "platform/audio/AudioEngine.h"
#include "platform/mci/MciSystem.h"
#include "platform/midiout/MidiOut.h"
#include "platform/system/BuiltInData.h"
#include "songs/SampleSongPanel.h"
#include "songs/SequencerControl.h"
#include "tests/platform/AudioTestSupport.h"
#include "tests/support/RecordingPort.h"
#include "tests/support/ScratchDir.h"
#include "widgets/FormDesign.h"
#include "widgets/zqButtons_H.h"

using namespace tonalix;
using tonalix::songs::SampleSongPanel;
using tonalix::songs::SampleTempFiles;
namespace fs = std::filesystem;

namespace {

std::string mode() {
  char reply[256] = {};
  if (platform::mciSendStringA("status mymidi mode", reply, sizeof reply, 0) != 0) return "not open";
  return reply;
}

std::vector<std::uint8_t> contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> songItem(int n) {
  return platform::LoadResData(100 + n, "CUSTOM").bytes;
}

}  // namespace

class SampleSongPanelTest : public QObject {
  Q_OBJECT

  // The window as the program builds it, with songs on the offline synthesizer and live notes
  // recorded. The window's own temporary files go under the test program's folder.
  struct Rig {
    platform::AudioEngine engine;
    testing::RecordingPort port;
    std::unique_ptr<frmPiano> window;
    // The message boxes the window showed: caption and text.
    struct Box {
      QString caption, text;
    };
    QList<Box> boxes;

    Rig() {
      engine.start(platform::test::offlineConfig());
      platform::setBuiltInSynth(&engine);
      frmPiano::Services services;
      services.messageBox = [this](QWidget*, const QString& caption, const QString& text,
                                   widgets::MessageIcon) { boxes << Box{caption, text}; };
      window = std::make_unique<frmPiano>(services);
      window->Form_Load();
      window->midi().SelectDevice(static_cast<std::int16_t>(port.deviceId()));
      window->midi().CloseAndOpen();
      window->show();
      port.take();
    }
    ~Rig() {
      window.reset();
      platform::mciSendStringA("close all", nullptr, 0, 0);
      platform::setBuiltInSynth(nullptr);
      fs::remove_all(samples_folder());
    }
    static fs::path samples_folder() {
      return fs::path(QCoreApplication::applicationDirPath().toStdString()) / "temp";
    }
    SampleSongPanel& samples() { return window->sampleSongs(); }
    MidiState& midi() { return window->midi(); }
    void choose(int n) { QTest::mouseClick(samples().cmdMidiSample(n), Qt::LeftButton); }
    void stop() { QTest::mouseClick(samples().cmdStopMidiSample(), Qt::LeftButton); }
    // Renders like a sound card would, a block at a time with the sequencer feeding alongside.
    std::vector<float> render(double seconds) {
      std::vector<float> left, block(2 * 512);
      for (int i = 0; i < static_cast<int>(seconds * 48000 / 512); ++i) {
        engine.renderOffline(block.data(), 512);
        for (int f = 0; f < 512; ++f) left.push_back(block[2 * f]);
        std::this_thread::sleep_for(std::chrono::microseconds(1500));
      }
      return left;
    }
  };

 private slots:
  void controlsStartAsDesigned() {
    Rig rig;
    QCOMPARE(rig.samples().lblSample()->text(), QString("Melody Sample"));
    QVERIFY(rig.samples().CurrentSampleFile().empty());
    QCOMPARE(rig.midi().PlayMode(), MidiState::kLiveOwnsOutput);
    QCOMPARE(rig.samples().cmdStopMidiSample()->Caption(), QString("S"));
    QCOMPARE(rig.samples().cmdStopMidiSample()->toolTip(), QString("Stop Melody"));
    const QRect surface = rig.window->surface()->rect();
    QRect all = rig.samples().lblSample()->geometry();
    for (int n = 1; n <= 20; ++n) {
      auto* button = rig.samples().cmdMidiSample(n);
      QVERIFY(button);
      QCOMPARE(button->Caption(), QString::number(n));
      QCOMPARE(button->toolTip(), QString("Melody Sample"));
      QCOMPARE(button->ButtonStyle(), 2);
      all |= button->geometry();
      for (int m = 1; m < n; ++m)
        QVERIFY(!button->geometry().intersects(rig.samples().cmdMidiSample(m)->geometry()));
    }
    // Inside the window, clear of the keys and of the drum pads.
    QVERIFY(surface.contains(all));
    QVERIFY(!all.intersects(rig.window->piano().chkPiano(64)->geometry()));
    for (int pad = 1; pad <= 10; ++pad)
      QVERIFY(!all.intersects(rig.window->drumPads().cmdDrum(pad)->geometry()));
  }

  void choosingASongHandsTheOutputToTheSequencer() {
    Rig rig;
    rig.choose(3);
    const std::string file = (Rig::samples_folder() / "temp3").string();
    QCOMPARE(rig.samples().CurrentSampleFile(), file);
    QVERIFY(contents(file) == songItem(3));
    QCOMPARE(mode(), std::string("playing"));
    QCOMPARE(rig.samples().lblSample()->text(), QString("BACH - Sinfonia No. 8"));
    QCOMPARE(rig.midi().PlayMode(), MidiState::kSongOwnsOutput);
    QCOMPARE(rig.midi().hMidiOut(), platform::HMIDIOUT{0});
    QCOMPARE(rig.port.closes(), 1);
    QVERIFY(platform::test::peakOf(rig.render(1.5)) > 0.01f);

    // Another song replaces it; the title keeps its trailing blank.
    rig.choose(14);
    QCOMPARE(mode(), std::string("playing"));
    QCOMPARE(rig.samples().lblSample()->text(), QString("HANDEL - Concerti Grossi "));
    QCOMPARE(rig.samples().CurrentSampleFile(), (Rig::samples_folder() / "temp14").string());
    // The same song again rewrites its file and starts it afresh.
    rig.choose(14);
    QCOMPARE(mode(), std::string("playing"));
    QVERIFY(contents(rig.samples().CurrentSampleFile()) == songItem(14));
    QVERIFY(rig.boxes.isEmpty());
    QVERIFY(rig.port.take().empty());  // nothing live was sent while songs were chosen
  }

  void stopStopsThenClosesAndAlwaysReopensTheOutput() {
    Rig rig;
    // With no song at all the output is still closed and reopened on each press.
    rig.stop();
    QCOMPARE(mode(), std::string("not open"));
    QCOMPARE(rig.port.opens(), 2);
    QCOMPARE(rig.midi().PlayMode(), MidiState::kLiveOwnsOutput);

    rig.choose(1);
    rig.stop();
    QCOMPARE(mode(), std::string("stopped"));
    QCOMPARE(rig.midi().PlayMode(), MidiState::kLiveOwnsOutput);
    QVERIFY(rig.midi().hMidiOut() != 0);
    rig.stop();
    QCOMPARE(mode(), std::string("not open"));
    // The label and the chosen file stay as they were.
    QCOMPARE(rig.samples().lblSample()->text(), QString("BACH - Symphony Anglaise"));
    QCOMPARE(rig.samples().CurrentSampleFile(), (Rig::samples_folder() / "temp1").string());

    // A song that has ended by itself reports "stopped": one press closes it.
    rig.choose(2);
    platform::mciSendStringA("stop mymidi", nullptr, 0, 0);
    rig.stop();
    QCOMPARE(mode(), std::string("not open"));
  }

  void aKeyPressTakesTheOutputBackOnceAndSounds() {
    Rig rig;
    rig.choose(5);
    rig.port.take();
    auto* key = rig.window->piano().chkPiano(10);
    QTest::mousePress(key, Qt::LeftButton);
    QCOMPARE(mode(), std::string("stopped"));
    QCOMPARE(rig.midi().PlayMode(), MidiState::kLiveOwnsOutput);
    const auto sent = rig.port.take();
    // The note goes out through the reopened output, last, in the same event.
    QVERIFY(!sent.empty());
    QCOMPARE(sent.back(), MidiState::ShortMessage(0x90, 0, rig.midi().BaseNote() + 10, 127));
    QTest::mouseRelease(key, Qt::LeftButton);
    // The second press plays without another hand-over: the stopped song stays open.
    QTest::mousePress(key, Qt::LeftButton);
    QTest::mouseRelease(key, Qt::LeftButton);
    QCOMPARE(mode(), std::string("stopped"));
    QCOMPARE(rig.port.opens(), 2);
  }

  void aPadClickTakesTheOutputBack() {
    Rig rig;
    rig.choose(7);
    QTest::mouseClick(rig.window->drumPads().cmdDrum(1), Qt::LeftButton);
    QCOMPARE(mode(), std::string("stopped"));
    QCOMPARE(rig.midi().PlayMode(), MidiState::kLiveOwnsOutput);
    QVERIFY(rig.midi().hMidiOut() != 0);
    QTest::mouseClick(rig.window->drumPads().cmdDrum(1), Qt::LeftButton);  // pad off again
  }

  void aSequencerFailureIsShownAndTheSongStillCountsAsChosen() {
    Rig rig;
    // Without a synthesizer the sequencer opens the song but cannot play it.
    platform::setBuiltInSynth(nullptr);
    rig.choose(4);
    const QString shown = rig.boxes.isEmpty() ? QString() : rig.boxes.front().caption;
    QCOMPARE(shown, QString("Tonalix STUDIO 4.0"));
    QCOMPARE(rig.samples().lblSample()->text(), QString("BACH - Duet"));
    QCOMPARE(rig.midi().PlayMode(), MidiState::kSongOwnsOutput);
    QCOMPARE(rig.samples().CurrentSampleFile(), (Rig::samples_folder() / "temp4").string());
    QCOMPARE(mode(), std::string("stopped"));
    platform::setBuiltInSynth(&rig.engine);
    rig.stop();  // closes the stopped song and gives the piano its output back
    QCOMPARE(mode(), std::string("not open"));
    QCOMPARE(rig.midi().PlayMode(), MidiState::kLiveOwnsOutput);
  }

  // A second set of song controls on a surface of its own, sharing the window's output and
  // sequencer, with its files wherever the test says.
  void aSongThatCannotBeWrittenChangesNothing() {
    Rig rig;
    rig.choose(2);
    QWidget surface;
    const auto built = widgets::FormDesign::load(":/frmPiano.design").design.build(&surface);
    QStringList errors;
    SampleSongPanel stuck(rig.midi(), rig.window->sequencer(), built,
                          SampleTempFiles("/proc", "/dev/null/private"),
                          [&](QWidget*, const QString&, const QString& text, widgets::MessageIcon) {
                            errors << text;
                          });
    const auto handle = rig.midi().hMidiOut();
    stuck.cmdMidiSample_Click(9);
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].contains("/proc/temp"));
    QCOMPARE(mode(), std::string("playing"));  // the song already playing goes on
    QCOMPARE(rig.midi().hMidiOut(), handle);
    QCOMPARE(rig.midi().PlayMode(), MidiState::kSongOwnsOutput);
    QVERIFY(stuck.CurrentSampleFile().empty());
    QCOMPARE(stuck.lblSample()->text(), QString("Melody Sample"));
  }

  void songsPlayFromAFolderWithBlanks() {
    Rig rig;
    const testing::ScratchDir scratch("sample-songs");
    const fs::path program = scratch.path() / "My Programs" / "Tonalix Studio";
    fs::create_directories(program);
    QWidget surface;
    const auto built = widgets::FormDesign::load(":/frmPiano.design").design.build(&surface);
    SampleSongPanel panel(rig.midi(), rig.window->sequencer(), built,
                          SampleTempFiles(program.string(), (scratch.path() / "private").string()));
    panel.cmdMidiSample_Click(10);
    QCOMPARE(panel.CurrentSampleFile(), (program / "temp" / "temp10").string());
    QCOMPARE(mode(), std::string("playing"));
    QVERIFY(platform::test::peakOf(rig.render(1.5)) > 0.01f);
  }

  void unloadKeepsOnlyTheSongChosenLast() {
    const fs::path folder = Rig::samples_folder();
    {
      Rig rig;
      for (int n : {3, 7, 5}) rig.choose(n);
      std::ofstream(folder / "notes.txt") << "mine";
      rig.window->close();  // unload
      QVERIFY(!fs::exists(folder / "temp3"));
      QVERIFY(!fs::exists(folder / "temp7"));
      QVERIFY(fs::exists(folder / "temp5"));
      QVERIFY(fs::exists(folder / "notes.txt"));
      // Next run: without a choice every song file goes, including the one kept last time.
      rig.window.reset();
    }
    fs::create_directories(folder);
    std::ofstream(folder / "temp5") << "left over";
    {
      Rig rig;
      rig.window->close();
      QVERIFY(!fs::exists(folder / "temp5"));
    }
  }
};

QTEST_MAIN(SampleSongPanelTest)
#include "tst_SampleSongPanel.moc"
