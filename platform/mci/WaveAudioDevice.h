// The "waveaudio" device type. "open new" gives a recorder: "set" chooses the format, "record"
// captures the platform's sound source into a work file as it goes, "status ... length" reports
// the data recorded so far, "save PATH" puts the take where the user asked (or, when that
// fails, keeps it in the per-user recordings folder) and "close" ends it. Opened on a file, it
// plays that file through the synthesizer's output.
#pragma once

#include <memory>
#include <string>

#include "platform/audio/TakeWriter.h"
#include "platform/mci/MciDevice.h"

namespace tonalix::platform {

class RecordSource;
class WavePlayback;

class WaveAudioDevice final : public MciDevice {
 public:
  enum class TimeFormat { Milliseconds, Bytes, Samples };

  WaveAudioDevice();
  ~WaveAudioDevice() override;

  MCIERROR open(const MciOpenRequest& request) override;
  MCIERROR execute(const MciCommand& command, std::string& reply) override;
  bool keepOnCloseAll() const override { return recorder_; }
  void close() override;

  const WaveFormat& format() const { return format_; }
  bool recording() const { return source_ != nullptr; }

 private:
  MCIERROR set(const MciCommand& command);
  MCIERROR record(const MciCommand& command);
  MCIERROR status(const MciCommand& command, std::string& reply);
  MCIERROR save(const MciCommand& command);
  MCIERROR play(const MciCommand& command);
  void stopCapture();
  // Ends the take's file; returns the writer's error, if any.
  std::string finishTake();
  // Why the take in progress cannot go on (a failed write, a lost input); empty while it can.
  std::string captureFailure() const;
  // Gives the work file a dated visible name in the recordings folder; returns that path, or
  // empty when it could not be moved (it then stays where it is, and is never deleted).
  std::string keepTake();
  std::uint64_t lengthIn(TimeFormat format) const;

  bool recorder_ = false;
  WaveFormat format_;
  TimeFormat timeFormat_ = TimeFormat::Milliseconds;
  std::unique_ptr<RecordSource> source_;
  std::unique_ptr<TakeWriter> writer_;
  std::string workFile_;
  std::uint64_t takeFrames_ = 0;  // frames of a finished take
  std::string takeError_;         // a write failure met when the take was stopped
  std::string takeNotice_;        // what the saved take lacks: a lost input, dropped frames
  std::unique_ptr<WavePlayback> playback_;
};

}  // namespace tonalix::platform
