#include "platform/audio/AudioEngine.h"

#include <fcntl.h>
#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/EventSchedule.h"
#include "platform/audio/FluidSynthLibrary.h"
#include "platform/audio/MixHooks.h"
#include "platform/audio/NullOutput.h"
#include "platform/audio/OutputWake.h"
#include "platform/audio/OutputWatchdog.h"
#include "platform/audio/PresetKeeper.h"
#include "platform/audio/PulseOutput.h"
#include "platform/audio/ServerOutput.h"
#include "platform/audio/SoundFontLocator.h"
#include "platform/midi/ShortMessage.h"
#include "platform/system/Diagnostics.h"

namespace tonalix::platform {
namespace {

// Output level: a single fortissimo piano note peaks around -10 dBFS with FluidR3 GM (the
// usual default); TimGM6mb comes out about 6 dB quieter.
constexpr double kSynthGain = 0.9;

// Keep rendering this long after the last voice ended so reverb and chorus tails decay.
constexpr double kTailSeconds = 3.0;

constexpr const char* kSilentOutput =
    "No sound: no sound output could be opened (sound server, JACK, ALSA); see \"No sound?\" "
    "in Help > How to Use.";

constexpr const char* kNoSoundFont =
    "No General MIDI SoundFont was found. Install the package fluid-soundfont-gm.";

// A program change the keeper resolved carries its exact preset to the audio thread.
void resolveInto(TimedEvent& ev, const PresetKeeper::Choice& choice) {
  if (!choice.exact) return;
  ev.presetBank = static_cast<std::int16_t>(choice.bank);
  ev.presetNumber = static_cast<std::uint8_t>(choice.program);
}

// Set while a thread renders: what FluidSynth logs there is dropped, since the audio thread
// never writes.
thread_local bool renderingHere = false;

struct RenderingMark {
  RenderingMark() noexcept { renderingHere = true; }
  ~RenderingMark() { renderingHere = false; }
};

// FluidSynth's own warnings and errors are passed on to --verbose; the user otherwise hears
// of failures through lastError() in our words. Its information and debug chatter stays out.
void collectLog(int level, const char* message, void*) {
  if (renderingHere || !verbose() || !message) return;
  diagnose("fluidsynth", std::string(level <= FLUID_ERR ? "error: " : "warning: ") + message);
}
void quietLog(int, const char*, void*) {}

}  // namespace

struct AudioEngine::Impl final : RenderSource, EventSchedule::Sink {
  AudioConfig config;
  // The user's line about the sound output; written by the threads that open or watch it.
  mutable std::mutex noticeMutex;
  std::string notice;
  std::atomic<std::uint64_t> noticeSerial{0};
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  bool soundFontLoaded = false;
  std::string soundFontPath;
  int soundFontFd = -1;  // the SoundFont's file, open while the synth may read from it
  std::string error;
  std::string outputName = "none";
  std::unique_ptr<AudioOutput> output;            // the null output, when no device opened
  std::unique_ptr<OutputWatchdog> watchdog;       // a device output and its stand-in
  bool offline = false;
  bool ranBefore = false;

  PresetKeeper keeper;
  OutputWake wakeSignal;  // outlives every output, so senders may signal it at any time
  std::atomic<std::uint64_t> position{0};
  EventSchedule schedule;
  std::atomic<std::uint64_t> unprepared{0};  // program changes that kept the old instrument

  // Audio-thread state: when a voice last sounded (idle saving), and the block render() is
  // filling, for the spans the schedule asks for.
  std::uint64_t lastActiveFrame = 0;
  std::uint64_t tailFrames = 0;
  float* blockLeft = nullptr;
  float* blockRight = nullptr;
  std::uint64_t blockStart = 0;

  // Hooks: plain atomic slots, read once per block. `inHooks` is raised around their use so a
  // detach can wait out the block that may still be calling the hook it removed.
  std::array<std::atomic<MixTap*>, kMaxHooks> taps{};
  std::array<std::atomic<MixSource*>, kMaxHooks> sources{};
  std::atomic<int> inHooks{0};

