#include "songs/SequencerControl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace tonalix {

SequencerControl::SequencerControl(MessageBox messageBox, std::string caption,
                                   platform::MciCalls calls)
    : messageBox_(std::move(messageBox)), caption_(std::move(caption)), calls_(std::move(calls)) {}

void SequencerControl::PlayMidiFile(const std::string& path) {
  // A buffer only as long as the path: a longer short form (the call then returns the size it
  // needs) means the path is used as it is.
  std::vector<char> buffer(path.size() + 1, '\0');
  const auto length = static_cast<std::uint32_t>(path.size());
  const std::uint32_t n = calls_.shortPathName(path.c_str(), buffer.data(), length);
  const std::string shortPath = n > length ? path : std::string(buffer.data(), n);

  calls_.sendString("close all", nullptr, 0);
  const std::string open = "open \"" + shortPath + "\" type sequencer alias mymidi";
  std::uint32_t result = calls_.sendString(open.c_str(), nullptr, 0);
  if (result == 0) {
    result = calls_.sendString("play mymidi", nullptr, 0);
    if (result == 0) return;
  }
  char text[kTextBufferLength + 1] = {};
  calls_.errorString(result, text, kTextBufferLength);
  if (messageBox_) messageBox_(text, caption_);
}

std::string SequencerControl::modeWord() {
  std::string reply(kTextBufferLength, ' ');
  calls_.sendString("status mymidi mode", reply.data(), kTextBufferLength);
  return reply.substr(0, 7);
}

void SequencerControl::StopMidi() {
  if (modeWord() == "playing") {
    calls_.sendString("stop mymidi", nullptr, 0);
    return;
  }
  if (modeWord() == "stopped") calls_.sendString("close all", nullptr, 0);
}

std::string SequencerControl::ShortPath(const std::string& fileName) {
  // Only where nothing stands at all: O_EXCL refuses a dangling link instead of creating the
  // file it points to, and an existing file keeps its content.
  struct stat st {};
  if (::lstat(fileName.c_str(), &st) != 0 && errno == ENOENT) {
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) ::close(fd);
  }
  char buffer[kTextBufferLength + 1] = {};
  const std::uint32_t n = calls_.shortPathName(fileName.c_str(), buffer, kTextBufferLength);
  if (n == 0 || n > kTextBufferLength) return {};
  return std::string(buffer, n);
}

}  // namespace tonalix
