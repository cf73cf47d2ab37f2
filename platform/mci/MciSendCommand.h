// The record-based form of the command interface: open, play and close with parameter records
// instead of command strings. Devices opened this way get a numeric id.
#pragma once

#include <cstdint>

#include "platform/mci/MciErrors.h"

namespace tonalix::platform {

using MCIDEVICEID = std::uint32_t;

constexpr std::uint32_t MCI_OPEN = 0x0803;
constexpr std::uint32_t MCI_CLOSE = 0x0804;
constexpr std::uint32_t MCI_PLAY = 0x0806;

constexpr std::uint32_t MCI_WAIT = 0x00000002;
constexpr std::uint32_t MCI_FROM = 0x00000004;
constexpr std::uint32_t MCI_TO = 0x00000008;
constexpr std::uint32_t MCI_OPEN_TYPE = 0x00002000;
constexpr std::uint32_t MCI_OPEN_ELEMENT = 0x00000200;
constexpr std::uint32_t MCI_OPEN_ALIAS = 0x00000400;

struct MCI_OPEN_PARMSA {
  std::uintptr_t dwCallback = 0;
  MCIDEVICEID wDeviceID = 0;  // filled in by MCI_OPEN
  const char* lpstrDeviceType = nullptr;
  const char* lpstrElementName = nullptr;
  const char* lpstrAlias = nullptr;
};

struct MCI_PLAY_PARMS {
  std::uintptr_t dwCallback = 0;
  std::uint32_t dwFrom = 0;
  std::uint32_t dwTo = 0;
};

struct MCI_GENERIC_PARMS {
  std::uintptr_t dwCallback = 0;
};

// `params` points to the record the message takes (MCI_OPEN_PARMSA for MCI_OPEN, and so on).
// MCI_PLAY with MCI_WAIT returns when the element has played to its end; other threads may go
// on using the command interface meanwhile. From/to positions are not supported.
MCIERROR mciSendCommandA(MCIDEVICEID device, std::uint32_t message, std::uint32_t flags, void* params);

}  // namespace tonalix::platform
