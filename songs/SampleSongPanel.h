// The sample-song controls of the main window: twenty song buttons that write a built-in song
// to its temporary file and start it on the sequencer, the label with the song's title and the
// "S" button that stops the song and gives the MIDI output back to the piano.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <string>

#include "songs/SampleSongCatalogue.h"
#include "songs/SampleTempFiles.h"
#include "widgets/MessageBox.h"

class QLabel;
class QWidget;

namespace tonalix {
class MidiState;
class SequencerControl;
namespace widgets {
class BuiltControls;
class zqButtons_H;
}  // namespace widgets
}  // namespace tonalix

namespace tonalix::songs {

class SampleSongPanel : public QObject {
  Q_OBJECT
 public:
  // The controls come from the window's design (lblSample, cmdStopMidiSample,
  // cmdMidiSample(1..20)). files decides where the temporary song files go; messageBox shows
  // why a song could not be prepared.
  SampleSongPanel(MidiState& midi, SequencerControl& sequencer,
                  const widgets::BuiltControls& controls, SampleTempFiles files,
                  widgets::MessageBoxFunction messageBox = widgets::ShowMessageBox,
                  QObject* parent = nullptr);

  widgets::zqButtons_H* cmdMidiSample(int index) const;
  widgets::zqButtons_H* cmdStopMidiSample() const { return stopButton_; }
  QLabel* lblSample() const { return label_; }

  // Full path of the temporary file of the song chosen last; empty until the first choice.
  const std::string& CurrentSampleFile() const { return currentSampleFile_; }
  const SampleTempFiles& tempFiles() const { return files_; }

  // Unload: removes the songs' temporary files, except the one chosen last (it may still be
  // open in the sequencer).
  void DeleteSampleTempFiles();

 public slots:
  void cmdMidiSample_Click(int index);
  void cmdStopMidiSample_Click();

 private:
  void takeControls(const widgets::BuiltControls& controls);
  void showError(const QString& text) const;

  MidiState& midi_;
  SequencerControl& sequencer_;
  SampleTempFiles files_;
  widgets::MessageBoxFunction messageBox_;
  std::array<widgets::zqButtons_H*, kSampleSongCount> songButtons_{};
  widgets::zqButtons_H* stopButton_ = nullptr;
  QLabel* label_ = nullptr;
  std::string currentSampleFile_;
};

}  // namespace tonalix::songs
