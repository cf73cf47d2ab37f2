#include "app/Start.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "app/AppTitle.h"
#include "app/frmPiano.h"
#include "platform/audio/AudioEngine.h"
#include "platform/midiout/MidiOut.h"
#include "platform/system/SingleInstance.h"

namespace tonalix {

void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

int Start(int argc, char** argv, const StartServices& services) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tonalix STUDIO"));
  QApplication::setApplicationVersion(QStringLiteral("4.0"));
  auto message = services.messageBox ? services.messageBox : ShowMessageBox;

  platform::SingleInstance guard("tonalix-studio");
  if (guard.PrevInstance()) {
    message(nullptr, AppTitle(), QStringLiteral("Tonalix STUDIO is Already Running !"));
    return 0;
  }

  // The synthesizer runs for the whole process; device 0 of the MIDI output plays through it.
  auto engine = std::make_unique<platform::AudioEngine>();
  const bool soundReady = engine->start(platform::AudioConfig{});
  platform::setBuiltInSynth(engine.get());

  int rc = 0;
  {
    frmPiano window;
    window.Form_Load();
    window.show();
    if (!soundReady) {
      const QString why = QString::fromStdString(engine->lastError());
      QTimer::singleShot(0, &window, [&window, message, why] {
        message(&window, AppTitle(), why);
      });
    }
    rc = QApplication::exec();
  }
  platform::setBuiltInSynth(nullptr);
  engine->stop();
  return rc;
}

}  // namespace tonalix
