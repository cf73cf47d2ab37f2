// The recorder area of the main window with the real wave-audio device on the offline
// synthesizer: a take with a sample song started in the middle of it, a take cut short by
// closing the window, the display texts, and the checks before anything is recorded.
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/frmPiano.h"
#include "platform/audio/AudioEngine.h"
#include "platform/mci/MciSystem.h"
#include "platform/midiout/MidiOut.h"
#include "recorder/RecordDisplay.h"
#include "recorder/WaveRecorder.h"
#include "songs/SampleSongPanel.h"
#include "tests/platform/AudioTestSupport.h"
#include "widgets/bvlBUTTON.h"
#include "widgets/zqButtons_H.h"

using namespace tonalix;
using recorder::WaveRecorder;
namespace fs = std::filesystem;

namespace {

struct Wave {
  SF_INFO info{};
  float peak = 0;
};

Wave readWave(const std::string& path) {
  Wave w;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &w.info);
  if (!f) return w;
  std::vector<float> samples(static_cast<std::size_t>(w.info.frames * w.info.channels));
  sf_readf_float(f, samples.data(), w.info.frames);
  sf_close(f);
  for (float s : samples) w.peak = std::max(w.peak, std::fabs(s));
  return w;
}

}  // namespace

class WaveRecorderTest : public QObject {
  Q_OBJECT