  template <typename T>
  static bool attachTo(std::array<std::atomic<T*>, kMaxHooks>& slots, T* hook) {
    if (!hook) return false;
    for (auto& slot : slots) {
      T* expected = nullptr;
      if (slot.compare_exchange_strong(expected, hook)) return true;
    }
    return false;
  }
  template <typename T>
  void detachFrom(std::array<std::atomic<T*>, kMaxHooks>& slots, T* hook) {
    for (auto& slot : slots) {
      T* expected = hook;
      slot.compare_exchange_strong(expected, nullptr);
    }
    while (inHooks.load() != 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }

  void runHooks(float* left, float* right, int frames) noexcept {
    inHooks.fetch_add(1);
    for (auto& slot : sources)
      if (MixSource* s = slot.load()) s->mixInto(left, right, frames);
    for (auto& slot : taps)
      if (MixTap* t = slot.load()) t->deliver(left, right, frames);
    inHooks.fetch_sub(1);
  }

  // Offline rendering scratch, sized at start.
  std::vector<float> scratchLeft, scratchRight;

  ~Impl() override { shutdown(); }

  void shutdown() {
    watchdog.reset();  // joins the audio threads before the synth goes away
    output.reset();
    keeper.stop();   // gives the SoundFont back to the synth, which deletes it
    if (synth) delete_fluid_synth(synth);
    if (soundFontFd >= 0) ::close(soundFontFd);
    soundFontFd = -1;
    if (settings) delete_fluid_settings(settings);
    synth = nullptr;
    settings = nullptr;
    soundFontLoaded = false;
    offline = false;
  }

  // Every event that selects a preset is counted once as it leaves, played or dropped.
  void retire(const TimedEvent& ev) noexcept override {
    if (PresetKeeper::isSelection(ev.message)) keeper.use().retired();
  }

  void allNotesOff() noexcept override {
    for (int ch = 0; ch < 16; ++ch) {
      fluid_synth_cc(synth, ch, 64, 0);  // sustain off first, or held notes would ring on
      fluid_synth_cc(synth, ch, 66, 0);
    }
    fluid_synth_all_notes_off(synth, -1);
  }

  // False, and nothing done, when the event selects a preset while a sender is changing what
  // the keeper holds (both count on the SoundFont's samples): it waits for the next block.
  bool apply(const TimedEvent& ev, std::uint64_t frame) noexcept override {
    if (!PresetKeeper::isSelection(ev.message)) {
      play(ev.message);
    } else {
      if (!keeper.tryEnter()) return false;
      select(ev);
      keeper.leave();
      keeper.use().retired();
    }
    lastActiveFrame = frame;
    return true;
  }

  // The preset the sender resolved and the keeper holds; an unresolved change (no keeper) keeps
  // the channel's instrument, and a reset selects what the keeper holds for good.
  void select(const TimedEvent& ev) {
    const ShortMessage m = ShortMessage::unpack(ev.message);
    const int channel = m.channel();
    PresetUse& use = keeper.use();
    if (m.status == ShortMessage::kSystemReset) {
      fluid_synth_system_reset(synth);
      use.selected(synth, -1, PresetUse::kDefaultPreset);
    } else if (ev.presetBank >= 0) {
      fluid_synth_program_select(synth, channel, keeper.soundFontId(), ev.presetBank, ev.presetNumber);
      use.selected(synth, channel, PresetKeeper::keyOf(ev.presetBank, ev.presetNumber));
    } else {
      // Nothing was prepared for it (the second synthesizer could not start or hold it):
      // selecting it here would read its samples from the file on this thread. The channel
      // keeps the instrument it has, whose samples are in memory.
      unprepared.fetch_add(1, std::memory_order_relaxed);
    }
  }

  void play(std::uint32_t message) {
    const ShortMessage m = ShortMessage::unpack(message);
    const int data1 = m.data1, data2 = m.data2, channel = m.channel();
    switch (m.kind()) {
      case 0x80: fluid_synth_noteoff(synth, channel, data1); break;
      case 0x90:
        if (data2 == 0) fluid_synth_noteoff(synth, channel, data1);
        else fluid_synth_noteon(synth, channel, data1, data2);
        break;
      case 0xA0: fluid_synth_key_pressure(synth, channel, data1, data2); break;
      case 0xB0: fluid_synth_cc(synth, channel, data1, data2); break;
      case 0xD0: fluid_synth_channel_pressure(synth, channel, data1); break;
      case 0xE0: fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7)); break;
      default: break;  // a data byte without status, or selections (select()): nothing to play
    }
  }

