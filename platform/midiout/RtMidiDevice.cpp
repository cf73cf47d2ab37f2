#include "platform/midiout/RtMidiDevice.h"

#include <RtMidi.h>

#include <exception>
#include <mutex>
#include <string>
#include <unistd.h>

#include "platform/midi/ShortMessage.h"
#include "platform/midiin/MidiInput.h"
#include "platform/system/ProgramName.h"
#include "platform/system/SoundEnvironment.h"
#include "platform/system/SoundLibraryMessages.h"

namespace tonalix::platform {
namespace {

// RtMidi prints warnings to stderr unless a callback takes them.
void quietErrors(RtMidiError::Type, const std::string&, void*) {}

std::size_t messageLength(const ShortMessage& m) {
  if (m.hasChannel()) return 1 + static_cast<std::size_t>(m.dataLength());
  switch (m.status) {
    case 0xF1: case 0xF3: return 2;
    case 0xF2: return 3;
    case 0xF0: case 0xF7: return 0;  // SysEx cannot travel as a short message
    default: return 1;
  }
}

class RtMidiDevice final : public MidiOutDevice {
 public:
  explicit RtMidiDevice(std::unique_ptr<RtMidiOut> out) : out_(std::move(out)) {}

  MMRESULT send(std::uint32_t message) override {
    const ShortMessage m = ShortMessage::unpack(message);
    if (m.status < 0x80) return MMSYSERR_INVALPARAM;
    const std::size_t length = messageLength(m);
    if (length == 0) return MMSYSERR_INVALPARAM;
    const unsigned char bytes[3] = {m.status, m.data1, m.data2};
    std::lock_guard lock(mutex_);  // RtMidiOut is not safe for concurrent sends
    if (!out_) return MMSYSERR_INVALHANDLE;
    try {
      out_->sendMessage(bytes, length);
    } catch (const std::exception&) {
      return MMSYSERR_ERROR;
    }
    return MMSYSERR_NOERROR;
  }

  void close() override {
    std::lock_guard lock(mutex_);
    if (!out_) return;
    try {
      // A port keeps sounding what it was told; release sustain and stop every note first.
      for (int ch = 0; ch < 16; ++ch) {
        const ShortMessage sustain = ShortMessage::of(ShortMessage::kControlChange, ch, ShortMessage::kSustainPedal);
        const ShortMessage notes = ShortMessage::of(ShortMessage::kControlChange, ch, ShortMessage::kAllNotesOff);
        const unsigned char sustainOff[3] = {sustain.status, sustain.data1, sustain.data2};
        const unsigned char allNotesOff[3] = {notes.status, notes.data1, notes.data2};
        out_->sendMessage(sustainOff, 3);
        out_->sendMessage(allNotesOff, 3);
      }
      out_->closePort();
    } catch (const std::exception&) {
    }
    out_.reset();
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<RtMidiOut> out_;
};

std::unique_ptr<RtMidiOut> makeClient(RtMidi::Api api) {
  // RtMidi prints to stderr before it throws when the ALSA sequencer is missing; look first.
  if (api == RtMidi::LINUX_ALSA && ::access("/dev/snd/seq", R_OK | W_OK) != 0) return nullptr;
  // RtMidi's JACK backend leaks a buffer when no server runs; ask JACK directly first.
  if (api == RtMidi::UNIX_JACK && !JackServerRuns()) return nullptr;
  try {
    auto out = std::make_unique<RtMidiOut>(api, kProgramName);
    out->setErrorCallback(quietErrors, nullptr);
    return out;
  } catch (const std::exception&) {
    return nullptr;  // no ALSA sequencer, or no JACK server
  }
}

}  // namespace

std::vector<RtMidiPortInfo> listRtMidiPorts() {
  std::vector<RtMidiPortInfo> ports;
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  for (RtMidi::Api api : apis) {
    if (api == RtMidi::RTMIDI_DUMMY) continue;
    auto client = makeClient(api);
    if (!client) continue;
    try {
      const unsigned count = client->getPortCount();
      for (unsigned i = 0; i < count; ++i) {
        std::string name = client->getPortName(i);
        // Our own input is no destination: every note sent there would come straight back.
        if (name.empty() || isOwnMidiInputPort(name)) continue;
        ports.push_back({name, static_cast<int>(api), i});
      }
    } catch (const std::exception&) {
    }
  }
  return ports;
}

std::unique_ptr<MidiOutDevice> openRtMidiPort(const RtMidiPortInfo& port, MMRESULT& result) {
  if (isOwnMidiInputPort(port.name)) {
    result = MMSYSERR_INVALPARAM;
    return nullptr;
  }
  auto client = makeClient(static_cast<RtMidi::Api>(port.api));
  if (!client) {
    result = MMSYSERR_NODRIVER;
    return nullptr;
  }
  try {
    // Ports can come and go after the list was made: open by name, not by stale index.
    const unsigned count = client->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
      if (client->getPortName(i) == port.name) {
        client->openPort(i, std::string(kProgramName) + " output");
        result = MMSYSERR_NOERROR;
        return std::make_unique<RtMidiDevice>(std::move(client));
      }
    }
  } catch (const std::exception&) {
    result = MMSYSERR_ALLOCATED;
    return nullptr;
  }
  result = MIDIERR_NODEVICE;
  return nullptr;
}

}  // namespace tonalix::platform
