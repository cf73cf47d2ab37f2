#include "platform/audio/RealtimeThread.h"

#include <dbus/dbus.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>

#include "platform/system/Diagnostics.h"

namespace tonalix::platform {
namespace {

// rtkit's default ceiling for the CPU a real-time thread may use without blocking; it refuses
// threads of processes whose limit is higher. The limit also guards the desktop should the
// thread ever spin. At the hard limit the kernel kills the whole process (a take in progress
// is lost), so the soft limit sits well below it: its SIGXCPU drops the thread to normal
// scheduling first, and a real-time thread that does not block only gets slower.
constexpr rlim_t kRealtimeCpuMicros = 200'000;
constexpr rlim_t kDemoteAfterMicros = 100'000;

// The threads raised here; the handler demotes the one that ran over, or all of them when
// the signal lands elsewhere (the kernel sends it to the process).
constexpr std::size_t kMaxRealtimeThreads = 8;
std::array<std::atomic<pid_t>, kMaxRealtimeThreads> realtimeThreads{};
std::atomic<int> demotions{0};

// A thread id of ours that ended may since name a thread of another process.
bool ours(pid_t thread) { return ::syscall(SYS_tgkill, ::getpid(), thread, 0) == 0; }

bool demote(pid_t thread) {
  if (thread != 0 && !ours(thread)) return false;
  const int policy = sched_getscheduler(thread) & ~SCHED_RESET_ON_FORK;
  if (policy != SCHED_FIFO && policy != SCHED_RR) return false;
  sched_param normal{};
  return sched_setscheduler(thread, SCHED_OTHER, &normal) == 0;
}

// Async-signal-safe throughout: system calls, atomics and write(2).
void onCpuLimit(int) {
  const int savedErrno = errno;
  bool any = demote(0);
  if (!any) {
    for (auto& slot : realtimeThreads) {
      const pid_t thread = slot.load(std::memory_order_relaxed);
      if (thread > 0 && demote(thread)) any = true;
    }
  }
  if (any) {
    demotions.fetch_add(1, std::memory_order_relaxed);
    if (verbose()) {
      static constexpr char kSaid[] =
          "tonalix-studio: sound: the audio thread used its real-time CPU allowance without "
          "pausing; it now runs at normal priority\n";
      (void)!::write(STDERR_FILENO, kSaid, sizeof kSaid - 1);
    }
  }
  errno = savedErrno;
}

// The default action of SIGXCPU ends the process, so the handler is in place before any
// limit can raise it.
bool limitRealtimeCpu() {
  static std::once_flag installed;
  static bool handled = false;
  std::call_once(installed, [] {
    struct sigaction action{};
    action.sa_handler = onCpuLimit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    handled = sigaction(SIGXCPU, &action, nullptr) == 0;
  });
  if (!handled) return false;
  rlimit limit{};
  if (getrlimit(RLIMIT_RTTIME, &limit) != 0) return false;
  if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > kRealtimeCpuMicros) limit.rlim_max = kRealtimeCpuMicros;
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= limit.rlim_max)
    limit.rlim_cur = std::min(kDemoteAfterMicros, limit.rlim_max / 2);
  return setrlimit(RLIMIT_RTTIME, &limit) == 0;
}

void remember(pid_t thread) {
  for (auto& slot : realtimeThreads)
    if (slot.load() == thread) return;
  for (auto& slot : realtimeThreads) {
    pid_t old = slot.load();
    if ((old == 0 || !ours(old)) && slot.compare_exchange_strong(old, thread)) return;
  }
}
// A missing or busy bus must not hold up the audio for long.
constexpr int kBusTimeoutMillis = 500;

bool askRtkit(int priority) {
  dbus_threads_init_default();
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
  if (!bus) {
    dbus_error_free(&error);
    return false;
  }
  dbus_connection_set_exit_on_disconnect(bus, FALSE);
  bool ok = false;
  if (DBusMessage* call = dbus_message_new_method_call("org.freedesktop.RealtimeKit1", "/org/freedesktop/RealtimeKit1",
                                                       "org.freedesktop.RealtimeKit1", "MakeThreadRealtime")) {
    dbus_uint64_t thread = static_cast<dbus_uint64_t>(gettid());
    dbus_uint32_t prio = static_cast<dbus_uint32_t>(priority);
    if (dbus_message_append_args(call, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32, &prio, DBUS_TYPE_INVALID)) {
      if (DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call, kBusTimeoutMillis, &error)) {
        ok = !dbus_set_error_from_message(&error, reply);
        dbus_message_unref(reply);
      }
    }
    dbus_message_unref(call);
  }
  dbus_error_free(&error);
  dbus_connection_close(bus);
  dbus_connection_unref(bus);
  return ok;
}

}  // namespace

bool makeThreadRealtime(int priority) {
  // Without the limit and its handler a spinning thread could be killed or freeze the desktop:
  // better to stay at normal priority.
  if (!limitRealtimeCpu()) {
    diagnose("sound", "no real-time priority: the CPU limit for it could not be set");
    return false;
  }
  remember(gettid());
  sched_param param{};
  param.sched_priority = priority;
  // Reset on fork: a child process (a help viewer, say) must not inherit real-time priority.
  if (pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0) return true;
  return askRtkit(priority);
}

int realtimeDemotions() { return demotions.load(std::memory_order_relaxed); }

}  // namespace tonalix::platform
