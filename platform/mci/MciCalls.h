// The command layer's calls as its callers make them, gathered so that a caller can be handed
// another set: the layer's own in the program, a test's stand-ins elsewhere.
#pragma once

#include <cstdint>
#include <functional>

namespace tonalix::platform {

struct MciCalls {
  std::function<std::uint32_t(const char* command, char* reply, std::uint32_t replyLength)> sendString;
  std::function<void(std::uint32_t code, char* text, std::uint32_t textLength)> errorString;
  std::function<std::uint32_t(const char* path, char* buffer, std::uint32_t length)> shortPathName;

  // mciSendStringA, mciGetErrorStringA and GetShortPathNameA of this process's layer.
  static MciCalls layer();
};

}  // namespace tonalix::platform
