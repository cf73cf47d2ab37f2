// The device list (built-in synthesizer first, then the system's ports) and the table of open
// handles. Handles are slot numbers tagged with a generation, never pointers, so a closed or
// forged handle is recognised and refused.
#include "platform/midiout/MidiOut.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/midiout/RtMidiDevice.h"
#include "platform/midiout/SynthDevice.h"

namespace tonalix::platform {
namespace {

constexpr std::uint16_t MOD_MIDIPORT = 1;
constexpr std::uint16_t MOD_SWSYNTH = 7;
constexpr std::uint32_t CALLBACK_TYPEMASK = 0x00070000u;
constexpr std::size_t kMaxHandles = 256;

struct DeviceEntry {
  std::string name;
  std::optional<RtMidiPortInfo> port;  // empty for the built-in synthesizer
  MidiOutPortFactory ownPort;          // set for a port of the program's own
};

struct Slot {
  std::uint32_t generation = 1;
  std::unique_ptr<MidiOutDevice> device;
};

struct State {
  std::mutex devicesMutex;
  bool scanned = false;
  std::vector<DeviceEntry> devices;
  std::vector<DeviceEntry> ownPorts;

  // Guards the handle table and every send, so a close never overlaps a send on its handle.
  std::mutex handlesMutex;
  std::vector<Slot> slots;
  AudioEngine* synth = nullptr;
};

State& state() {
  static State s;
  return s;
}

void scanLocked(State& s) {
  s.devices.clear();
  s.devices.push_back({SynthDevice::kProductName, std::nullopt, {}});
  // The program's own ports come first, so their ids never move with the system's ports.
  for (auto& own : s.ownPorts) s.devices.push_back(own);
  for (auto& port : listRtMidiPorts()) s.devices.push_back({port.name, port, {}});
  s.scanned = true;
}

std::optional<DeviceEntry> deviceEntry(std::uint32_t id, std::size_t* count = nullptr) {
  State& s = state();
  std::lock_guard lock(s.devicesMutex);
  if (!s.scanned) scanLocked(s);
  if (count) *count = s.devices.size();
  if (id == MIDI_MAPPER) id = 0;
  if (id >= s.devices.size()) return std::nullopt;
  return s.devices[id];
}

HMIDIOUT makeHandle(std::size_t slot, std::uint32_t generation) {
  return (static_cast<HMIDIOUT>(generation) << 32) | static_cast<HMIDIOUT>(slot + 1);
}

// Caller holds handlesMutex. Null for 0, closed, stale or never-issued handles.
Slot* findSlot(State& s, HMIDIOUT handle) {
  const std::uint64_t index = handle & 0xFFFFFFFFu;
  const auto generation = static_cast<std::uint32_t>(static_cast<std::uint64_t>(handle) >> 32);
  if (index == 0 || index > s.slots.size()) return nullptr;
  Slot& slot = s.slots[index - 1];
  if (!slot.device || slot.generation != generation) return nullptr;
  return &slot;
}

// Copies at most MAXPNAMELEN - 1 bytes without splitting a UTF-8 character.
void copyName(char (&dest)[MAXPNAMELEN], const std::string& name) {
  std::size_t n = std::min<std::size_t>(name.size(), MAXPNAMELEN - 1);
  if (n < name.size()) {
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0u) == 0x80u) --n;
  }
  std::memset(dest, 0, MAXPNAMELEN);
  std::memcpy(dest, name.data(), n);
}

}  // namespace

MMRESULT midiOutGetNumDevs() {
  std::size_t count = 0;
  deviceEntry(0, &count);
  return static_cast<MMRESULT>(count);
}

