#include "platform/audio/PresetKeeper.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace tonalix::platform {
namespace {

constexpr int kDrumBank = 128;
// How often the collector looks again while notes of instruments no longer chosen fade.
constexpr auto kCollectEvery = std::chrono::milliseconds(250);

// Reading ahead puts the file in the page cache (not in this process's memory), so the first
// use of an instrument copies from memory instead of waiting for the disk.
void readAhead(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
  ::close(fd);
}

}  // namespace

bool PresetKeeper::start(fluid_synth_t* synth, const std::string& path) {
  stop();
  sfont_ = synth ? fluid_synth_get_sfont(synth, 0) : nullptr;
  if (!sfont_) return false;
  settings_ = new_fluid_settings();
  if (!settings_) return false;
  // It never sounds: one voice, no effects; one channel per held preset.
  fluid_settings_setint(settings_, "synth.midi-channels", kChannels);
  fluid_settings_setint(settings_, "synth.polyphony", 1);
  fluid_settings_setint(settings_, "synth.reverb.active", 0);
  fluid_settings_setint(settings_, "synth.chorus.active", 0);
  fluid_settings_setint(settings_, "synth.threadsafe-api", 0);  // used under mutex_ only
  fluid_settings_setint(settings_, "synth.cpu-cores", 1);
  shadow_ = new_fluid_synth(settings_);
  if (!shadow_ || fluid_synth_add_sfont(shadow_, sfont_) == FLUID_FAILED) {
    if (shadow_) delete_fluid_synth(shadow_);
    delete_fluid_settings(settings_);
    shadow_ = nullptr;
    settings_ = nullptr;
    sfont_ = nullptr;
    return false;
  }
  // Adding the SoundFont selected the reset presets on every channel, as it did on `synth`.
  // The first 16 keep them for good; the others are free to hold what is asked for.
  sfontId_ = fluid_sfont_get_id(sfont_);
  banks_.reset();
  for (int ch = 0; ch < kChannels; ++ch) {
    Hold& h = holds_[static_cast<std::size_t>(ch)];
    h = Hold{};
    if (ch >= 16) {
      fluid_synth_unset_program(shadow_, ch);
      continue;
    }
    if (fluid_preset_t* p = resolve(banks_, ch, 0)) h.key = keyOf(fluid_preset_get_banknum(p), fluid_preset_get_num(p));
  }
  use_.reset(fluid_synth_get_polyphony(synth));
  clock_ = 0;
  gate_.clear();
  readAhead(path);
  stopping_ = false;
  collector_ = std::thread([this] { loop(); });
  return true;
}

void PresetKeeper::stop() {
  if (collector_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    collector_.join();
  }
  {
    std::lock_guard lock(mutex_);
    ready_ = false;
  }
  if (shadow_) {
    // The SoundFont belongs to the sounding synthesizer: take it back before this one goes.
    // Its channels let go of their presets first: taking the SoundFont away selects them again
    // in a synthesizer left without one, which FluidSynth warns of once for every channel.
    for (int ch = 0; ch < kChannels; ++ch) fluid_synth_unset_program(shadow_, ch);
    fluid_synth_remove_sfont(shadow_, sfont_);
    delete_fluid_synth(shadow_);
  }
  if (settings_) delete_fluid_settings(settings_);
  shadow_ = nullptr;
  settings_ = nullptr;
  sfont_ = nullptr;
}

// Looks while something waits for its notes to end or for the audio thread to catch up, and
// sleeps, without waking, from then until the next change.
void PresetKeeper::loop() {
  std::unique_lock lock(mutex_);
  bool waiting = false;
  for (;;) {
    auto due = [this] { return stopping_ || poked_; };
    if (waiting) wake_.wait_for(lock, kCollectEvery, due);
    else wake_.wait(lock, due);
    if (stopping_) return;
    poked_ = false;
    waiting = collectLocked();
  }
}

void PresetKeeper::poke() {
  poked_ = true;
  wake_.notify_one();
}

// Bank selects as the synthesizer takes them by default (GS): the MSB names the bank of a
// melodic channel, the LSB is ignored, and a drum channel ignores both.
void PresetKeeper::track(Banks& banks, std::uint32_t message) {
  const ShortMessage m = ShortMessage::unpack(message);
  if (m.status == ShortMessage::kSystemReset) {
    banks.reset();
    return;
  }
  const auto channel = static_cast<std::size_t>(m.channel());
  if (m.kind() == ShortMessage::kControlChange && m.data1 == ShortMessage::kBankSelect && !banks.drums[channel])
    banks.msb[channel] = m.data2;
}

// The preset a program change selects, with the synthesizer's own fall-backs: a missing drum
// kit becomes the standard kit, a missing instrument the one of bank 0, then the first one.
fluid_preset_t* PresetKeeper::resolve(const Banks& banks, int channel, int program) const {
  const auto ch = static_cast<std::size_t>(channel & 0x0F);
  const bool drums = channel < 16 && banks.drums[ch];
  const int bank = drums ? kDrumBank : (channel < 16 ? banks.msb[ch] : 0);
  if (fluid_preset_t* p = fluid_sfont_get_preset(sfont_, bank, program)) return p;
  if (drums) return fluid_sfont_get_preset(sfont_, kDrumBank, 0);
  if (fluid_preset_t* p = fluid_sfont_get_preset(sfont_, 0, program)) return p;
  return fluid_sfont_get_preset(sfont_, 0, 0);
}

