#include "platform/audio/OutputWatchdog.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/audio/NullOutput.h"
#include "platform/system/Diagnostics.h"

namespace tonalix::platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kLook = std::chrono::milliseconds(100);
// The first reopening is tried at once (a server that restarted is often back by the time the
// stall is noticed), then after 1, 2, 4 and every 8 seconds: one that is gone for good costs a
// try now and then.
constexpr auto kFirstRetry = std::chrono::seconds(1);
constexpr auto kLongestRetry = std::chrono::seconds(8);

constexpr const char* kStalled =
    "The sound output stopped responding. Playing continues silently while the program tries to reopen it.";

void silence(float* left, float* right, int frames) {
  std::memset(left, 0, sizeof(float) * static_cast<std::size_t>(frames));
  std::memset(right, 0, sizeof(float) * static_cast<std::size_t>(frames));
}

}  // namespace

void OutputWatchdog::Slot::render(float* left, float* right, int frames) noexcept {
  calls.fetch_add(1, std::memory_order_relaxed);
  if (owner_.active_.load(std::memory_order_acquire) != this ||
      owner_.rendering_.exchange(true, std::memory_order_acquire)) {
    if (frames > 0) silence(left, right, frames);
    return;
  }
  owner_.engine_.render(left, right, frames);
  owner_.rendering_.store(false, std::memory_order_release);
}

bool OutputWatchdog::Slot::idle() const noexcept {
  // A slot standing aside must not pause its device on the strength of another's state.
  return owner_.active_.load(std::memory_order_acquire) == this && owner_.engine_.idle();
}

OutputWake* OutputWatchdog::Slot::wake() noexcept { return owner_.engine_.wake(); }

OutputWatchdog::OutputWatchdog(RenderSource& engine, int sampleRate, int periodFrames, Opener open, Notify notify)
    : engine_(engine), rate_(sampleRate), period_(periodFrames), open_(std::move(open)), notify_(std::move(notify)) {}

OutputWatchdog::~OutputWatchdog() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  live_.reset();
  fallback_.reset();
}

bool OutputWatchdog::start() {
  live_ = open_(liveSlot_);
  if (!live_) return false;
  {
    std::lock_guard lock(mutex_);
    name_ = live_->name();
  }
  thread_ = std::thread([this] { run(); });
  return true;
}

std::string OutputWatchdog::name() const {
  std::lock_guard lock(mutex_);
  return name_;
}

bool OutputWatchdog::reopen() {
  live_.reset();  // a server allows one client of our name: the dead one goes first
  live_ = open_(liveSlot_);
  if (!live_) return false;
  const std::string opened = live_->name();
  {
    std::lock_guard lock(mutex_);
    name_ = opened;
  }
  diagnose("sound", "the " + opened + " output is open again; waiting for it to ask for audio");
  return true;
}

void OutputWatchdog::run() {
  std::uint64_t lastCalls = liveSlot_.calls.load();
  auto lastMove = Clock::now();
  auto retryPause = kFirstRetry;
  auto nextTry = lastMove;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, kLook, [this] { return stopping_; });
    if (stopping_) return;
    lock.unlock();
    const auto now = Clock::now();
    const std::uint64_t calls = liveSlot_.calls.load();
    const bool moving = calls != lastCalls;
    lastCalls = calls;
    const AudioOutput::Pace pace = live_ ? live_->pace() : AudioOutput::Pace::Steady;
    // A device paused on purpose is not judged, and its quiet ends only once it is told to play.
    if (moving || pace == AudioOutput::Pace::Resting) lastMove = now;
    const auto allowed = pace == AudioOutput::Pace::Starting ? kStartUpAllowance : kStallAfter;
    if (active_.load() == &liveSlot_) {
      if (now - lastMove >= allowed) {
        // The stand-in starts first, so no frame of the clock is lost to the switch.
        fallback_ = openNullOutput(rate_, period_, fallbackSlot_);
        active_.store(&fallbackSlot_);
        diagnose("sound", "the " + name() + " output has not asked for audio for " +
                              std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(now - lastMove).count()) +
                              " ms; keeping time with the null output");
        notify_(kStalled);
        retryPause = kFirstRetry;
        nextTry = now;
      }
    } else if (moving && pace == AudioOutput::Pace::Steady) {
      // The live output plays again: a sink that woke, a server that came back, a reopening
      // whose device has begun. Handing back waits for that, so a stream that connects but
      // never plays does not take over only to be stood in for, and the user told, again.
      active_.store(&liveSlot_);
      fallback_.reset();
      lastMove = now;
      diagnose("sound", "the " + name() + " output is playing again");
      notify_(std::string());
    } else if (!moving && now >= nextTry && (pace != AudioOutput::Pace::Starting || now - lastMove >= allowed)) {
      reopen();
      lastCalls = liveSlot_.calls.load();  // what it asked while opening says nothing yet
      lastMove = Clock::now();
      nextTry = lastMove + retryPause;
      retryPause = std::min<std::chrono::seconds>(retryPause * 2, kLongestRetry);
    }
    lock.lock();
  }
}

}  // namespace tonalix::platform
