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
#include "platform/audio/EventQueue.h"
#include "platform/audio/MixHooks.h"
#include "platform/audio/NullOutput.h"
#include "platform/audio/OutputWake.h"
#include "platform/audio/PresetKeeper.h"
#include "platform/audio/PulseOutput.h"
#include "platform/audio/ServerOutput.h"
#include "platform/audio/SoundFontLocator.h"
#include "platform/midi/ShortMessage.h"
#include "platform/system/Diagnostics.h"

namespace tonalix::platform {
namespace {

// The two engine commands are counters rather than queue entries, so a full queue can never
// lose them: "cancel scheduled" counts in the low half, "all notes off" in the high half.
constexpr std::uint64_t kCancelStep = 1;
constexpr std::uint64_t kOffStep = std::uint64_t{1} << 32;
std::uint32_t cancelCount(std::uint64_t commands) { return static_cast<std::uint32_t>(commands); }
std::uint32_t offCount(std::uint64_t commands) { return static_cast<std::uint32_t>(commands >> 32); }
// Wrap-safe "a was counted before b".
bool before(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) < 0; }

// Output level: a single fortissimo piano note peaks around -10 dBFS with FluidR3 GM (the
// usual default); TimGM6mb comes out about 6 dB quieter.
constexpr double kSynthGain = 0.9;

// Keep rendering this long after the last voice ended so reverb and chorus tails decay.
constexpr double kTailSeconds = 3.0;

constexpr std::size_t kQueueCapacity = 4096;
constexpr std::size_t kPendingCapacity = 4096;

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

struct AudioEngine::Impl final : RenderSource {
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
  std::unique_ptr<AudioOutput> output;
  bool offline = false;
  bool ranBefore = false;

  EventQueue queue{kQueueCapacity};
  PresetKeeper keeper;
  OutputWake wakeSignal;  // outlives every output, so senders may signal it at any time
  std::atomic<std::uint64_t> commands{0};
  std::atomic<std::uint64_t> position{0};

  // Audio-thread state: events taken from the queue, kept sorted by frame (stable), and due
  // events held back for the next block, in order (see apply()).
  std::array<TimedEvent, kPendingCapacity> pending{};
  std::size_t pendingCount = 0;
  std::array<TimedEvent, kQueueCapacity> carried{};
  std::size_t carriedCount = 0;
  std::uint64_t commandsSeen = 0;
  std::uint64_t lastActiveFrame = 0;
  std::uint64_t tailFrames = 0;

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
    output.reset();  // joins the audio thread before the synth goes away
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

  void insertPending(const TimedEvent& ev) {
    // Insert after every event with a frame <= ev.frame so equal frames keep arrival order.
    std::size_t i = pendingCount;
    while (i > 0 && pending[i - 1].frame > ev.frame) {
      pending[i] = pending[i - 1];
      --i;
    }
    pending[i] = ev;
    ++pendingCount;
  }

  // blockStart: the frame the block about to be rendered starts at. Events due by then play at
  // once in arrival order (a live note never pays a sorted insertion); later ones wait in
  // `pending`. Commands requested since the last block take effect between the events that were
  // sent before them and those sent after. Returns true when an event had to wait for the next
  // block: it and everything after it stay in order, in `carried` and in the queue.
  bool drainQueue(std::uint64_t blockStart, bool audible) {
    const std::uint64_t now = commands.load(std::memory_order_acquire);
    const std::uint32_t cancels = cancelCount(now);
    const std::uint32_t offs = offCount(now);
    if (cancelCount(commandsSeen) != cancels) dropStale(blockStart, cancels);
    bool offDue = offCount(commandsSeen) != offs;
    auto playDue = [&](const TimedEvent& ev) {
      if (offDue && !before(offCount(ev.commands), offs)) {
        if (audible) allNotesOffNow();
        offDue = false;
      }
      if (!audible) {
        retire(ev);
        return true;
      }
      if (!apply(ev)) return false;
      lastActiveFrame = blockStart;
      return true;
    };
    bool blocked = false;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < carriedCount; ++i) {
      if (!blocked && playDue(carried[i])) continue;
      blocked = true;
      carried[kept++] = carried[i];
    }
    carriedCount = kept;
    TimedEvent ev;
    while (!blocked && pendingCount < kPendingCapacity && queue.pop(ev)) {
      if (ev.frame > blockStart) {
        if (!before(cancelCount(ev.commands), cancels)) insertPending(ev);
        else retire(ev);
        continue;
      }
      if (!playDue(ev)) {
        blocked = true;
        carried[carriedCount++] = ev;
      }
    }
    if (offDue && !blocked) {
      if (audible) allNotesOffNow();
      offDue = false;
    }
    // An "all notes off" still waiting behind a held-back event stays due.
    constexpr std::uint64_t kOffMask = ~std::uint64_t{0xFFFFFFFFu};
    commandsSeen = ((offDue ? commandsSeen : now) & kOffMask) | (now & ~kOffMask);
    return blocked;
  }

