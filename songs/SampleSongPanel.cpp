#include "songs/SampleSongPanel.h"

#include <QLabel>

#include "midi/MidiState.h"
#include "platform/system/BuiltInData.h"
#include "platform/system/ProgramName.h"
#include "songs/SequencerControl.h"
#include "widgets/FormDesign.h"
#include "widgets/zqButtons_H.h"

namespace tonalix::songs {

SampleSongPanel::SampleSongPanel(MidiState& midi, SequencerControl& sequencer,
                                 const widgets::BuiltControls& controls, SampleTempFiles files,
                                 widgets::MessageBoxFunction messageBox, QObject* parent)
    : QObject(parent),
      midi_(midi),
      sequencer_(sequencer),
      files_(std::move(files)),
      messageBox_(std::move(messageBox)) {
  takeControls(controls);
}

void SampleSongPanel::showError(const QString& text) const {
  if (messageBox_)
    messageBox_(label_->window(), platform::kProgramTitle, text, widgets::MessageIcon::Warning);
}

void SampleSongPanel::takeControls(const widgets::BuiltControls& controls) {
  using widgets::zqButtons_H;
  for (int n = 1; n <= kSampleSongCount; ++n) {
    auto* button = controls.get<zqButtons_H>(QStringLiteral("cmdMidiSample"), n);
    songButtons_[static_cast<std::size_t>(n - 1)] = button;
    button->setToolTip(QStringLiteral("Melody Sample"));
    // The caption is only the song's number; a screen reader says what it plays.
    const std::string_view title = SampleSongTitle(n);
    button->setAccessibleName(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    connect(button, &zqButtons_H::Click, this, [this, n] { cmdMidiSample_Click(n); });
  }
  stopButton_ = controls.get<zqButtons_H>(QStringLiteral("cmdStopMidiSample"));
  stopButton_->setToolTip(QStringLiteral("Stop Melody"));
  stopButton_->setAccessibleName(QStringLiteral("Stop Melody"));
  connect(stopButton_, &zqButtons_H::Click, this, &SampleSongPanel::cmdStopMidiSample_Click);
  label_ = controls.get<QLabel>(QStringLiteral("lblSample"));
  // Long titles take a second line rather than being cut off.
  label_->setWordWrap(true);
}

widgets::zqButtons_H* SampleSongPanel::cmdMidiSample(int index) const {
  return IsSampleSongIndex(index) ? songButtons_[static_cast<std::size_t>(index - 1)] : nullptr;
}

void SampleSongPanel::cmdMidiSample_Click(int index) {
  if (!IsSampleSongIndex(index)) return;
  // The song's file is written before anything else changes: a song that cannot be written
  // leaves the one playing and the live output as they were.
  const auto song = platform::FindResData(SampleSongDataId(index), kSampleSongDataType);
  if (song.empty()) {
    showError(QStringLiteral("Sample song %1 is missing from this program.").arg(index));
    return;
  }
  const SampleTempFiles::WriteResult written = files_.Write(index, song);
  if (!written.ok()) {
    showError(QStringLiteral("Sample song %1 cannot be played: its file cannot be written.\n\n%2")
                  .arg(index)
                  .arg(QString::fromStdString(written.error)));
    return;
  }

  midi_.HandOutputToSong();
  sequencer_.StopMidi();
  // Open or play errors are shown by the sequencer; the song still counts as chosen.
  sequencer_.PlayMidiFile(written.path);
  const std::string_view title = SampleSongTitle(index);
  label_->setText(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
  currentSampleFile_ = written.path;
}

void SampleSongPanel::cmdStopMidiSample_Click() { midi_.ReopenMidiOut(); }

void SampleSongPanel::DeleteSampleTempFiles() { files_.DeleteAllExcept(currentSampleFile_); }

}  // namespace tonalix::songs
