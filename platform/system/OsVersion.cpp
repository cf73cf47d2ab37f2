#include "platform/system/OsVersion.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tonalix::platform {
namespace {

// os-release values are shell-style: optionally quoted, with backslash escapes inside quotes.
std::string unquote(const std::string& raw) {
  if (raw.size() < 2 || (raw.front() != '"' && raw.front() != '\'') || raw.back() != raw.front())
    return raw;
  std::string out;
  for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
    if (raw[i] == '\\' && raw.front() == '"' && i + 2 < raw.size()) ++i;
    out += raw[i];
  }
  return out;
}

std::string readFile(const char* path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::string OsReleasePrettyName(const std::string& osReleaseText) {
  std::istringstream in(osReleaseText);
  std::string line, pretty, name;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("PRETTY_NAME=", 0) == 0) pretty = unquote(line.substr(12));
    else if (line.rfind("NAME=", 0) == 0) name = unquote(line.substr(5));
  }
  return pretty.empty() ? name : pretty;
}

void ParseKernelRelease(const std::string& release, unsigned& major, unsigned& minor, unsigned& patch) {
  unsigned* parts[] = {&major, &minor, &patch};
  for (unsigned* p : parts) *p = 0;
  std::size_t at = 0;
  for (unsigned* p : parts) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (at < release.size() && release[at] >= '0' && release[at] <= '9' && digits < 9) {
      value = value * 10 + static_cast<unsigned>(release[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0) return;
    *p = value;
    if (at >= release.size() || release[at] != '.') return;
    ++at;
  }
}

LinuxSystemVersion QueryLinuxSystemVersion() {
  LinuxSystemVersion v;
  std::string text = readFile("/etc/os-release");
  if (text.empty()) text = readFile("/usr/lib/os-release");
  v.prettyName = OsReleasePrettyName(text);
  struct utsname names {};
  if (uname(&names) == 0) {
    v.kernelName = names.sysname;
    v.kernelRelease = names.release;
    ParseKernelRelease(v.kernelRelease, v.major, v.minor, v.patch);
  }
  return v;
}

}  // namespace tonalix::platform
