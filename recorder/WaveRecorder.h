// The recorder area of the main window: the file name and its browse button, REC, STOP and
// PLAY, the four format options and the time and size display. It drives the wave-audio
// device (alias "recsound") through command strings and plays files with Roll.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/mci/MciCalls.h"
#include "widgets/MessageBox.h"

class QEventLoop;
class QLabel;
class QLineEdit;
class QWidget;

namespace tonalix {
namespace widgets {
class BuiltControls;
class bvlBUTTON;
class zqButtons_H;
}  // namespace widgets
}  // namespace tonalix

namespace tonalix::recorder {

class WaveRecorder : public QObject {
  Q_OBJECT
 public:
  // The short form of a path (creating the file when missing); empty when it cannot be made.
  using ShortPath = std::function<std::string(const std::string& path)>;

  static constexpr std::uint32_t kReplyLength = 1024;
  static constexpr std::uint32_t kStatusLength = 255;
  // How long one pass of the capture loop waits for events before it refreshes the display.
  static constexpr int kPassMillis = 50;

  struct Format {
    const char* bits;
    const char* rate;
    const char* text;
  };
  static const std::array<Format, 4> kFormats;

  // Controls come from the window's design; txtFileName is made here on `surface`.
  WaveRecorder(const widgets::BuiltControls& controls, QWidget* surface,
               widgets::MessageBoxFunction messageBox, QString appTitle, ShortPath shortPath,
               platform::MciCalls calls = platform::MciCalls::layer(), QObject* parent = nullptr);
  ~WaveRecorder() override;

  // Load: STOP disabled, 16 bit at 44100 Hz, the first format option down.
  void PrepareAtLoad();
  // Unload: a running recording stops and is saved to its file before the window goes.
  void StopForUnload();

  void optFreq_Click(int index);
  void Command1_Click();
  void cmdRecord_Click();
  void cmdStop_Click();
  void cmdPlay_Click();

  void RecordToFile(const std::string& path);
  void UpdateRecordDisplay();
  // Plays the file to its end and closes it. The window repaints meanwhile but takes no input.
  void Roll(const QString& waveFile);

  bool Recording() const { return recording_; }
  const QString& RecBitsPerSample() const { return recBitsPerSample_; }
  const QString& RecSamplesPerSec() const { return recSamplesPerSec_; }
  std::int32_t RecStartTime() const { return recStartTime_; }

  QLineEdit* txtFileName() const { return txtFileName_; }
  widgets::zqButtons_H* Command1() const { return command1_; }
  widgets::zqButtons_H* cmdRecord() const { return cmdRecord_; }
  widgets::zqButtons_H* cmdStop() const { return cmdStop_; }
  widgets::zqButtons_H* cmdPlay() const { return cmdPlay_; }
  widgets::bvlBUTTON* optFreq(int index) const;
  QLabel* lblFrequency() const { return lblFrequency_; }
  QLabel* lblTime() const { return lblTime_; }
  QLabel* lblSize() const { return lblSize_; }

  // The save-file dialog; returns the chosen name, or nullopt when cancelled. Qt's dialog
  // unless replaced (tests replace it).
  std::function<std::optional<QString>(const QString& current)> BrowseForFile;
  // Seconds since midnight with fraction; the clock of the day unless replaced (tests).
  std::function<double()> TimeOfDay;

 signals:
  // A recording has begun (after "record") and has ended (after "close").
  void RecordingStarted();
  void RecordingFinished();
  // Roll has begun playing a file, and has ended; the window takes no input meanwhile.
  void PlaybackStarted();
  void PlaybackFinished();

 private:
  std::uint32_t send(const std::string& command, char* reply = nullptr, std::uint32_t length = 0);
  void sendShowingErrors(const std::string& command);
  // The "Error" box with the text of the code.
  void showError(std::uint32_t code);
  void saveAndClose();

  widgets::MessageBoxFunction messageBox_;
  QString appTitle_;
  ShortPath shortPath_;
  platform::MciCalls calls_;

  QLineEdit* txtFileName_ = nullptr;
  widgets::zqButtons_H* command1_ = nullptr;
  widgets::zqButtons_H* cmdRecord_ = nullptr;
  widgets::zqButtons_H* cmdStop_ = nullptr;
  widgets::zqButtons_H* cmdPlay_ = nullptr;
  std::array<widgets::bvlBUTTON*, 4> optFreq_{};
  QLabel* lblFrequency_ = nullptr;
  QLabel* lblTime_ = nullptr;
  QLabel* lblSize_ = nullptr;

  bool recording_ = false;
  QString recBitsPerSample_ = QStringLiteral("16");
  QString recSamplesPerSec_ = QStringLiteral("44100");
  std::int32_t recStartTime_ = 0;
  double startFraction_ = 0;     // time of day at start minus RecStartTime
  QElapsedTimer elapsed_;        // monotonic: immune to midnight and clock changes
  std::string savePath_;         // the take's target while the device is open
  bool deviceOpen_ = false;
  QEventLoop* pass_ = nullptr;   // the capture loop's current wait
  bool stopRoll_ = false;        // the window is closing: Roll stops the file it plays
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tonalix::recorder