  // The synthesizer rendered in real time by a thread of the test, as a sound card would.
  struct Rig {
    platform::AudioEngine engine;
    std::atomic<bool> running{true};
    std::thread audio;
    fs::path dir = fs::temp_directory_path() / ("tonalix recorder test " + std::to_string(::getpid()));
    Rig() {
      fs::create_directories(dir);
      qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "data").string()));
      engine.start(platform::test::offlineConfig());
      platform::setBuiltInSynth(&engine);
      audio = std::thread([this] {
        std::vector<float> block(2 * 256);
        auto due = std::chrono::steady_clock::now();
        while (running.load()) {
          engine.renderOffline(block.data(), 256);
          due += std::chrono::microseconds(5333);  // a block of 256 frames at 48 kHz
          std::this_thread::sleep_until(due);
        }
      });
    }
    ~Rig() {
      platform::mciSendStringA("close all", nullptr, 0, 0);
      running = false;
      audio.join();
      platform::setBuiltInSynth(nullptr);
      fs::remove_all(dir);
    }
  };

 private slots:
  void displayTexts() {
    QCOMPARE(recorder::FormatRecordTime(59), QString("00:59"));
    QCOMPARE(recorder::FormatRecordTime(60), QString("01:00"));
    QCOMPARE(recorder::FormatRecordTime(125), QString("02:05"));
    QCOMPARE(recorder::FormatRecordTime(6000), QString("100:00"));
    QCOMPARE(recorder::FormatRecordSize(512), QString(".50 kb"));
    QCOMPARE(recorder::FormatRecordSize(2048), QString("2.00 kb"));
    QCOMPARE(recorder::FormatRecordSize(0), QString(".00 kb"));
  }

  void loadStateAndTheChecksBeforeRecording() {
    Rig rig;
    frmPiano window;
    window.Form_Load();
    WaveRecorder& rec = window.waveRecorder();
    QVERIFY(!rec.cmdStop()->isEnabled());
    QVERIFY(rec.optFreq(0)->Value());
    QCOMPARE(rec.lblFrequency()->text(), QString("44,100 kHz, 16 Bit, Stereo"));
    QCOMPARE(rec.lblTime()->text(), QString("00:00"));
    QCOMPARE(rec.lblSize()->text(), QString("Bytes"));

    // The format options are one group: choosing one clears the others.
    rec.optFreq(3)->setValue(true);
    QCOMPARE(rec.lblFrequency()->text(), QString("48,000 kHz,  8 Bit, Stereo"));
    QCOMPARE(rec.RecBitsPerSample(), QString("8"));
    QVERIFY(!rec.optFreq(0)->Value());

    // A cancelled browse keeps the name typed before.
    rec.txtFileName()->setText("/tmp/earlier take.wav");
    rec.BrowseForFile = [](const QString&) { return std::optional<QString>(); };
    rec.Command1_Click();
    QCOMPARE(rec.txtFileName()->text(), QString("/tmp/earlier take.wav"));

    // No name: a message, and the device is not touched.
    QStringList shown;
    rec.txtFileName()->clear();
    auto* box = new QTimer(&window);
    connect(box, &QTimer::timeout, [&] {
      if (auto* w = QApplication::activeModalWidget()) {
        shown << qobject_cast<QMessageBox*>(w)->text();
        w->close();
      }
    });
    box->start(20);
    emit rec.cmdRecord()->Click();
    QCOMPARE(shown, QStringList{"Please Enter a File Name to Save Recording"});
    QCOMPARE(platform::MciSystem::instance().openDeviceCount(), 0u);
    QVERIFY(!rec.cmdStop()->isEnabled());
  }

  void aSongStartedDuringATakeEndsUpInIt() {
    Rig rig;
    frmPiano window;
    window.Form_Load();
    WaveRecorder& rec = window.waveRecorder();
    const std::string path = (rig.dir / "song take.wav").string();
    rec.txtFileName()->setText(QString::fromStdString(path));
    rec.optFreq(2)->setValue(true);

    QElapsedTimer clock;
    double seconds = 0;
    connect(&rec, &WaveRecorder::RecordingStarted, [&] { clock.start(); });
    // Started a fifth of a second before midnight, whose second rounds to the next day: the
    // time shown still counts from the start.
    rec.TimeOfDay = [] { return 86399.8; };
    QTimer::singleShot(300, &window, [&] { window.sampleSongs().cmdMidiSample_Click(1); });
    QTimer::singleShot(2300, &window, [&] {
      QVERIFY(rec.Recording());
      QVERIFY(!rec.cmdRecord()->isEnabled());
      seconds = clock.elapsed() / 1000.0;
      emit rec.cmdStop()->Click();
    });
    emit rec.cmdRecord()->Click();  // returns once the take is saved and closed

    QVERIFY(rec.cmdRecord()->isEnabled());
    QVERIFY(!rec.cmdStop()->isEnabled());
    // The last refresh came at most one pass of the loop before STOP.
    const QStringList times{recorder::FormatRecordTime(std::lround(seconds - 0.2)),
                            recorder::FormatRecordTime(std::lround(seconds - 0.2 - WaveRecorder::kPassMillis / 1000.0))};
    QVERIFY2(times.contains(rec.lblTime()->text()), qPrintable(rec.lblTime()->text()));
    QVERIFY(rec.lblSize()->text().endsWith(" kb"));
    const Wave w = readWave(path);
    QCOMPARE(w.info.samplerate, 48000);
    QCOMPARE(w.info.channels, 2);
    // As long as the take lasted, within a few periods of the output, and the song is in it.
    QVERIFY2(std::fabs(w.info.frames / 48000.0 - seconds) < 0.05, qPrintable(QString::number(w.info.frames)));
    QVERIFY(w.peak > 0.01f);
  }

  void closingTheWindowDuringATakeSavesIt() {
    Rig rig;
    const std::string path = (rig.dir / "closed take.wav").string();
    frmPiano window;
    window.Form_Load();
    window.show();
    WaveRecorder& rec = window.waveRecorder();
    rec.txtFileName()->setText(QString::fromStdString(path));
    QTimer::singleShot(200, &window, [&] { rig.engine.sendShortMessage(0x7F3C90); });
    QTimer::singleShot(800, &window, [&] { window.close(); });
    emit rec.cmdRecord()->Click();
    QVERIFY(!rec.Recording());
    QCOMPARE(platform::MciSystem::instance().openDeviceCount(), 0u);
    const Wave w = readWave(path);
    QCOMPARE(w.info.samplerate, 44100);
    QVERIFY(w.info.frames > 44100 / 2);
    QVERIFY(w.peak > 0.01f);
  }

  void playingAFileKeepsTheWindowAlive() {
    Rig rig;
    const std::string path = (rig.dir / "half a second.wav").string();
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    QVERIFY(f);
    std::vector<float> tone(2 * 22050, 0.25f);
    sf_writef_float(f, tone.data(), 22050);
    sf_close(f);

    frmPiano window;
    window.Form_Load();
    // Roll returns only when the file has played, but timers and repaints go on meanwhile.
    int ticks = 0;
    QTimer beat;
    connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start(20);
    QElapsedTimer clock;
    clock.start();
    window.Roll(QString::fromStdString(path));
    QVERIFY2(clock.elapsed() >= 450, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QCOMPARE(platform::MciSystem::instance().openDeviceCount(), 0u);
    // A file that does not exist plays nothing and says nothing.
    window.Roll(QString::fromStdString((rig.dir / "missing.wav").string()));

    // Closing the window while a long file plays ends the playback: Roll returns then, not at
    // the end of the file, and no device is left sounding.
    const std::string longPath = (rig.dir / "a minute.wav").string();
    info = SF_INFO{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    f = sf_open(longPath.c_str(), SFM_WRITE, &info);
    QVERIFY(f);
    std::vector<short> quiet(8000 * 60, 0);
    sf_writef_short(f, quiet.data(), static_cast<sf_count_t>(quiet.size()));
    sf_close(f);
    int started = 0;
    connect(&window.waveRecorder(), &WaveRecorder::PlaybackStarted, [&] {
      ++started;
      QTimer::singleShot(100, &window, [&] { window.close(); });
    });
    window.show();
    clock.restart();
    window.Roll(QString::fromStdString(longPath));
    QCOMPARE(started, 1);
    QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(platform::MciSystem::instance().openDeviceCount(), 0u);
  }
};

QTEST_MAIN(WaveRecorderTest)
#include "tst_WaveRecorder.moc"