  void renderSpan(std::uint64_t from, std::uint64_t to) noexcept override {
    if (to <= from) return;
    // Idle saving: with no voice sounding and the effect tail gone, the output is silence anyway.
    if (from >= lastActiveFrame + tailFrames && fluid_synth_get_active_voice_count(synth) == 0) return;
    const auto offset = static_cast<std::ptrdiff_t>(from - blockStart);
    const auto frames = static_cast<int>(to - from);
    float* out[2] = {blockLeft + offset, blockRight + offset};
    float* fx[4] = {out[0], out[1], out[0], out[1]};  // reverb and chorus mixed into the dry pair
    fluid_synth_process(synth, frames, 4, fx, 2, out);
    if (fluid_synth_get_active_voice_count(synth) > 0) lastActiveFrame = to;
  }

  bool idle() const noexcept override {
    if (schedule.waiting()) return false;
    // A file playing through the engine sounds without any synthesizer voice.
    for (const auto& slot : sources)
      if (slot.load(std::memory_order_relaxed)) return false;
    if (!synth || !soundFontLoaded) return true;
    return position.load(std::memory_order_relaxed) >= lastActiveFrame + tailFrames &&
           fluid_synth_get_active_voice_count(synth) == 0;
  }

  OutputWake* wake() noexcept override { return &wakeSignal; }

  void render(float* left, float* right, int frames) noexcept override {
    const RenderingMark mark;
    const std::uint64_t start = position.load(std::memory_order_relaxed);
    std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(frames));
    std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));
    const bool audible = synth && soundFontLoaded;
    blockLeft = left;
    blockRight = right;
    blockStart = start;
    const std::uint64_t end = start + static_cast<std::uint64_t>(frames);
    schedule.runBlock(start, static_cast<std::uint64_t>(frames), audible, *this);
    runHooks(left, right, frames);
    keeper.use().publish(audible ? synth : nullptr);
    position.store(end, std::memory_order_release);
  }
};

AudioEngine::AudioEngine() : impl_(std::make_unique<Impl>()) {}
AudioEngine::~AudioEngine() = default;

void AudioEngine::configure(const AudioConfig& config) {
  Impl& d = *impl_;
  d.config = config;
  if (d.config.sampleRate < 8000 || d.config.sampleRate > 192000) d.config.sampleRate = 48000;
  if (d.config.periodFrames < 16 || d.config.periodFrames > 8192) d.config.periodFrames = 256;
}

bool AudioEngine::start(const AudioConfig& config) {
  stop();
  configure(config);
  return start();
}

