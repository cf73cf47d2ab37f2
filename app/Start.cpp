#include "app/Start.h"

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "app/frmPiano.h"
#include "core/AppTitle.h"
#include "platform/audio/AudioEngine.h"
#include "platform/midiout/MidiOut.h"
#include "platform/system/SingleInstance.h"

namespace tonalix {

int Start(int argc, char** argv, const StartServices& services) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tonalix STUDIO"));
  QApplication::setApplicationVersion(QStringLiteral("4.0"));
  const widgets::MessageBoxFunction message =
      services.messageBox ? services.messageBox : widgets::ShowMessageBox;

  platform::SingleInstance guard("tonalix-studio");
  if (guard.PrevInstance()) {
    message(nullptr, AppTitle(), QStringLiteral("Tonalix STUDIO is Already Running !"),
            widgets::MessageIcon::None);
    return 0;
  }

  // The synthesizer runs for the whole process; device 0 of the MIDI output plays through it.
  // Loading the SoundFont and opening the sound server take longer than building the window,
  // so both happen at once: what the window sends meanwhile waits in the engine's queue.
  auto engine = std::make_unique<platform::AudioEngine>();
  platform::setBuiltInSynth(engine.get());
  std::atomic<bool> started{false};
  bool soundReady = false;
  std::thread starter([&engine, &started, &soundReady] {
    soundReady = engine->start(platform::AudioConfig{});
    started.store(true, std::memory_order_release);
  });

  int rc = 0;
  {
    frmPiano::Services windowServices;
    windowServices.messageBox = message;
    frmPiano window(windowServices);
    window.Form_Load();
    window.show();
    // Once the engine has started, a failure is told once, in the program's own words.
    auto* watch = new QTimer(&window);
    watch->setInterval(20);
    QObject::connect(watch, &QTimer::timeout, &window, [&, watch, message] {
      if (!started.load(std::memory_order_acquire)) return;
      watch->stop();
      starter.join();
      if (!soundReady)
        message(&window, AppTitle(), QString::fromStdString(engine->lastError()),
                widgets::MessageIcon::None);
    });
    watch->start();
    rc = QApplication::exec();
  }
  if (starter.joinable()) starter.join();
  platform::setBuiltInSynth(nullptr);
  engine->stop();
  return rc;
}

}  // namespace tonalix
