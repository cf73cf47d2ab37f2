// The built-in synthesizer: a FluidSynth instance rendered from our own audio callback into
// the desktop's sound server, or into a null output that keeps time when there is no device.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tonalix::platform {

class MixTap;
class MixSource;

struct AudioConfig {
  enum class Output {
    Automatic,  // sound server (PulseAudio/PipeWire), JACK when its server runs, ALSA, else null
    Null,       // no device: a thread renders in real time and discards (recorder taps still work)
    Offline,    // no thread at all: the caller renders with renderOffline() (tests)
  };
  Output output = Output::Automatic;
  std::string soundFont;  // empty: the system's General MIDI SoundFont
  int sampleRate = 48000;
  int periodFrames = 256;
};

class AudioEngine {
 public:
  AudioEngine();
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  // Fixes the configuration (sampleRate() and periodFrames() answer from it at once). Call it
  // before start() runs on another thread; never while the engine runs.
  void configure(const AudioConfig& config);
  // Creates the synthesizer, loads the SoundFont (its instruments' samples as they are chosen)
  // and starts the output, as configured.
  // It may run on another thread while messages are already being sent: they wait and play
  // once the output runs (read the accessors other than the configuration's only after it has
  // returned). Returns false when the SoundFont is missing or is not a SoundFont; the engine
  // then still runs (silently) and lastError() says what to install. A failing sound server
  // falls back to the null output.
  bool start();
  // configure() and start() in one, on one thread.
  bool start(const AudioConfig& config);
  void stop();

  // Any thread: a MIDI short message (status in bits 0-7) applied at the start of the next
  // rendered block. Returns false only when the queue is full. Never blocks or allocates,
  // except that a program change (also a bank select or reset) first loads its instrument on
  // the calling thread when it is not loaded yet: a few milliseconds, never the audio thread's.
  bool sendShortMessage(std::uint32_t message);
  // Any thread, as sendShortMessage(): applied at exactly this frame of the output stream
  // (frames count from the engine's start); a frame already past is applied at once.
  // The synthesizer itself starts sounds on 64-frame block boundaries, so the sound begins at
  // most 63 frames after `frame`, never before. Schedule a short window ahead (up to about a
  // second): events waiting for their frame occupy a bounded buffer.
  bool scheduleShortMessage(std::uint32_t message, std::uint64_t frame);
  // Any thread, never blocks, never lost to a full queue: silences every channel at the start
  // of the next block (all notes off, sustain released), after what this thread sent before.
  void allNotesOff();
  // Any thread, never blocks: drops every message scheduled for a frame the output has not
  // reached yet (what a stopped song had queued ahead). Messages sent for "now" are kept, and
  // so is anything scheduled after this call. Never lost to a full queue.
  void cancelScheduled();

  // Any thread: loads the instruments these messages select (a song's program changes with
  // the bank selects before them) and keeps them until releaseInstruments(), so that a song
  // changing instruments as it plays never waits for a load.
  void prepareInstruments(const std::vector<std::uint32_t>& messages);
  void releaseInstruments();
  // Any thread, once started: as prepareInstruments(), but kept for as long as the engine runs
  // (songs known ahead of time then start without loading anything). Loads no more once
  // `cancel` is set.
  void keepInstruments(const std::vector<std::uint32_t>& messages, const std::atomic<bool>* cancel = nullptr);
  // Instruments loaded now (after letting go of those no longer needed, when nothing sounds).
  int instrumentsHeld();
  // Whether this instrument is loaded now.
  bool holdsInstrument(int bank, int program) const;
  // Program changes that found no instrument prepared for them (the second synthesizer could
  // not start or hold it): the channel kept its instrument rather than load on the audio thread.
  std::uint64_t unpreparedProgramChanges() const;

  // Frames rendered so far; the frame the next block starts at.
  std::uint64_t framePosition() const;
  int sampleRate() const;
  int periodFrames() const;
  // "pulseaudio", "jack", "alsa", "null", "offline"; a device output that dies is reopened,
  // possibly as another kind, while a null output keeps the clock running meanwhile.
  std::string outputName() const;
  bool soundFontLoaded() const;
  std::string soundFontPath() const;
  std::string lastError() const;

  // One line for the user about the sound output (why there is no sound), empty when all is
  // well; the serial grows whenever it changes, so a window shows a new notice once.
  std::string outputNotice() const;
  std::uint64_t outputNoticeSerial() const;
  // Any thread but the audio thread.
  void setOutputNotice(std::string notice);

  // Hooks into the audio callback (not owned; any thread). A source adds its sound to every
  // block, then each tap receives the block as it goes out. Up to kMaxHooks of each; attach
  // returns false when all are taken. Detach returns only once the audio thread is no longer
  // inside the hook, so the caller may destroy it right after.
  static constexpr int kMaxHooks = 4;
  bool attachTap(MixTap* tap);
  void detachTap(MixTap* tap);
  bool attachSource(MixSource* source);
  void detachSource(MixSource* source);

  // Offline output only: renders the next frames (interleaved stereo, 2 * frames floats).
  void renderOffline(float* interleavedStereo, int frames);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tonalix::platform
