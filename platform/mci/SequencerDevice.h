// The "sequencer" device type: opens a Standard MIDI File and plays it on MIDI output device
// 0 in the background; "status <alias> mode" answers "playing" or "stopped".
#pragma once

#include <memory>

#include "platform/mci/MciDevice.h"
#include "platform/mci/MidiSequence.h"
#include "platform/mci/SequencePlayer.h"
#include "platform/midiout/MidiOut.h"

namespace tonalix::platform {

class SequencerDevice final : public MciDevice {
 public:
  // The output the sequencer plays on.
  static constexpr std::uint32_t kOutputDevice = 0;

  SequencerDevice() = default;
  ~SequencerDevice() override;

  MCIERROR open(const MciOpenRequest& request) override;
  MCIERROR execute(const MciCommand& command, std::string& reply) override;
  void close() override;

  bool playing() const;
  // The running player (tests and measurements look into it); nullptr when stopped.
  SequencePlayer* player() const { return player_.get(); }

 private:
  MCIERROR play(const MciCommand& command);
  MCIERROR status(const MciCommand& command, std::string& reply);
  // Stops the player, releases its notes and the MIDI output; remembers where to resume.
  void halt();
  // A song that has played to its end is stopped here, on the caller's thread.
  void reapFinished();

  MidiSequence sequence_;
  HMIDIOUT output_ = 0;
  std::unique_ptr<SequencePlayer> player_;
  std::size_t resumeIndex_ = 0;
};

}  // namespace tonalix::platform
