// The command-string interface: parses a command, keeps the devices opened through it under
// their aliases and hands each command to the device it names.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/mci/MciDevice.h"
#include "platform/mci/MciErrors.h"

namespace tonalix::platform {

class MciSystem {
 public:
  MciSystem() = default;
  ~MciSystem();
  MciSystem(const MciSystem&) = delete;
  MciSystem& operator=(const MciSystem&) = delete;

  // Runs one command. The reply (status queries) is stored in `reply`.
  MCIERROR send(std::string_view command, std::string& reply);
  // Opens a device of the named type without a command string (the record-based interface):
  // the alias is made up and returned in `alias`.
  MCIERROR openRecord(std::string_view type, const std::string& element, std::string& alias);

  // Closes every open device but those that ask to be kept ("close all"): a song started while
  // recording must not end the recording. `everything` closes those too.
  void closeAll(bool everything = false);
  std::size_t openDeviceCount() const;

  // The layer used by the program's free functions below.
  static MciSystem& instance();

 private:
  MCIERROR open(const MciCommand& command);
  MCIERROR close(const MciCommand& command);
  static std::string key(std::string_view alias);

  mutable std::mutex mutex_;
  std::map<std::string, std::unique_ptr<MciDevice>> devices_;  // by lower-case alias
  unsigned nextRecordId_ = 1;
};

// Runs a command on the process's command layer. The reply, if any, is copied into
// returnString (NUL-terminated) when a buffer is given; a reply that does not fit gives
// MCIERR_PARAM_OVERFLOW. The callback window is not supported and must be 0.
MCIERROR mciSendStringA(const char* command, char* returnString, std::uint32_t returnLength,
                        std::uintptr_t callback);

}  // namespace tonalix::platform