MMRESULT midiOutGetDevCapsA(std::uint32_t deviceId, MIDIOUTCAPSA* caps, std::uint32_t capsSize) {
  if (!caps || capsSize == 0) return MMSYSERR_INVALPARAM;
  const auto entry = deviceEntry(deviceId);
  if (!entry) return MMSYSERR_BADDEVICEID;
  MIDIOUTCAPSA full;
  full.vDriverVersion = 0x0400;
  if (deviceId == MIDI_MAPPER) {
    copyName(full.szPname, "MIDI Mapper");
    full.wTechnology = 5;  // MOD_MAPPER
  } else {
    copyName(full.szPname, entry->name);
    full.wTechnology = (entry->port || entry->ownPort) ? MOD_MIDIPORT : MOD_SWSYNTH;
  }
  if (!entry->port && !entry->ownPort) {
    full.wVoices = 256;
    full.wNotes = 256;
  }
  full.wChannelMask = 0xFFFF;
  // A short record gets the fields that fit, as callers of older record layouts expect.
  std::memcpy(caps, &full, std::min<std::size_t>(capsSize, sizeof full));
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutOpen(HMIDIOUT* handle, std::uint32_t deviceId, std::uintptr_t /*callback*/,
                     std::uintptr_t /*instance*/, std::uint32_t flags) {
  if (!handle) return MMSYSERR_INVALPARAM;
  *handle = 0;
  // Nothing here reports back to the caller, so asking for a callback is refused.
  if (flags & CALLBACK_TYPEMASK) return MMSYSERR_INVALPARAM;
  const auto entry = deviceEntry(deviceId);
  if (!entry) return MMSYSERR_BADDEVICEID;

  State& s = state();
  std::unique_ptr<MidiOutDevice> device;
  if (entry->ownPort) {
    device = entry->ownPort();
    if (!device) return MMSYSERR_ERROR;
  } else if (!entry->port) {
    std::lock_guard lock(s.handlesMutex);
    if (!s.synth) return MMSYSERR_NODRIVER;
    device = std::make_unique<SynthDevice>(*s.synth);
  } else {
    MMRESULT result = MMSYSERR_NOERROR;
    device = openRtMidiPort(*entry->port, result);
    if (!device) return result;
  }

  std::lock_guard lock(s.handlesMutex);
  std::size_t index = 0;
  while (index < s.slots.size() && s.slots[index].device) ++index;
  if (index == s.slots.size()) {
    if (s.slots.size() >= kMaxHandles) {
      device->close();
      return MMSYSERR_NOMEM;
    }
    s.slots.emplace_back();
  }
  Slot& slot = s.slots[index];
  slot.device = std::move(device);
  *handle = makeHandle(index, slot.generation);
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutClose(HMIDIOUT handle) {
  State& s = state();
  std::lock_guard lock(s.handlesMutex);
  Slot* slot = findSlot(s, handle);
  if (!slot) return MMSYSERR_INVALHANDLE;
  slot->device->close();
  slot->device.reset();
  // A new generation makes every copy of the old handle stale.
  if (++slot->generation == 0) slot->generation = 1;
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutShortMsg(HMIDIOUT handle, std::uint32_t message) {
  State& s = state();
  std::lock_guard lock(s.handlesMutex);
  Slot* slot = findSlot(s, handle);
  if (!slot) return MMSYSERR_INVALHANDLE;
  return slot->device->send(message);
}

void setBuiltInSynth(AudioEngine* engine) {
  State& s = state();
  std::lock_guard lock(s.handlesMutex);
  if (engine == s.synth) return;
  // Handles on the previous engine must not outlive it: they become invalid here.
  for (Slot& slot : s.slots) {
    if (slot.device && slot.device->engine()) {
      slot.device->close();
      slot.device.reset();
      if (++slot.generation == 0) slot.generation = 1;
    }
  }
  s.synth = engine;
}

AudioEngine* builtInSynth() {
  State& s = state();
  std::lock_guard lock(s.handlesMutex);
  return s.synth;
}

AudioEngine* midiOutSynthEngine(HMIDIOUT handle) {
  State& s = state();
  std::lock_guard lock(s.handlesMutex);
  Slot* slot = findSlot(s, handle);
  return slot ? slot->device->engine() : nullptr;
}

void midiOutRescanDevices() {
  State& s = state();
  std::lock_guard lock(s.devicesMutex);
  scanLocked(s);
}

std::uint32_t midiOutAddPort(const std::string& name, MidiOutPortFactory factory) {
  State& s = state();
  std::lock_guard lock(s.devicesMutex);
  std::erase_if(s.ownPorts, [&](const DeviceEntry& e) { return e.name == name; });
  s.ownPorts.push_back({name, std::nullopt, std::move(factory)});
  scanLocked(s);
  for (std::size_t id = 0; id < s.devices.size(); ++id)
    if (s.devices[id].ownPort && s.devices[id].name == name) return static_cast<std::uint32_t>(id);
  return MIDI_MAPPER;
}

void midiOutRemovePort(const std::string& name) {
  State& s = state();
  std::lock_guard lock(s.devicesMutex);
  std::erase_if(s.ownPorts, [&](const DeviceEntry& e) { return e.name == name; });
  scanLocked(s);
}

}  // namespace tonalix::platform
