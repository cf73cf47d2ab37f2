// MIDI output services: device count, device names, open, close and short messages.
// Device 0 is the built-in synthesizer; further ids are the system's MIDI output ports.
#pragma once

#include <cstdint>

namespace tonalix::platform {

class AudioEngine;

using MMRESULT = std::uint32_t;
using HMIDIOUT = std::uintptr_t;  // 0 is never a valid handle

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MIDIERR_NODEVICE = 68;

// The id of the MIDI mapper; it maps to device 0.
constexpr std::uint32_t MIDI_MAPPER = 0xFFFFFFFFu;

constexpr int MAXPNAMELEN = 32;

// Capability record: only the product name is of use to callers.
struct MIDIOUTCAPSA {
  std::uint16_t wMid = 0;
  std::uint16_t wPid = 0;
  std::uint32_t vDriverVersion = 0;
  char szPname[MAXPNAMELEN] = {};
  std::uint16_t wTechnology = 0;
  std::uint16_t wVoices = 0;
  std::uint16_t wNotes = 0;
  std::uint16_t wChannelMask = 0;
  std::uint32_t dwSupport = 0;
};
static_assert(sizeof(MIDIOUTCAPSA) == 52);

MMRESULT midiOutGetNumDevs();
MMRESULT midiOutGetDevCapsA(std::uint32_t deviceId, MIDIOUTCAPSA* caps, std::uint32_t capsSize);
MMRESULT midiOutOpen(HMIDIOUT* handle, std::uint32_t deviceId, std::uintptr_t callback,
                     std::uintptr_t instance, std::uint32_t flags);
MMRESULT midiOutClose(HMIDIOUT handle);
MMRESULT midiOutShortMsg(HMIDIOUT handle, std::uint32_t message);

// Process set-up: the engine that plays device 0 (not owned). Before this is called, or with
// nullptr, device 0 is still listed but opening it fails with MMSYSERR_NODRIVER. Changing the
// engine invalidates the handles open on the previous one (their notes are stopped first).
void setBuiltInSynth(AudioEngine* engine);

// The engine set with setBuiltInSynth (nullptr when none): the wave-audio device records
// and plays through it.
AudioEngine* builtInSynth();

// The engine behind an open handle on the built-in synthesizer, for callers that schedule
// messages sample-accurately (AudioEngine::scheduleShortMessage); nullptr for an external
// port or an invalid handle.
AudioEngine* midiOutSynthEngine(HMIDIOUT handle);

// The device list is read once and cached; this reads the system's MIDI ports again. Open
// handles stay valid; device ids may now name other ports.
void midiOutRescanDevices();

}  // namespace tonalix::platform
