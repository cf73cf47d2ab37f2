// What the running Linux system says about itself: the distribution's name from os-release and
// the kernel's release from uname.
#pragma once

#include <string>

namespace tonalix::platform {

struct LinuxSystemVersion {
  std::string prettyName;     // PRETTY_NAME of os-release, else NAME, else empty
  std::string kernelName;     // uname's system name, "Linux"
  std::string kernelRelease;  // uname's release, e.g. "6.1.0-28-amd64"
  unsigned major = 0, minor = 0, patch = 0;  // leading numbers of the release
};

// The PRETTY_NAME (else NAME) of an os-release text, quotes and escapes removed.
std::string OsReleasePrettyName(const std::string& osReleaseText);

// Splits "6.1.0-28-amd64" into 6, 1 and 0; missing parts stay 0.
void ParseKernelRelease(const std::string& release, unsigned& major, unsigned& minor, unsigned& patch);

// Reads /etc/os-release (or /usr/lib/os-release) and uname.
LinuxSystemVersion QueryLinuxSystemVersion();

}  // namespace tonalix::platform
