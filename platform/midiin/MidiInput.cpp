#include "platform/midiin/MidiInput.h"

#include <cctype>

#include "platform/midiin/AlsaMidiInput.h"
#include "platform/midiin/JackMidiInput.h"

namespace tonalix::platform {

MidiInput::MidiInput(MidiInputHandlers handlers) : handlers_(std::move(handlers)) {}

MidiInput::~MidiInput() { close(); }

int MidiInput::open() {
  close();
  alsa_ = AlsaMidiInput::open(handlers_);
  // A hardware keyboard is connected once: by ALSA when its watcher runs, else through JACK.
  jack_ = JackMidiInput::open(handlers_, alsa_ && alsa_->connectsHardware());
  return (alsa_ ? 1 : 0) + (jack_ ? 1 : 0);
}

void MidiInput::close() {
  alsa_.reset();
  jack_.reset();
}

std::string MidiInput::jackPortName() const { return jack_ ? jack_->portName() : std::string(); }

std::uint64_t MidiInput::droppedMessages() const {
  return (jack_ ? jack_->droppedMessages() : 0) + (alsa_ ? alsa_->droppedMessages() : 0);
}

std::uint64_t MidiInput::overruns() const { return alsa_ ? alsa_->overruns() : 0; }

bool isOwnMidiInputPort(const std::string& portName) {
  const std::string client = MidiInput::kClientName;
  if (portName.compare(0, client.size(), client) != 0) return false;
  std::size_t i = client.size();
  // JACK gives a second client of the same name a numbered suffix.
  if (i < portName.size() && portName[i] == '-') {
    ++i;
    while (i < portName.size() && std::isdigit(static_cast<unsigned char>(portName[i]))) ++i;
  }
  const std::string rest = portName.substr(i);
  const std::string port = std::string(":") + MidiInput::kPortName;
  if (rest.compare(0, port.size(), port) != 0) return false;
  std::size_t j = port.size();
  // On JACK each hardware source has a port of its own, numbered from "Input-2".
  if (j + 1 < rest.size() && rest[j] == '-' && std::isdigit(static_cast<unsigned char>(rest[j + 1]))) {
    ++j;
    while (j < rest.size() && std::isdigit(static_cast<unsigned char>(rest[j]))) ++j;
  }
  // ALSA listings append the client:port numbers after a space.
  return j == rest.size() || rest[j] == ' ';
}

}  // namespace tonalix::platform
