// The "Midi Device" menu: "MIDI Mapper" and up to three output devices; the checked item picks
// the device the MIDI output plays on.
#pragma once

#include <QObject>
#include <array>
#include <cstdint>

class QAction;
class QMenu;
class QMenuBar;

namespace tonalix {

class MidiState;

class DeviceMenu : public QObject {
  Q_OBJECT
 public:
  static constexpr int kItems = 4;

  DeviceMenu(MidiState& midi, QMenuBar* menuBar);

  QMenu* midi_devices() const { return menu_; }
  QAction* device(int index) const;
  // How many output devices the platform reported when the menu was filled.
  std::int32_t MidiDeviceCount() const { return deviceCount_; }

  // Start-up: "MIDI Mapper", then the first three device names, "MIDI Mapper" checked.
  void Fill();
  // A click on item n: moves the check mark, records the choice and, while live play owns the
  // output, reopens it on the chosen device at once.
  void device_Click(int n);

 signals:
  // The output now plays on another device (the instrument needs sending there again).
  void DeviceChanged();

 private:
  MidiState& midi_;
  QMenu* menu_;
  std::array<QAction*, kItems> items_{};
  std::int32_t deviceCount_ = 0;
};

}  // namespace tonalix
