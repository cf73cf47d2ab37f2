#include "platform/audio/PulseOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/audio/OutputWake.h"
#include "platform/audio/RealtimeThread.h"
#include "platform/system/Diagnostics.h"
#include "platform/system/ProgramName.h"

namespace tonalix::platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kFrameBytes = 2 * sizeof(float);
// Once the engine has been idle this long (its effect tail already over) the stream is
// corked: the server stops asking for silence and our thread stops waking for it.
constexpr double kCorkAfterSeconds = 1.0;
// While corked the engine's clock is kept by rendering the elapsed frames this often, so
// songs, scheduled events and taps carry on in real time.
constexpr pa_usec_t kTickUsec = 100'000;
constexpr double kMaxCatchUpSeconds = 0.12;
constexpr pa_usec_t kConnectTimeoutUsec = 2'000'000;
// The sound server's own default; rtkit grants clients up to 20, so it is not refused there.
constexpr int kRealtimePriority = 5;

pa_time_event* newTimer(pa_mainloop_api* api, pa_time_event_cb_t callback, void* data) {
  return api->time_new(api, nullptr, callback, data);  // created disabled
}

void startTimer(pa_mainloop_api* api, pa_time_event* timer, pa_usec_t fromNow) {
  timeval tv{};
  pa_gettimeofday(&tv);
  pa_timeval_add(&tv, fromNow);
  api->time_restart(timer, &tv);
}

void drop(pa_operation* op) {
  if (op) pa_operation_unref(op);
}

class PulseOutput final : public AudioOutput {
 public:
  PulseOutput(int sampleRate, int periodFrames, RenderSource& source)
      : rate_(sampleRate), period_(periodFrames), source_(source), wake_(source.wake()),
        left_(static_cast<std::size_t>(periodFrames)), right_(static_cast<std::size_t>(periodFrames)),
        interleaved_(2 * static_cast<std::size_t>(periodFrames)),
        corkAfterFrames_(static_cast<std::uint64_t>(kCorkAfterSeconds * sampleRate)) {}

  ~PulseOutput() override {
    if (thread_.joinable()) {
      stop_.store(true);
      pa_mainloop_wakeup(loop_);
      thread_.join();
    }
    if (wake_) wake_->disarm();
    disconnect();
    if (loop_) pa_mainloop_free(loop_);  // frees the timers and the wake watch with it
  }

