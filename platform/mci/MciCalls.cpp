#include "platform/mci/MciCalls.h"

#include "platform/mci/MciErrors.h"
#include "platform/mci/MciSystem.h"
#include "platform/mci/ShortPathName.h"

namespace tonalix::platform {

MciCalls MciCalls::layer() {
  MciCalls calls;
  calls.sendString = [](const char* command, char* reply, std::uint32_t length) {
    return mciSendStringA(command, reply, length, 0);
  };
  calls.errorString = [](std::uint32_t code, char* text, std::uint32_t length) {
    mciGetErrorStringA(code, text, length);
  };
  calls.shortPathName = [](const char* path, char* buffer, std::uint32_t length) {
    return GetShortPathNameA(path, buffer, length);
  };
  return calls;
}

}  // namespace tonalix::platform