bool AudioEngine::start() {
  Impl& d = *impl_;
  // Messages sent before the first start wait in the queue and play once the synth runs; a
  // restart drops what the previous run left behind.
  const bool restarting = d.synth != nullptr || d.offline || d.output != nullptr || d.ranBefore;
  d.ranBefore = true;
  stop();
  const AudioConfig& config = d.config;
  d.error.clear();
  d.soundFontPath.clear();
  d.position.store(0, std::memory_order_relaxed);
  d.schedule.reset(restarting);
  d.lastActiveFrame = 0;
  d.tailFrames = static_cast<std::uint64_t>(kTailSeconds * d.config.sampleRate);
  if (restarting) d.keeper.forgetSent();

  // The synthesizer library is opened here, on the starting thread, the first time.
  std::string libraryError;
  const bool libraryLoaded = LoadFluidSynth(libraryError);
  if (!libraryLoaded) diagnose("sound", libraryError);

  // FluidSynth's debug level is left alone: a function installed there makes it format every
  // debug message, on the audio thread too.
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) fluid_set_log_function(level, collectLog, nullptr);
  fluid_set_log_function(FLUID_INFO, quietLog, nullptr);

  if (libraryLoaded) d.settings = new_fluid_settings();
  if (d.settings) {
    fluid_settings_setnum(d.settings, "synth.sample-rate", d.config.sampleRate);
    fluid_settings_setnum(d.settings, "synth.gain", kSynthGain);
    // Only the audio thread touches the synth once it runs, so its internal mutex is not needed.
    fluid_settings_setint(d.settings, "synth.threadsafe-api", 0);
    // Samples load per instrument: the whole 148 MB GM font would take the program past 200 MB.
    // The keeper loads an instrument on the sending thread before its program change reaches
    // the audio thread, where selecting it is then a pointer swap. Locking the samples in RAM
    // would fail for ordinary users (RLIMIT_MEMLOCK).
    fluid_settings_setint(d.settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(d.settings, "synth.lock-memory", 0);
    // Bank selects as the keeper resolves them.
    fluid_settings_setstr(d.settings, "synth.midi-bank-select", "gs");
    fluid_settings_setint(d.settings, "synth.cpu-cores", 1);
    d.synth = new_fluid_synth(d.settings);
  }
  if (!libraryLoaded) {
    d.error = "The built-in synthesizer could not be started: " + libraryError +
              ". Install FluidSynth (the package " TONALIX_FLUIDSYNTH_PACKAGE ") and start the program again.";
  } else if (!d.synth) {
    d.error = "The built-in synthesizer could not be created; the FluidSynth library may be damaged.";
  } else {
    // A chosen file that is missing or not a SoundFont is told like a missing one: either way
    // the remedy is a General MIDI SoundFont the program can read.
    std::string path = config.soundFont;
    if (!path.empty()) {
      diagnose("sound", "SoundFont named by --soundfont or TONALIX_SOUNDFONT: " + path);
    } else {
      const auto candidates = soundFontCandidates();
      for (const auto& candidate : candidates) diagnose("sound", "SoundFont found: " + candidate);
      if (candidates.empty())
        diagnose("sound", "no SoundFont in /usr/share/sounds/sf2 or /usr/share/soundfonts");
      else
        path = candidates.front();
    }
    // Instruments are read from the file as they are chosen, for as long as the program runs.
    // Reading through a descriptor held open keeps them coming from this very file even when
    // an upgrade replaces or removes it meanwhile.
    std::string reads = path;
    if (!path.empty()) d.soundFontFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (d.soundFontFd >= 0) {
      const std::string held = "/proc/self/fd/" + std::to_string(d.soundFontFd);
      if (::access(held.c_str(), R_OK) == 0) reads = held;
    }
    if (path.empty() || fluid_synth_sfload(d.synth, reads.c_str(), 1) == FLUID_FAILED) {
      d.error = kNoSoundFont;
      if (!path.empty()) diagnose("sound", "SoundFont " + path + " could not be loaded; the synthesizer stays silent");
    } else {
      diagnose("sound", "SoundFont loaded: " + path);
      d.soundFontLoaded = true;
      d.soundFontPath = path;
      d.keeper.start(d.synth, reads);
    }
  }
  // Until now, this thread is the queue's only reader: what was sent while the SoundFont loaded
  // is resolved here, in order, and waits where the audio thread looks first. Other threads keep
  // sending meanwhile: what does not fit stays in the queue, behind, for the audio thread.
  d.keeper.adopt([&d](auto admit) {
    d.schedule.adoptQueued([&admit](TimedEvent& ev) {
      if (PresetKeeper::passesThrough(ev.message)) resolveInto(ev, admit(ev.message));
    });
  });

  d.scratchLeft.assign(static_cast<std::size_t>(d.config.periodFrames), 0.0f);
  d.scratchRight.assign(static_cast<std::size_t>(d.config.periodFrames), 0.0f);

  using Output = AudioConfig::Output;
  if (config.output == Output::Offline) {
    d.offline = true;
    d.outputName = "offline";
  } else {
    if (config.output == Output::Automatic) {
      const int rate = d.config.sampleRate, period = d.config.periodFrames;
      auto openDevice = [rate, period](RenderSource& source) {
        std::unique_ptr<AudioOutput> device = openPulseOutput(rate, period, source);
        if (!device) diagnose("sound", "the sound server (PulseAudio or PipeWire) did not accept a stream");
        for (const char* driver : {"jack", "alsa"}) {
          if (device) break;
          device = openServerOutput(driver, rate, period, source);
          if (!device) diagnose("sound", std::string("the ") + driver + " output could not be opened");
        }
        return device;
      };
      d.watchdog = std::make_unique<OutputWatchdog>(d, rate, period, openDevice,
                                                    [this](std::string line) { setOutputNotice(std::move(line)); });
      if (d.watchdog->start()) {
        setOutputNotice({});
      } else {
        d.watchdog.reset();
        setOutputNotice(kSilentOutput);
        diagnose("sound", "no sound output could be opened: playing into the null output");
      }
    }
    if (d.watchdog) {
      d.outputName = d.watchdog->name();
    } else {
      d.output = openNullOutput(d.config.sampleRate, d.config.periodFrames, d);
      d.outputName = d.output->name();
    }
    diagnose("sound", "output: " + d.outputName + " at " + std::to_string(d.config.sampleRate) + " Hz, " +
                          std::to_string(d.config.periodFrames) + " frames a period");
  }
  return d.soundFontLoaded;
}

void AudioEngine::stop() {
  impl_->shutdown();
  impl_->outputName = "none";
}