void PresetKeeper::enterGate() {
  // The audio thread holds it only for the moment a selection takes.
  while (gate_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
}

int PresetKeeper::hold(int key, bool pin) {
  ++clock_;
  for (int ch = 0; ch < kChannels; ++ch) {
    Hold& h = holds_[static_cast<std::size_t>(ch)];
    if (h.key != key) continue;
    h.used = clock_;
    h.pinned = h.pinned || pin;
    return ch;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    for (int ch = 16; ch < kChannels; ++ch) {
      Hold& h = holds_[static_cast<std::size_t>(ch)];
      if (h.key >= 0) continue;
      enterGate();  // selecting it loads the samples the preset lacks
      const int rc = fluid_synth_program_select(shadow_, ch, sfontId_, key >> 7, key & 0x7F);
      leave();
      if (rc == FLUID_FAILED) return -1;
      h = Hold{key, clock_, pin};
      return ch;
    }
    collectLocked();  // every channel holds something: make room if anything may go
  }
  return -1;
}

PresetKeeper::Choice PresetKeeper::admit(std::uint32_t message) {
  const ShortMessage m = ShortMessage::unpack(message);
  if (m.kind() != ShortMessage::kProgramChange) {
    track(banks_, message);
    return {};
  }
  // What the last changes left unused goes before anything more is loaded.
  collectLocked();
  fluid_preset_t* preset = resolve(banks_, m.channel(), m.data1);
  if (!preset) return {};  // nothing to select: the plain change selects nothing as well
  const int bank = fluid_preset_get_banknum(preset);
  const int program = fluid_preset_get_num(preset);
  if (hold(keyOf(bank, program), false) < 0) return {};
  return {true, bank, program};
}

void PresetKeeper::prepare(const std::vector<std::uint32_t>& messages) {
  holdAll(messages, false, nullptr);
}

void PresetKeeper::keep(const std::vector<std::uint32_t>& messages, const std::atomic<bool>* cancel) {
  holdAll(messages, true, cancel);
}

void PresetKeeper::holdAll(const std::vector<std::uint32_t>& messages, bool forGood, const std::atomic<bool>* cancel) {
  Banks banks;
  banks.reset();
  {
    std::lock_guard lock(mutex_);
    if (!ready_) return;
    if (!forGood) banks = banks_;  // a song chooses from where the channels stand now
  }
  for (std::uint32_t message : messages) {
    if (cancel && cancel->load(std::memory_order_relaxed)) return;
    const ShortMessage m = ShortMessage::unpack(message);
    if (m.kind() != ShortMessage::kProgramChange) {
      track(banks, message);
      continue;
    }
    // The lock is taken per instrument: a sender (a song's own next change, a key on the
    // keyboard) waits for at most one load.
    std::lock_guard lock(mutex_);
    if (!ready_) return;
    fluid_preset_t* p = resolve(banks, m.channel(), m.data1);
    if (!p) continue;
    const int ch = hold(keyOf(fluid_preset_get_banknum(p), fluid_preset_get_num(p)), !forGood);
    if (forGood && ch >= 0) holds_[static_cast<std::size_t>(ch)].kept = true;
  }
}

void PresetKeeper::release() {
  std::lock_guard lock(mutex_);
  for (Hold& h : holds_) h.pinned = false;
  poke();
}

void PresetKeeper::collect() {
  std::lock_guard lock(mutex_);
  if (ready_) collectLocked();
}

// A held preset may go once every selection sent has reached the synthesizer, no channel has
// that preset and none of its notes sounds: then nothing can be playing its samples, and only
// a new selection, which comes through here first (and waits for mutex_), could need them.
// Returns whether more may go later without another change: notes still fading, or an audio
// thread that has not caught up.
bool PresetKeeper::collectLocked() {
  PresetUse::Snapshot& now = seen_;
  const bool settled = use_.read(now) && now.retired == sent_ && now.complete;
  auto onChannel = [&now](int key) { return std::find(now.channel.begin(), now.channel.end(), key) != now.channel.end(); };
  std::vector<int> idle;
  int fading = 0;
  for (int ch = 16; ch < kChannels; ++ch) {
    const Hold& h = holds_[static_cast<std::size_t>(ch)];
    if (h.key < 0 || h.pinned || h.kept || (settled && onChannel(h.key))) continue;
    if (settled && !now.sounds(h.key)) idle.push_back(ch);
    else ++fading;
  }
  if (!settled) return fading > kKeepRecent;
  if (static_cast<int>(idle.size()) <= kKeepRecent) return fading > 0;
  std::sort(idle.begin(), idle.end(), [this](int a, int b) {
    return holds_[static_cast<std::size_t>(a)].used > holds_[static_cast<std::size_t>(b)].used;
  });
  for (std::size_t i = kKeepRecent; i < idle.size(); ++i) {
    enterGate();  // letting go frees the samples no other preset uses
    fluid_synth_unset_program(shadow_, idle[i]);
    leave();
    holds_[static_cast<std::size_t>(idle[i])] = Hold{};
  }
  return fading > 0;
}

int PresetKeeper::heldCount() const {
  std::lock_guard lock(mutex_);
  int n = 0;
  int seen[kChannels];
  for (const Hold& h : holds_) {
    if (h.key < 0 || std::find(seen, seen + n, h.key) != seen + n) continue;
    seen[n++] = h.key;
  }
  return n;
}

bool PresetKeeper::holds(int bank, int program) const {
  std::lock_guard lock(mutex_);
  const int key = keyOf(bank, program);
  return std::any_of(holds_.begin(), holds_.end(), [key](const Hold& h) { return h.key == key; });
}

}  // namespace tonalix::platform