  bool open() {
    loop_ = pa_mainloop_new();
    if (!loop_) return false;
    api_ = pa_mainloop_get_api(loop_);
    tick_ = newTimer(api_, &PulseOutput::onTick, this);
    if (wake_ && wake_->fd() >= 0)
      api_->io_new(api_, wake_->fd(), PA_IO_EVENT_INPUT, &PulseOutput::onWake, this);

    // The first connection is made on the caller's thread, bounded, so a missing or hung
    // server lets the engine fall back at once instead of playing into nothing.
    pa_time_event* deadline = newTimer(api_, &PulseOutput::onOpenDeadline, this);
    startTimer(api_, deadline, kConnectTimeoutUsec);
    if (connect()) {
      while (state_ == State::Connecting && !openFailed_)
        if (pa_mainloop_iterate(loop_, 1, nullptr) < 0) break;
    }
    api_->time_free(deadline);
    if (state_ != State::Playing) {
      const int code = context_ ? pa_context_errno(context_) : PA_ERR_INTERNAL;
      diagnose("sound", std::string("sound server: ") +
                            (code == PA_OK ? "no answer within the connect timeout" : pa_strerror(code)));
      return false;
    }
    if (const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_)) {
      const double ms = 1000.0 * granted->tlength / kFrameBytes / rate_;
      diagnose("sound", "sound server granted a buffer of " + std::to_string(granted->tlength / kFrameBytes) +
                            " frames (" + std::to_string(static_cast<int>(ms + 0.5)) + " ms)");
    }
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
  }

  std::string name() const override { return "pulseaudio"; }
  Pace pace() const noexcept override { return pace_.load(std::memory_order_acquire); }

 private:
  enum class State { Connecting, Playing, Corked, Disconnected };

  void run() {
    // This thread is the one the server waits on; without the right it runs as before.
    if (!makeThreadRealtime(kRealtimePriority))
      diagnose("sound", "real-time scheduling was refused (no rtprio limit, no rtkit); the output runs at normal priority");
    while (!stop_.load())
      if (pa_mainloop_iterate(loop_, 1, nullptr) < 0) break;
  }

  bool connect() {
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, kProgramName);
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "tonalix-studio");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "tonalix-studio");
    context_ = pa_context_new_with_proplist(api_, kProgramName, props);
    pa_proplist_free(props);
    if (!context_) return false;
    pa_context_set_state_callback(context_, &PulseOutput::onContextState, this);
    // No autospawn: starting a daemon behind the desktop's back is not ours to do.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      lost();
      return false;
    }
    return true;
  }

  void openStream() {
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(rate_), 2};
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    pa_proplist_sets(props, PA_PROP_MEDIA_NAME, "Tonalix Synthesizer");
    pa_proplist_sets(props, PA_PROP_MEDIA_ICON_NAME, "tonalix-studio");
    stream_ = pa_stream_new_with_proplist(context_, "Tonalix Synthesizer", &format, nullptr, props);
    pa_proplist_free(props);
    if (!stream_) return lost();
    pa_stream_set_state_callback(stream_, &PulseOutput::onStreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::onWrite, this);
    pa_stream_set_started_callback(stream_, &PulseOutput::onStarted, this);
    // One period in flight, asked for in halves: the server grants a target of at least twice
    // the request size, so this keeps the latency of the period (about 4 ms queued at 256) and
    // the requests come in sizes we chose rather than in the server's small pieces.
    const auto periodBytes = static_cast<std::uint32_t>(static_cast<std::size_t>(period_) * kFrameBytes);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = periodBytes;
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = periodBytes / 2;
    attr.fragsize = static_cast<std::uint32_t>(-1);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
      lost();
  }

  // Frees the server objects; callbacks are detached first so none fires into a half state.
  void disconnect() {
    if (stream_) {
      pa_stream_set_state_callback(stream_, nullptr, nullptr);
      pa_stream_set_write_callback(stream_, nullptr, nullptr);
      pa_stream_set_started_callback(stream_, nullptr, nullptr);
      if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
      stream_ = nullptr;
    }
    if (context_) {
      pa_context_set_state_callback(context_, nullptr, nullptr);
      if (PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) pa_context_disconnect(context_);
      pa_context_unref(context_);
      context_ = nullptr;
    }
  }

  // The server went away or refused us. Before the thread runs that is a failed open; later
  // this output falls silent and stops asking: the engine's watchdog keeps the clock running
  // and opens a new output from its own thread. Connecting (which reads client.conf and the
  // cookie, and may reach the X server) has no place on this real-time thread.
  void lost() {
    if (!running_) {
      openFailed_ = true;
      return;
    }
    if (wake_) wake_->disarm();
    api_->time_restart(tick_, nullptr);
    state_ = State::Disconnected;
    pace_.store(Pace::Steady, std::memory_order_release);  // it asks no more: a watcher may judge it
  }

  void streamReady() {
    state_ = State::Playing;
    idleFrames_ = 0;
    beginStarting();
    api_->time_restart(tick_, nullptr);
  }

  // The server fills our buffer first and asks again only once its sink consumes: a sink that
  // wakes from suspend takes about half a second before that, a Bluetooth one longer. Until
  // then the silence is expected.
  void beginStarting() {
    primed_ = false;
    pace_.store(Pace::Starting, std::memory_order_release);
  }
  void started() { pace_.store(Pace::Steady, std::memory_order_release); }

  // Renders one chunk of at most a period into `out` (interleaved); true when it is not silent.
  bool renderChunk(float* out, int frames) {
    source_.render(left_.data(), right_.data(), frames);
    bool sound = false;
    for (int i = 0; i < frames; ++i) {
      const float l = left_[static_cast<std::size_t>(i)], r = right_[static_cast<std::size_t>(i)];
      out[2 * i] = l;
      out[2 * i + 1] = r;
      sound |= (l != 0.0f) | (r != 0.0f);
    }
    return sound;
  }

  // Answers a server request straight from the synthesizer: no second thread and no buffer
  // between them, so the thread the server waits on is the one that renders.
  void fill(std::size_t bytes) {
    if (!stream_ || state_ != State::Playing) return;
    // A request after our buffer was filled means the sink is consuming it.
    if (primed_ && pace_.load(std::memory_order_relaxed) == Pace::Starting) started();
    primed_ = true;
    std::size_t frames = bytes / kFrameBytes;
    while (frames > 0) {
      std::size_t chunkBytes = std::min<std::size_t>(frames, static_cast<std::size_t>(period_)) * kFrameBytes;
      void* data = nullptr;
      if (pa_stream_begin_write(stream_, &data, &chunkBytes) < 0 || !data) return;
      const std::size_t n = chunkBytes / kFrameBytes;
      if (n == 0) {
        pa_stream_cancel_write(stream_);
        return;
      }
      renderChunk(static_cast<float*>(data), static_cast<int>(n));
      pa_stream_write(stream_, data, n * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
      frames -= n;
      idleFrames_ = source_.idle() ? idleFrames_ + n : 0;
    }
    if (idleFrames_ >= corkAfterFrames_) cork();
  }

  void cork() {
    // Armed first, then one last look at the queue (a render of no frames takes in what was
    // sent): an event sent before arming is seen here, one sent after wakes us.
    if (wake_) {
      wake_->clear();
      wake_->arm();
      source_.render(left_.data(), right_.data(), 0);
      if (!source_.idle()) {
        wake_->disarm();
        idleFrames_ = 0;
        return;
      }
    }
    drop(pa_stream_cork(stream_, 1, nullptr, nullptr));
    // The silence still queued would only delay the next note.
    drop(pa_stream_flush(stream_, nullptr, nullptr));
    state_ = State::Corked;
    pace_.store(Pace::Resting, std::memory_order_release);
    beginSleep();
  }

  void uncork() {
    if (wake_) wake_->disarm();
    state_ = State::Playing;
    idleFrames_ = 0;
    beginStarting();
    api_->time_restart(tick_, nullptr);
    // Data first, then the uncork: playback starts with the note rather than an underrun.
    const std::size_t writable = pa_stream_writable_size(stream_);
    if (writable != static_cast<std::size_t>(-1)) fill(writable);
    drop(pa_stream_cork(stream_, 0, nullptr, nullptr));
  }

  void beginSleep() {
    asleepSince_ = Clock::now();
    asleepFrames_ = 0;
    startTimer(api_, tick_, kTickUsec);
  }

  // Renders the frames that have elapsed while asleep. When corked, the first chunk that
  // sounds (a scheduled event came due, or a send raced the cork) is handed to the stream
  // and playback resumes with it.
  void keepTime() {
    const double elapsed = std::chrono::duration<double>(Clock::now() - asleepSince_).count();
    const auto due = static_cast<std::uint64_t>(elapsed * rate_);
    // One pass renders about a tick's worth: a real-time thread that renders a second in one
    // go would run past its CPU allowance. After a stall (suspend, debugger, a slow machine)
    // the clock jumps over the rest instead.
    const auto catchUp = static_cast<std::uint64_t>(kMaxCatchUpSeconds * rate_);
    if (due > asleepFrames_ + catchUp) asleepFrames_ = due - catchUp;
    while (asleepFrames_ < due) {
      const int n = static_cast<int>(std::min<std::uint64_t>(due - asleepFrames_, static_cast<std::uint64_t>(period_)));
      const bool sound = renderChunk(interleaved_.data(), n);
      asleepFrames_ += static_cast<std::uint64_t>(n);
      if (state_ != State::Corked || (!sound && source_.idle())) continue;
      if (sound) {
        void* data = nullptr;
        std::size_t bytes = static_cast<std::size_t>(n) * kFrameBytes;
        if (pa_stream_begin_write(stream_, &data, &bytes) == 0 && data) {
          std::memcpy(data, interleaved_.data(), std::min(bytes, static_cast<std::size_t>(n) * kFrameBytes));
          pa_stream_write(stream_, data, std::min(bytes, static_cast<std::size_t>(n) * kFrameBytes), nullptr, 0,
                          PA_SEEK_RELATIVE);
        }
      }
      uncork();
      return;
    }
  }

  void tick() {
    if (state_ != State::Corked) return;
    startTimer(api_, tick_, kTickUsec);
    if (state_ == State::Corked && !source_.idle()) return uncork();
    keepTime();
  }

  static void onContextState(pa_context* c, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    switch (pa_context_get_state(c)) {
      case PA_CONTEXT_READY: self->openStream(); break;
      case PA_CONTEXT_FAILED:
      case PA_CONTEXT_TERMINATED: self->lost(); break;
      default: break;
    }
  }

  static void onStreamState(pa_stream* s, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    switch (pa_stream_get_state(s)) {
      case PA_STREAM_READY: self->streamReady(); break;
      case PA_STREAM_FAILED:
      case PA_STREAM_TERMINATED: self->lost(); break;
      default: break;
    }
  }

  static void onWrite(pa_stream*, std::size_t bytes, void* data) { static_cast<PulseOutput*>(data)->fill(bytes); }
  static void onStarted(pa_stream*, void* data) { static_cast<PulseOutput*>(data)->started(); }

  static void onWake(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void* data) {
    auto* self = static_cast<PulseOutput*>(data);
    self->wake_->clear();
    if (self->state_ == State::Corked) self->uncork();
  }

  static void onTick(pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
    static_cast<PulseOutput*>(data)->tick();
  }

  static void onOpenDeadline(pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
    static_cast<PulseOutput*>(data)->openFailed_ = true;
  }

  const int rate_;
  const int period_;
  RenderSource& source_;
  OutputWake* const wake_;
  std::vector<float> left_, right_, interleaved_;
  const std::uint64_t corkAfterFrames_;

  // Everything below belongs to the main-loop thread once it runs.
  pa_mainloop* loop_ = nullptr;
  pa_mainloop_api* api_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_time_event* tick_ = nullptr;
  State state_ = State::Connecting;
  bool running_ = false;
  bool openFailed_ = false;
  std::uint64_t idleFrames_ = 0;
  bool primed_ = false;  // written to the stream since it was last told to play
  Clock::time_point asleepSince_{};
  std::uint64_t asleepFrames_ = 0;

  std::atomic<Pace> pace_{Pace::Starting};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<AudioOutput> openPulseOutput(int sampleRate, int periodFrames, RenderSource& source) {
  auto output = std::make_unique<PulseOutput>(sampleRate, periodFrames, source);
  if (!output->open()) return nullptr;
  return output;
}

}  // namespace tonalix::platform
