#include "recorder/WaveRecorder.h"

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <thread>

#include "platform/mci/MciErrors.h"
#include "platform/mci/MciSendCommand.h"
#include "recorder/RecordDisplay.h"
#include "widgets/FormDesign.h"
#include "widgets/TwipsToPixels.h"
#include "widgets/bvlBUTTON.h"
#include "widgets/zqButtons_H.h"

namespace tonalix::recorder {

const std::array<WaveRecorder::Format, 4> WaveRecorder::kFormats = {{
    {"16", "44100", "44,100 kHz, 16 Bit, Stereo"},
    {"8", "44100", "44,100 kHz,  8 Bit, Stereo"},
    {"16", "48000", "48,000 kHz, 16 Bit, Stereo"},
    {"8", "48000", "48,000 kHz,  8 Bit, Stereo"},
}};

namespace {

// Where the file name box sits, in twips: at the left of the recorder strip below the keys.
constexpr int kFileNameLeft = 210, kFileNameTop = 5055, kFileNameWidth = 3270, kFileNameHeight = 330;

double clockTimeOfDay() {
  const QTime now = QTime::currentTime();
  return now.msecsSinceStartOfDay() / 1000.0;
}

}  // namespace

WaveRecorder::WaveRecorder(const widgets::BuiltControls& controls, QWidget* surface,
                           widgets::MessageBoxFunction messageBox, QString appTitle,
                           ShortPath shortPath, platform::MciCalls calls, QObject* parent)
    : QObject(parent),
      messageBox_(std::move(messageBox)),
      appTitle_(std::move(appTitle)),
      shortPath_(std::move(shortPath)),
      calls_(std::move(calls)) {
  TimeOfDay = clockTimeOfDay;
  BrowseForFile = [this](const QString& current) -> std::optional<QString> {
    QFileDialog cdg1(txtFileName_ ? txtFileName_->window() : nullptr);
    cdg1.setAcceptMode(QFileDialog::AcceptSave);
    cdg1.setNameFilter(QStringLiteral("WAV Files (*.wav)"));
    if (!current.isEmpty()) cdg1.selectFile(current);
    if (cdg1.exec() != QDialog::Accepted || cdg1.selectedFiles().isEmpty()) return std::nullopt;
    return cdg1.selectedFiles().constFirst();
  };

  txtFileName_ = new QLineEdit(surface);
  txtFileName_->setObjectName(QStringLiteral("txtFileName"));
  txtFileName_->setToolTip(QStringLiteral("Recording File Path"));
  txtFileName_->setAccessibleName(QStringLiteral("Recording File Path"));
  txtFileName_->setGeometry(widgets::placedTwipsToPixels(kFileNameLeft, kFileNameTop, kFileNameWidth, kFileNameHeight));

  command1_ = controls.get<widgets::zqButtons_H>(QStringLiteral("Command1"));
  cmdRecord_ = controls.get<widgets::zqButtons_H>(QStringLiteral("cmdRecord"));
  cmdStop_ = controls.get<widgets::zqButtons_H>(QStringLiteral("cmdStop"));
  cmdPlay_ = controls.get<widgets::zqButtons_H>(QStringLiteral("cmdPlay"));
  lblFrequency_ = controls.get<QLabel>(QStringLiteral("lblFrequency"));
  lblTime_ = controls.get<QLabel>(QStringLiteral("lblTime"));
  lblSize_ = controls.get<QLabel>(QStringLiteral("lblSize"));
  for (int i = 0; i < 4; ++i) optFreq_[static_cast<std::size_t>(i)] = controls.get<widgets::bvlBUTTON>(QStringLiteral("optFreq"), i);

  if (command1_) {
    command1_->setToolTip(QStringLiteral("Set Recording File Path"));
    connect(command1_, &widgets::zqButtons_H::Click, this, &WaveRecorder::Command1_Click);
  }
  if (cmdRecord_) {
    cmdRecord_->setToolTip(QStringLiteral("Record Music"));
    connect(cmdRecord_, &widgets::zqButtons_H::Click, this, &WaveRecorder::cmdRecord_Click);
  }
  if (cmdStop_) {
    cmdStop_->setToolTip(QStringLiteral("Stop Recording"));
    connect(cmdStop_, &widgets::zqButtons_H::Click, this, &WaveRecorder::cmdStop_Click);
  }
  if (cmdPlay_) connect(cmdPlay_, &widgets::zqButtons_H::Click, this, &WaveRecorder::cmdPlay_Click);
  for (int i = 0; i < 4; ++i) {
    if (auto* option = optFreq_[static_cast<std::size_t>(i)]) {
      option->setToolTip(QStringLiteral("Set Recording Sample Rate "));
      // The options are captionless dots; a screen reader names the format each one sets.
      option->setAccessibleName(
          QString::fromLatin1(kFormats[static_cast<std::size_t>(i)].text).simplified());
      connect(option, &widgets::bvlBUTTON::Click, this, [this, i] { optFreq_Click(i); });
    }
  }
}

WaveRecorder::~WaveRecorder() {
  *alive_ = false;
  StopForUnload();
}

widgets::bvlBUTTON* WaveRecorder::optFreq(int index) const {
  return index >= 0 && index < 4 ? optFreq_[static_cast<std::size_t>(index)] : nullptr;
}

void WaveRecorder::PrepareAtLoad() {
  if (cmdStop_) cmdStop_->setEnabled(false);
  recBitsPerSample_ = QStringLiteral("16");
  recSamplesPerSec_ = QStringLiteral("44100");
  // Setting the value raises the option's click, which shows the format's text.
  if (optFreq_[0]) optFreq_[0]->setValue(true);
}

void WaveRecorder::optFreq_Click(int index) {
  if (index < 0 || index > 3) return;
  const Format& f = kFormats[static_cast<std::size_t>(index)];
  recBitsPerSample_ = QString::fromLatin1(f.bits);
  recSamplesPerSec_ = QString::fromLatin1(f.rate);
  if (lblFrequency_) lblFrequency_->setText(QString::fromLatin1(f.text));
}

void WaveRecorder::Command1_Click() {
  // A cancelled dialog leaves the name as it was: copying its empty name would send the next
  // take over an earlier one's file without a word.
  if (const std::optional<QString> chosen = BrowseForFile(txtFileName_->text())) txtFileName_->setText(*chosen);
}

void WaveRecorder::cmdRecord_Click() {
  if (recording_ || deviceOpen_) return;
  if (txtFileName_->text().isEmpty()) {
    messageBox_(txtFileName_->window(), appTitle_, QStringLiteral("Please Enter a File Name to Save Recording"),
                widgets::MessageIcon::None);
    return;
  }
  const std::string name = txtFileName_->text().toStdString();
  // The save command ends at a line break: such a name is refused now, before anything is made.
  if (name.find_first_of("\r\n") != std::string::npos) {
    showError(platform::MCIERR_BAD_FILE_NAME);
    return;
  }
  if (cmdStop_) cmdStop_->setEnabled(true);
  // Every path here is its own short form; an empty one only means the file could not be made
  // there (no such folder, no permission, a dangling link, a long path), and the save of the
  // name as typed then says which.
  const std::string path = shortPath_(name);
  RecordToFile(path.empty() ? name : path);
}

void WaveRecorder::cmdStop_Click() {
  if (cmdRecord_ && !cmdRecord_->isEnabled()) {
    recording_ = false;
    if (pass_) pass_->quit();
  }
  if (cmdRecord_) cmdRecord_->setEnabled(true);
  if (cmdStop_) cmdStop_->setEnabled(false);
}

void WaveRecorder::cmdPlay_Click() { Roll(txtFileName_->text()); }

std::uint32_t WaveRecorder::send(const std::string& command, char* reply, std::uint32_t length) {
  return calls_.sendString(command.c_str(), reply, length);
}

void WaveRecorder::sendShowingErrors(const std::string& command) {
  char reply[kReplyLength] = {};
  if (const std::uint32_t code = send(command, reply, kReplyLength)) showError(code);
}

void WaveRecorder::showError(std::uint32_t code) {
  char text[kReplyLength] = {};
  calls_.errorString(code, text, kReplyLength);
  messageBox_(txtFileName_->window(), QStringLiteral("Error"), QString::fromLocal8Bit(text), widgets::MessageIcon::None);
}

void WaveRecorder::RecordToFile(const std::string& path) {
  const std::shared_ptr<bool> alive = alive_;
  if (cmdRecord_) cmdRecord_->setEnabled(false);
  savePath_ = path;
  deviceOpen_ = true;
  sendShowingErrors("open new Type waveaudio Alias recsound");
  sendShowingErrors("set recsound time format ms bitspersample " + std::to_string(recBitsPerSample_.toInt()) +
                    " channels 2 bytespersec 22500  samplespersec " + recSamplesPerSec_.toStdString());
  sendShowingErrors("record  recsound");
  recording_ = true;
  const double now = TimeOfDay();
  recStartTime_ = static_cast<std::int32_t>(std::nearbyint(now));
  startFraction_ = now - recStartTime_;
  elapsed_.start();
  emit RecordingStarted();
  while (recording_) {
    UpdateRecordDisplay();
    if (!recording_) break;
    // Wait for events with a timeout instead of spinning: on two cores a busy loop starves the
    // audio thread. The display still refreshes a few times a second.
    QEventLoop pass;
    pass_ = &pass;
    QTimer::singleShot(kPassMillis, &pass, &QEventLoop::quit);
    pass.exec();
    if (!*alive) return;  // the window went away during the pass; the unload saved the take
    pass_ = nullptr;
  }
  saveAndClose();
}

void WaveRecorder::saveAndClose() {
  if (!deviceOpen_) return;
  deviceOpen_ = false;
  recording_ = false;
  sendShowingErrors("save recsound " + savePath_);
  sendShowingErrors("close recsound");
  emit RecordingFinished();
}

void WaveRecorder::StopForUnload() {
  // A file being played stops with the window: the process must not sound on after it.
  stopRoll_ = true;
  if (!deviceOpen_) return;
  recording_ = false;
  if (pass_) pass_->quit();
  saveAndClose();
}

void WaveRecorder::UpdateRecordDisplay() {
  const double seconds = startFraction_ + elapsed_.nsecsElapsed() / 1e9;
  if (lblTime_) lblTime_->setText(FormatRecordTime(static_cast<std::int64_t>(std::nearbyint(seconds))));
  if (send("set recsound time format bytes") != 0) recording_ = false;
  char reply[kStatusLength] = {};
  if (send("status recsound length", reply, kStatusLength) != 0) {
    recording_ = false;
    return;
  }
  const std::uint64_t bytes = std::strtoull(reply, nullptr, 10);
  if (lblSize_) lblSize_->setText(FormatRecordSize(bytes));
}

void WaveRecorder::Roll(const QString& waveFile) {
  const std::string file = waveFile.toStdString();
  platform::MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = "waveaudio";
  open.lpstrElementName = file.c_str();
  open.lpstrAlias = "0";
  if (platform::mciSendCommandA(0, platform::MCI_OPEN, platform::MCI_OPEN_TYPE | platform::MCI_OPEN_ELEMENT, &open) != 0)
    return;
  // The play waits on a thread of its own; meanwhile this thread repaints the window (so the
  // desktop does not take it for hung) but leaves input queued until the file has played. A
  // close of the window (its close box, a signal to end) closes the device at once, which ends
  // the playback and the wait.
  const std::shared_ptr<bool> alive = alive_;
  stopRoll_ = false;
  emit PlaybackStarted();
  std::atomic<bool> done{false};
  const platform::MCIDEVICEID id = open.wDeviceID;
  std::thread player([&done, id] {
    platform::MCI_PLAY_PARMS play{};
    platform::mciSendCommandA(id, platform::MCI_PLAY, platform::MCI_WAIT, &play);
    done.store(true);
  });
  bool closed = false;
  auto closeDevice = [&closed, id] {
    if (closed) return;
    closed = true;
    platform::MCI_GENERIC_PARMS close{};
    platform::mciSendCommandA(id, platform::MCI_CLOSE, 0, &close);
  };
  while (!done.load()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!*alive || stopRoll_) closeDevice();
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
  player.join();
  closeDevice();
  if (*alive) emit PlaybackFinished();
}

}  // namespace tonalix::recorder
