#include "platform/audio/RealtimeThread.h"

#include <dbus/dbus.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>

namespace tonalix::platform {
namespace {

// rtkit's default ceiling for the CPU a real-time thread may use without blocking; it refuses
// threads of processes whose limit is higher. The limit also guards the desktop should the
// thread ever spin.
constexpr rlim_t kRealtimeCpuMicros = 200'000;
// A missing or busy bus must not hold up the audio for long.
constexpr int kBusTimeoutMillis = 500;

bool askRtkit(int priority) {
  rlimit limit{};
  if (getrlimit(RLIMIT_RTTIME, &limit) != 0) return false;
  if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > kRealtimeCpuMicros) {
    limit.rlim_cur = limit.rlim_max = kRealtimeCpuMicros;
    if (setrlimit(RLIMIT_RTTIME, &limit) != 0) return false;
  }
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
  sched_param param{};
  param.sched_priority = priority;
  // Reset on fork: a child process (a help viewer, say) must not inherit real-time priority.
  if (pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0) return true;
  return askRtkit(priority);
}

}  // namespace tonalix::platform
