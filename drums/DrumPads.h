// The drum machine: ten pads, each repeating its percussion sound on a timer of its own. A click
// starts or stops a pad; its spinner sets the rate (500 to 4000 ms) shown in its rate label.
#pragma once

#include <QLabel>
#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>

#include "drums/DrumPadTable.h"
#include "drums/RateSpinner.h"
#include "midi/MidiState.h"
#include "widgets/ColorValue.h"

namespace tonalix::widgets {
class zqButtons_H;
class BuiltControls;
}  // namespace tonalix::widgets

namespace tonalix::drums {

class DrumPads : public QObject {
  Q_OBJECT
 public:
  static constexpr widgets::ColorValue kRepeatingColor = 0x57C0FF;
  static constexpr widgets::ColorValue kIdleColor = 0x9FBFCC;
  static constexpr int kInitialInterval = 1000;  // ms, until the spinner first moves
  static constexpr int kIntervalStep = 500;      // ms per spinner step

  // Pads and rate labels come from the window's design (cmdDrumN, lblDrumN); the spinners are
  // made here as children of surface at their fixed places.
  DrumPads(MidiState& midi, const widgets::BuiltControls& design, QWidget* surface);

  // Pads are numbered 1..10; other numbers give nullptr / false.
  widgets::zqButtons_H* cmdDrum(int n) const;
  QTimer* tmrDrum(int n) const;
  RateSpinner* scrDrum(int n) const;
  QLabel* lblDrum(int n) const;
  // True while pad n repeats its sound.
  bool playDrum(int n) const;

  // Start-up: every timer off, then every pad marked silent.
  void StopAllDrums();

  // While the window plays a file it takes no input: the repeating pads hold their beat and
  // go on when it has played; each keeps its rate and its colour.
  void PauseRepeats(bool paused);

  void cmdDrum_Click(int n);
  void scrDrum_Change(int n);
  void tmrDrum_Timer(int n);

 private:
  struct Pad {
    widgets::zqButtons_H* button = nullptr;
    QTimer* timer = nullptr;
    RateSpinner* spinner = nullptr;
    QLabel* label = nullptr;
    bool playing = false;
  };
  void buildControls(const widgets::BuiltControls& design, QWidget* surface);
  Pad* pad(int n);
  const Pad* pad(int n) const;

  MidiState& midi_;
  std::array<Pad, kPadCount> pads_{};
};

}  // namespace tonalix::drums