  // Drops the events of frames not yet reached that were sent before the latest cancel;
  // earlier frames are due and stay.
  void dropStale(std::uint64_t frame, std::uint32_t cancels) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pendingCount; ++i) {
      if (pending[i].frame < frame || !before(cancelCount(pending[i].commands), cancels))
        pending[kept++] = pending[i];
      else
        retire(pending[i]);
    }
    pendingCount = kept;
  }

  // Every event that selects a preset is counted once as it leaves, played or dropped.
  void retire(const TimedEvent& ev) noexcept {
    if (PresetKeeper::isSelection(ev.message)) keeper.use().retired();
  }

  void allNotesOffNow() {
    for (int ch = 0; ch < 16; ++ch) {
      fluid_synth_cc(synth, ch, 64, 0);  // sustain off first, or held notes would ring on
      fluid_synth_cc(synth, ch, 66, 0);
    }
    fluid_synth_all_notes_off(synth, -1);
  }

  // False, and nothing done, when the event selects a preset while a sender is changing what
  // the keeper holds (both count on the SoundFont's samples): it waits for the next block.
  bool apply(const TimedEvent& ev) {
    if (!PresetKeeper::isSelection(ev.message)) {
      play(ev.message);
      return true;
    }
    if (!keeper.tryEnter()) return false;
    select(ev);
    keeper.leave();
    keeper.use().retired();
    return true;
  }

  // The preset the sender resolved and the keeper holds; an unresolved change (no keeper) lets
  // the synthesizer choose, and a reset selects what the keeper holds for good.
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
      fluid_synth_program_change(synth, channel, m.data1);
      use.selected(synth, channel, PresetUse::kUnknownPreset);
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

  void renderSpan(float* left, float* right, int frames, std::uint64_t frame) {
    if (frames <= 0) return;
    // Idle saving: with no voice sounding and the effect tail gone, the output is silence anyway.
    if (frame >= lastActiveFrame + tailFrames && fluid_synth_get_active_voice_count(synth) == 0) return;
    float* out[2] = {left, right};
    float* fx[4] = {left, right, left, right};  // reverb and chorus mixed into the dry pair
    fluid_synth_process(synth, frames, 4, fx, 2, out);
    if (fluid_synth_get_active_voice_count(synth) > 0) lastActiveFrame = frame + static_cast<std::uint64_t>(frames);
  }

  bool idle() const noexcept override {
    if (pendingCount > 0 || carriedCount > 0) return false;
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
    bool held = drainQueue(start, audible);
    const std::uint64_t end = start + static_cast<std::uint64_t>(frames);
    std::size_t next = 0;
    if (audible) {
      std::uint64_t cur = start;
      while (cur < end) {
        while (!held && next < pendingCount && pending[next].frame <= cur) {
          if (!apply(pending[next])) {
            held = true;  // it and the later ones play from the next block on
            break;
          }
          ++next;
          lastActiveFrame = cur;
        }
        std::uint64_t stop = end;
        if (!held && next < pendingCount && pending[next].frame < end) stop = pending[next].frame;
        const auto offset = static_cast<int>(cur - start);
        renderSpan(left + offset, right + offset, static_cast<int>(stop - cur), cur);
        cur = stop;
      }
    } else {
      // Nothing can sound; still consume due events so the queue never clogs.
      while (next < pendingCount && pending[next].frame < end) retire(pending[next++]);
    }
    if (next > 0) {
      std::copy(pending.begin() + static_cast<std::ptrdiff_t>(next),
                pending.begin() + static_cast<std::ptrdiff_t>(pendingCount), pending.begin());
      pendingCount -= next;
    }
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
  d.pendingCount = 0;
  d.carriedCount = 0;
  d.commandsSeen = d.commands.load(std::memory_order_acquire);
  d.lastActiveFrame = 0;
  d.tailFrames = static_cast<std::uint64_t>(kTailSeconds * d.config.sampleRate);
  TimedEvent stale;
  while (restarting && d.queue.pop(stale)) {
  }
  if (restarting) d.keeper.forgetSent();

  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN}) fluid_set_log_function(level, collectLog, nullptr);
  for (int level : {FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, quietLog, nullptr);

  d.settings = new_fluid_settings();
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
  if (!d.synth) {
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
  // is resolved here, in order, and waits where the audio thread looks first.
  d.keeper.adopt([&d](auto admit) {
    TimedEvent ev;
    while (d.queue.pop(ev)) {
      if (PresetKeeper::passesThrough(ev.message)) {
        resolveInto(ev, admit(ev.message));
      }
      if (ev.frame > 0) d.insertPending(ev);
      else d.carried[d.carriedCount++] = ev;
    }
  });

  d.scratchLeft.assign(static_cast<std::size_t>(d.config.periodFrames), 0.0f);
  d.scratchRight.assign(static_cast<std::size_t>(d.config.periodFrames), 0.0f);

  using Output = AudioConfig::Output;
  if (config.output == Output::Offline) {
    d.offline = true;
    d.outputName = "offline";
  } else {
    if (config.output == Output::Automatic) {
      d.output = openPulseOutput(d.config.sampleRate, d.config.periodFrames, d);
      if (!d.output) diagnose("sound", "the sound server (PulseAudio or PipeWire) did not accept a stream");
      for (const char* driver : {"jack", "alsa"}) {
        if (d.output) break;
        d.output = openServerOutput(driver, d.config.sampleRate, d.config.periodFrames, d);
        if (!d.output) diagnose("sound", std::string("the ") + driver + " output could not be opened");
      }
      if (!d.output) {
        setOutputNotice(kSilentOutput);
        diagnose("sound", "no sound output could be opened: playing into the null output");
      } else {
        setOutputNotice({});
      }
    }
    if (!d.output) d.output = openNullOutput(d.config.sampleRate, d.config.periodFrames, d);
    d.outputName = d.output->name();
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
    // The stamp is read before the push: a command this thread requested earlier is always
    // counted in it, so the event is ordered after that command.
    TimedEvent ev{frame, message, d.commands.load(std::memory_order_acquire)};
    resolveInto(ev, choice);
    return d.queue.push(ev);
  };
  const bool queued = PresetKeeper::passesThrough(message) ? d.keeper.send(message, push) : push({});
  d.wakeSignal.notify();
  return queued;
}

void AudioEngine::prepareInstruments(const std::vector<std::uint32_t>& messages) {
  impl_->keeper.prepare(messages);
}

void AudioEngine::releaseInstruments() { impl_->keeper.release(); }

int AudioEngine::instrumentsHeld() {
  impl_->keeper.collect();
  return impl_->keeper.heldCount();
}

void AudioEngine::allNotesOff() {
  impl_->commands.fetch_add(kOffStep, std::memory_order_acq_rel);
  impl_->wakeSignal.notify();
}

void AudioEngine::cancelScheduled() {
  impl_->commands.fetch_add(kCancelStep, std::memory_order_acq_rel);
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
std::string AudioEngine::outputName() const { return impl_->outputName; }
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
