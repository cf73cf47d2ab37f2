// The main window's sound controls: the instrument list, the volume and pitch sliders with their
// level bars and pitch value, the eight octave buttons and the drum volume slider. Connects
// their handlers to the window's MIDI state and gives them their start-up values.
#pragma once

#include <QObject>
#include <array>

class QListWidget;
class QWidget;

namespace tonalix {

class MidiState;

namespace widgets {
class BuiltControls;
class DesignLabel;
class zqButtons_H;
class zykProgressBar;
class zykSlider;
}  // namespace widgets

class SoundControls : public QObject {
  Q_OBJECT
 public:
  static constexpr int kOctaveButtons = 8;
  static constexpr int kNotesPerOctaveButton = 8;
  // Where the instrument list sits on the window, in twips.
  static constexpr int kListLeft = 210, kListTop = 1005, kListWidth = 2190, kListHeight = 1770;

  // Finds the designed controls by name and makes the instrument list on surface.
  SoundControls(MidiState& midi, const widgets::BuiltControls& controls, QWidget* surface);

  QListWidget* lstInstrument() const { return list_; }
  widgets::zykSlider* vscrVolume() const { return volume_; }
  widgets::zykProgressBar* volProgBar() const { return volumeBar_; }
  widgets::zykSlider* vscrPitch() const { return pitch_; }
  widgets::zykProgressBar* pitchProgBar() const { return pitchBar_; }
  widgets::DesignLabel* lblPitch() const { return pitchLabel_; }
  widgets::zqButtons_H* cmdOctave(int index) const;
  widgets::zykSlider* hscrvolumeD() const { return drumVolume_; }

  // Start-up steps, each run by the window's load at its place.
  void FillInstrumentList();
  // The pitch everywhere at once: BaseNote, slider, level bar and value label.
  void SetPitch(int note);
  // Selects a list item, which raises the pick and so sends the instrument.
  void SelectInstrument(int program);
  // KeyVelocity, slider and level bar.
  void SetVolume(int velocity);
  // DrumVelocity and its slider.
  void SetDrumVolume(int velocity);

  // Sends the selected instrument again: the output now plays somewhere that has not heard it
  // (another device, or the synthesizer after a song set its own programs).
  void ResendInstrument();

  // Handlers, one per control event.
  void lstInstrument_Click();
  void vscrVolume_Click();
  void vscrPitch_Click();
  void cmdOctave_Click(int index);
  void hscrvolumeD_Click();

 signals:
  // BaseNote has changed: the keys now play other notes.
  void PitchChanged();

 private:
  void makeInstrumentList(QWidget* surface);
  void setTooltips();
  void connectHandlers();
  void showPitch(int note);

  MidiState& midi_;
  QListWidget* list_ = nullptr;
  widgets::zykSlider* volume_ = nullptr;
  widgets::zykProgressBar* volumeBar_ = nullptr;
  widgets::zykSlider* pitch_ = nullptr;
  widgets::zykProgressBar* pitchBar_ = nullptr;
  widgets::DesignLabel* pitchLabel_ = nullptr;
  std::array<widgets::zqButtons_H*, kOctaveButtons> octaves_{};
  widgets::zykSlider* drumVolume_ = nullptr;
};

}  // namespace tonalix
