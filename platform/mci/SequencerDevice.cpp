#include "platform/mci/SequencerDevice.h"

#include <sys/stat.h>

#include "platform/mci/PortSequencePlayer.h"
#include "platform/mci/SynthSequencePlayer.h"
#include "platform/midi/SmfReader.h"

namespace tonalix::platform {

SequencerDevice::~SequencerDevice() { halt(); }

MCIERROR SequencerDevice::open(const MciOpenRequest& request) {
  if (request.newElement) return MCIERR_UNSUPPORTED_FUNCTION;  // nothing to record into
  if (request.element.empty()) return MCIERR_FILENAME_REQUIRED;
  struct stat st {};
  if (::stat(request.element.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return MCIERR_FILE_NOT_FOUND;
  const smf::SmfReadResult read = smf::SmfReader::readFile(request.element);
  if (!read.ok()) {
    return read.error == smf::SmfError::CannotOpenFile ? MCIERR_FILE_NOT_FOUND : MCIERR_INVALID_FILE;
  }
  sequence_ = MidiSequence::fromFile(read.file);
  resumeIndex_ = 0;
  return MCIERR_NOERROR;
}

bool SequencerDevice::playing() const { return player_ && !player_->finished(); }

void SequencerDevice::reapFinished() {
  if (player_ && player_->finished()) halt();
}

void SequencerDevice::halt() {
  if (player_) {
    player_->stop();
    resumeIndex_ = player_->finished() ? sequence_.events.size() : player_->nextIndex();
    player_.reset();
  }
  if (output_) {
    // The output is held only while playing, so live play can have it back after a stop.
    midiOutClose(output_);
    output_ = 0;
  }
}

MCIERROR SequencerDevice::execute(const MciCommand& command, std::string& reply) {
  reapFinished();
  const std::string verb = command.verb();
  if (mciEquals(verb, "play")) return play(command);
  if (mciEquals(verb, "stop") || mciEquals(verb, "pause")) {
    if (command.argCount() > 0 && !command.argIs(0, "wait")) return MCIERR_UNRECOGNIZED_KEYWORD;
    halt();
    return MCIERR_NOERROR;
  }
  if (mciEquals(verb, "status")) return status(command, reply);
  return MCIERR_UNSUPPORTED_FUNCTION;
}

MCIERROR SequencerDevice::play(const MciCommand& command) {
  if (command.argCount() > 0) return MCIERR_UNRECOGNIZED_KEYWORD;
  if (playing()) return MCIERR_NOERROR;
  // A song that has played through starts again from the beginning.
  if (resumeIndex_ >= sequence_.events.size()) resumeIndex_ = 0;

  const MMRESULT opened = midiOutOpen(&output_, kOutputDevice, 0, 0, 0);
  if (opened != MMSYSERR_NOERROR) {
    output_ = 0;
    if (opened == MMSYSERR_ALLOCATED) return MCIERR_SEQ_PORT_INUSE;
    if (opened == MMSYSERR_NODRIVER || opened == MMSYSERR_BADDEVICEID || opened == MIDIERR_NODEVICE) {
      return MCIERR_SEQ_NOMIDIPRESENT;
    }
    return MCIERR_SEQ_PORT_MISCERROR;
  }
  if (AudioEngine* engine = midiOutSynthEngine(output_)) {
    player_ = std::make_unique<SynthSequencePlayer>(*engine);
  } else {
    const HMIDIOUT out = output_;
    player_ = std::make_unique<PortSequencePlayer>([out](std::uint32_t m) { midiOutShortMsg(out, m); });
  }
  player_->start(sequence_, resumeIndex_);
  return MCIERR_NOERROR;
}

MCIERROR SequencerDevice::status(const MciCommand& command, std::string& reply) {
  if (command.argCount() == 0) return MCIERR_MISSING_PARAMETER;
  if (command.argCount() == 1 && command.argIs(0, "mode")) {
    reply = playing() ? "playing" : "stopped";
  } else if (command.argCount() == 1 && command.argIs(0, "length")) {
    reply = std::to_string(sequence_.durationMicros / 1000);  // milliseconds
  } else if (command.argCount() == 1 && command.argIs(0, "ready")) {
    reply = "true";
  } else if (command.argCount() == 2 && command.argIs(0, "time") && command.argIs(1, "format")) {
    reply = "milliseconds";
  } else {
    return MCIERR_UNRECOGNIZED_KEYWORD;
  }
  return MCIERR_NOERROR;
}

void SequencerDevice::close() { halt(); }

}  // namespace tonalix::platform