// Every send wakes an output that sleeps while the engine is idle.
bool AudioEngine::sendShortMessage(std::uint32_t message) { return scheduleShortMessage(message, 0); }

bool AudioEngine::scheduleShortMessage(std::uint32_t message, std::uint64_t frame) {
  Impl& d = *impl_;
  message &= 0x00FFFFFFu;
  auto push = [&d, message, frame](const PresetKeeper::Choice& choice) {
    TimedEvent ev{frame, message};
    resolveInto(ev, choice);
    return d.schedule.send(ev);
  };
  const bool queued = PresetKeeper::passesThrough(message) ? d.keeper.send(message, push) : push({});
  d.wakeSignal.notify();
  return queued;
}

void AudioEngine::prepareInstruments(const std::vector<std::uint32_t>& messages) {
  impl_->keeper.prepare(messages);
}

void AudioEngine::keepInstruments(const std::vector<std::uint32_t>& messages, const std::atomic<bool>* cancel) {
  impl_->keeper.keep(messages, cancel);
}

void AudioEngine::releaseInstruments() { impl_->keeper.release(); }

int AudioEngine::instrumentsHeld() {
  impl_->keeper.collect();
  return impl_->keeper.heldCount();
}

bool AudioEngine::holdsInstrument(int bank, int program) const { return impl_->keeper.holds(bank, program); }

void AudioEngine::allNotesOff() {
  impl_->schedule.requestAllNotesOff();
  impl_->wakeSignal.notify();
}

void AudioEngine::cancelScheduled() {
  impl_->schedule.requestCancel();
  impl_->wakeSignal.notify();
}

bool AudioEngine::attachTap(MixTap* tap) { return Impl::attachTo(impl_->taps, tap); }
void AudioEngine::detachTap(MixTap* tap) { impl_->detachFrom(impl_->taps, tap); }
bool AudioEngine::attachSource(MixSource* source) {
  if (!Impl::attachTo(impl_->sources, source)) return false;
  impl_->wakeSignal.notify();  // a paused output must run again for the source to be heard
  return true;
}
void AudioEngine::detachSource(MixSource* source) { impl_->detachFrom(impl_->sources, source); }

std::uint64_t AudioEngine::framePosition() const { return impl_->position.load(std::memory_order_acquire); }
int AudioEngine::sampleRate() const { return impl_->config.sampleRate; }
int AudioEngine::periodFrames() const { return impl_->config.periodFrames; }
std::string AudioEngine::outputName() const {
  return impl_->watchdog ? impl_->watchdog->name() : impl_->outputName;
}

std::uint64_t AudioEngine::unpreparedProgramChanges() const {
  return impl_->unprepared.load(std::memory_order_relaxed);
}

bool AudioEngine::soundFontLoaded() const { return impl_->soundFontLoaded; }
std::string AudioEngine::soundFontPath() const { return impl_->soundFontPath; }
std::string AudioEngine::lastError() const { return impl_->error; }

std::string AudioEngine::outputNotice() const {
  const std::lock_guard lock(impl_->noticeMutex);
  return impl_->notice;
}

std::uint64_t AudioEngine::outputNoticeSerial() const {
  return impl_->noticeSerial.load(std::memory_order_acquire);
}

void AudioEngine::setOutputNotice(std::string notice) {
  const std::lock_guard lock(impl_->noticeMutex);
  if (notice == impl_->notice) return;
  impl_->notice = std::move(notice);
  impl_->noticeSerial.fetch_add(1, std::memory_order_acq_rel);
}

void AudioEngine::renderOffline(float* interleavedStereo, int frames) {
  Impl& d = *impl_;
  if (!interleavedStereo || frames <= 0) return;
  if (!d.offline) {
    // A live output owns rendering; handing out silence keeps a wrong caller harmless.
    std::memset(interleavedStereo, 0, sizeof(float) * 2 * static_cast<std::size_t>(frames));
    return;
  }
  const int chunk = d.config.periodFrames;
  for (int done = 0; done < frames;) {
    const int n = std::min(chunk, frames - done);
    d.render(d.scratchLeft.data(), d.scratchRight.data(), n);
    for (int i = 0; i < n; ++i) {
      interleavedStereo[2 * (done + i)] = d.scratchLeft[static_cast<std::size_t>(i)];
      interleavedStereo[2 * (done + i) + 1] = d.scratchRight[static_cast<std::size_t>(i)];
    }
    done += n;
  }
}

}  // namespace tonalix::platform
