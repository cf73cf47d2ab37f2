// The main window: owns the MIDI state and every control, builds the subsystems that work on
// them, and runs the load and unload sequences in their fixed order.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "midi/MidiState.h"
#include "widgets/FormDesign.h"
#include "widgets/MessageBox.h"

class QAction;

namespace tonalix {

class DeviceMenu;
class SoundControls;
class PanelBackground;
namespace keyboard {
class PianoKeyboard;
class KeyLabels;
class ComputerKeyboard;
class MidiKeyboardInput;
}  // namespace keyboard
namespace drums {
class DrumPads;
}
namespace songs {
class SampleSongPanel;
}
namespace recorder {
class WaveRecorder;
}
class SequencerControl;
namespace help {
class HTMLHelp;
class frmAbout;
class frmOSInfo;
}  // namespace help

class frmPiano : public QMainWindow {
  Q_OBJECT
 public:
  // Client area in twips (15 twips per pixel).
  static constexpr int kClientWidthTwips = 11460;
  static constexpr int kClientHeightTwips = 5700;

  // What the window's surroundings provide; each one left empty is the program's own.
  struct Services {
    // Every message box the window shows.
    widgets::MessageBoxFunction messageBox;
    // Stops the sample song before the output is handed back or closed: the sequencer's stop.
    std::function<void()> stopSong;
    // Removes the temporary song files at unload: the song panel's clean-up.
    std::function<void()> deleteSampleTempFiles;
  };

  explicit frmPiano(Services services = {}, QWidget* parent = nullptr);
  ~frmPiano() override;

  // Runs the start-up sequence; called once, before the window is first shown.
  void Form_Load();
  // Runs the shut-down sequence; called once, when the window closes.
  void Form_Unload();

  MidiState& midi() { return midi_; }
  keyboard::PianoKeyboard& piano() { return *piano_; }
  keyboard::KeyLabels& keyLabels() { return *keyLabels_; }
  keyboard::ComputerKeyboard& computerKeyboard() { return *computerKeyboard_; }
  keyboard::MidiKeyboardInput& midiKeyboard() { return *midiKeyboard_; }
  drums::DrumPads& drumPads() { return *drumPads_; }
  DeviceMenu& deviceMenu() { return *deviceMenu_; }
  SoundControls& soundControls() { return *soundControls_; }
  SequencerControl& sequencer() { return *sequencer_; }
  songs::SampleSongPanel& sampleSongs() { return *sampleSongs_; }
  recorder::WaveRecorder& waveRecorder() { return *waveRecorder_; }
  // Plays a WAV file to its end and closes it (the recorder's PLAY).
  void Roll(const QString& waveFile);
  // The surface every control of the window is placed on (twips / 15 = its pixels).
  QWidget* surface() const;
  // The controls built from the window's design, found by name and index.
  const widgets::BuiltControls& controls() const { return controls_; }
  // Problems found in the design resource (none in a good build).
  const QList<widgets::DesignError>& designErrors() const { return designErrors_; }

  QAction* mnuExit() const { return mnuExit_; }
  QAction* Contents() const { return contents_; }
  QAction* About() const { return about_; }
  QAction* mnuInfo() const { return mnuInfo_; }

  // The help menu's commands: the help guide at its start page, the about box and the system
  // information window (each shown modeless, one of each).
  void Contents_Click();
  void About_Click();
  void mnuInfo_Click();
  // The help wrapper, made on the first "How to Use"; null before.
  help::HTMLHelp* htmlHelp() const { return htmlHelp_.get(); }
  help::frmAbout* aboutBox() const;
  help::frmOSInfo* osInfo() const;

  // Tells the user why there is no sound (the engine's output notice), in the title for as
  // long as it holds and once in a box that does not block the window; empty clears it.
  void ShowOutputNotice(const QString& notice);
  QWidget* outputNoticeBox() const { return outputNoticeBox_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void keepKeyboardWithThePiano();

  Services services_;
  QPointer<QWidget> outputNoticeBox_;
  MidiState midi_;
  PanelBackground* surface_ = nullptr;
  widgets::BuiltControls controls_;
  QList<widgets::DesignError> designErrors_;
  keyboard::PianoKeyboard* piano_ = nullptr;
  keyboard::KeyLabels* keyLabels_ = nullptr;
  keyboard::ComputerKeyboard* computerKeyboard_ = nullptr;
  keyboard::MidiKeyboardInput* midiKeyboard_ = nullptr;
  drums::DrumPads* drumPads_ = nullptr;
  std::unique_ptr<SequencerControl> sequencer_;
  songs::SampleSongPanel* sampleSongs_ = nullptr;
  recorder::WaveRecorder* waveRecorder_ = nullptr;
  DeviceMenu* deviceMenu_ = nullptr;
  SoundControls* soundControls_ = nullptr;
  QAction* mnuExit_ = nullptr;
  QAction* contents_ = nullptr;
  QAction* about_ = nullptr;
  QAction* mnuInfo_ = nullptr;
  std::unique_ptr<help::HTMLHelp> htmlHelp_;
  QPointer<help::frmAbout> aboutBox_;
  QPointer<help::frmOSInfo> osInfo_;
  bool loaded_ = false;
  bool unloaded_ = false;
};

}  // namespace tonalix
