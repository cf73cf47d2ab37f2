#include "platform/system/Diagnostics.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace tonalix::platform {
namespace {
std::atomic<bool> on{false};
std::mutex writing;
}  // namespace

void setVerbose(bool value) { on.store(value, std::memory_order_relaxed); }
bool verbose() { return on.load(std::memory_order_relaxed); }

void diagnose(std::string_view topic, std::string_view message) {
  if (!verbose()) return;
  std::string line = "tonalix-studio: ";
  line.append(topic).append(": ").append(message).append("\n");
  std::lock_guard lock(writing);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace tonalix::platform
