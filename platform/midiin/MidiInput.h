// The program's MIDI input: a port named "Input" on the client "Tonalix STUDIO" on the ALSA
// sequencer and, while a server runs, on JACK. Hardware sources are connected to it as they
// appear (on JACK each to a port of its own, "Input-2" and on); any other program may connect
// too. Where neither system is present there is simply
// no input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/midiin/MidiInputHandlers.h"
#include "platform/system/ProgramName.h"

namespace tonalix::platform {

class AlsaMidiInput;
class JackMidiInput;

class MidiInput {
 public:
  static constexpr const char* kClientName = kProgramName;
  static constexpr const char* kPortName = "Input";

  explicit MidiInput(MidiInputHandlers handlers);
  ~MidiInput();
  MidiInput(const MidiInput&) = delete;
  MidiInput& operator=(const MidiInput&) = delete;

  // Opens the port on each system present; returns how many were opened.
  int open();
  // Closes the ports; no handler runs after this returns.
  void close();

  // The full JACK name of the shared port, empty while it is not open on JACK.
  std::string jackPortName() const;
  // Messages dropped inside the input because its reader fell behind (never a release).
  std::uint64_t droppedMessages() const;
  // Input the ALSA sequencer itself lost because it was read too slowly.
  std::uint64_t overruns() const;

 private:
  MidiInputHandlers handlers_;
  std::unique_ptr<AlsaMidiInput> alsa_;
  std::unique_ptr<JackMidiInput> jack_;
};

// True for a port name that is this program's input as an output lister shows it
// ("Tonalix STUDIO:Input", "Tonalix STUDIO-01:Input", "Tonalix STUDIO:Input 128:0"). Sending
// there would feed every note back in.
bool isOwnMidiInputPort(const std::string& portName);

}  // namespace tonalix::platform
