#include "app/Start.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "app/AfterFirstFrame.h"
#include "app/CommandLine.h"
#include "app/FontWarmUp.h"
#include "app/frmPiano.h"
#include "platform/audio/AudioEngine.h"
#include "platform/audio/UnsavedTakes.h"
#include "platform/midiout/MidiOut.h"
#include "platform/system/Diagnostics.h"
#include "platform/system/ProgramName.h"
#include "platform/system/ShutdownSignals.h"
#include "platform/system/SingleInstance.h"
#include "platform/system/SoundEnvironment.h"
#include "songs/SampleSongInstruments.h"

namespace tonalix {

int Start(int argc, char** argv, const StartServices& services) {
  // Both before the first thread: the environment is written only here, and no thread may be
  // left with the signals' default action (ending without the window's unload).
  platform::PrepareSoundEnvironment();
  const int shutdownSignals = platform::WatchShutdownSignals();
  std::thread fontReader = WarmUpFontConfiguration();

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(platform::kProgramName));
  QApplication::setApplicationVersion(QString::fromUtf8(platform::kProgramVersion));
  const CommandLine commandLine = ParseCommandLine(app);
  platform::setVerbose(commandLine.verbose);
  const widgets::MessageBoxFunction message =
      services.messageBox ? services.messageBox : widgets::ShowMessageBox;

  // A signal to end closes the window the way "Exit" does (notes off, temporary files gone),
  // then leaves every event loop, a message box's too. Before the window exists it just ends.
  frmPiano* shownWindow = nullptr;
  if (shutdownSignals >= 0) {
    auto* notifier = new QSocketNotifier(shutdownSignals, QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&shownWindow, shutdownSignals] {
      char drained[16];
      while (::read(shutdownSignals, drained, sizeof drained) > 0) {
      }
      if (shownWindow) shownWindow->close();
      QCoreApplication::exit(0);
    });
  }

  platform::SingleInstance guard("tonalix-studio");
  if (guard.PrevInstance()) {
    message(nullptr, platform::kProgramTitle,
            QString::fromUtf8(platform::kProgramName) + QStringLiteral(" is Already Running !"),
            widgets::MessageIcon::None);
    fontReader.join();
    return 0;
  }
  // Takes left unsaved by a run that was killed or lost its power are made readable now.
  const std::vector<std::string> recoveredTakes = platform::RecoverUnsavedTakes();

  // The synthesizer runs for the whole process; device 0 of the MIDI output plays through it.
  // It is configured now and started on a worker once the window is on the screen (see
  // AfterFirstFrame): what the window sends meanwhile waits in the engine's queue. The
  // configuration is fixed here, before the worker runs: a song chosen early reads the
  // sample rate on this thread.
  auto engine = std::make_unique<platform::AudioEngine>();
  platform::AudioConfig config;
  config.soundFont = commandLine.soundFont.toStdString();
  engine->configure(config);
  platform::setBuiltInSynth(engine.get());
  // The system's MIDI output ports are listed while the window is built: the list asks the
  // sequencer and the JACK server, which may not run and is then waited for. The window's
  // first use of the device list takes the finished list, or waits for the rest of it.
  std::thread portScan([] { (void)platform::midiOutGetNumDevs(); });
  std::atomic<bool> started{false};
  bool soundReady = false;
  std::thread starter;
  // Once the window is up and the engine runs, the sample songs' instruments are loaded on a
  // worker and kept, so a song button starts its song at once. They fit the memory budget
  // (the whole SoundFont would not).
  std::thread preloader;
  std::atomic<bool> stopPreload{false};

  int rc = 0;
  {
    QElapsedTimer sinceBuild;
    sinceBuild.start();
    frmPiano::Services windowServices;
    windowServices.messageBox = message;
    frmPiano window(windowServices);
    const qint64 built = sinceBuild.elapsed();
    window.Form_Load();
    const qint64 loaded = sinceBuild.elapsed();
    window.show();
    new AfterFirstFrame(window, [&engine, &started, &soundReady, &starter] {
      starter = std::thread([&engine, &started, &soundReady] {
        soundReady = engine->start();
        started.store(true, std::memory_order_release);
      });
    });
    // Start-up time is spent here; these lines say where, for anyone measuring it.
    platform::diagnose("start", "window built in " + std::to_string(built) + " ms, loaded in " +
                                    std::to_string(loaded - built) + " ms, shown after " +
                                    std::to_string(sinceBuild.elapsed() - loaded) + " ms more");
    if (!recoveredTakes.empty()) {
      QString text = QStringLiteral("Recordings that were not saved when the program last ended were kept as:");
      for (const std::string& take : recoveredTakes) text += QLatin1Char('\n') + QString::fromStdString(take);
      QTimer::singleShot(0, &window, [&window, message, text] {
        message(&window, platform::kProgramTitle, text, widgets::MessageIcon::None);
      });
    }
    // Once the engine has started, a failure is told once, in the program's own words.
    auto* watch = new QTimer(&window);
    watch->setInterval(20);
    QObject::connect(watch, &QTimer::timeout, &window, [&, watch, message] {
      if (!started.load(std::memory_order_acquire)) return;
      watch->stop();
      starter.join();
      if (!soundReady) {
        message(&window, platform::kProgramTitle, QString::fromStdString(engine->lastError()),
                widgets::MessageIcon::None);
        return;
      }
      preloader = std::thread([&engine, &stopPreload] {
        QElapsedTimer took;
        took.start();
        songs::KeepSampleSongInstruments(*engine, stopPreload);
        if (!stopPreload.load())
          platform::diagnose("sound", "the sample songs' instruments are ready after " +
                                          std::to_string(took.elapsed()) + " ms");
      });
    });
    watch->start();
    // The output's notice (a fall-back to the silent output, a lost device) is told once
    // each time it changes.
    auto* noticeWatch = new QTimer(&window);
    noticeWatch->setInterval(250);
    QObject::connect(noticeWatch, &QTimer::timeout, &window, [&window, &engine, &started, seen = std::uint64_t{0}]() mutable {
      if (!started.load(std::memory_order_acquire)) return;
      const std::uint64_t serial = engine->outputNoticeSerial();
      if (serial == seen) return;
      seen = serial;
      window.ShowOutputNotice(QString::fromStdString(engine->outputNotice()));
    });
    noticeWatch->start();
    shownWindow = &window;
    rc = QApplication::exec();
    shownWindow = nullptr;
  }
  if (starter.joinable()) starter.join();
  stopPreload.store(true);
  if (preloader.joinable()) preloader.join();
  portScan.join();
  fontReader.join();
  platform::setBuiltInSynth(nullptr);
  engine->stop();
  return rc;
}

}  // namespace tonalix
