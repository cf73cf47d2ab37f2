#include "platform/mci/MciErrors.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>

namespace tonalix::platform {

namespace {

const char* textFor(MCIERROR code) {
  switch (code) {
    case MCIERR_NOERROR: return "The command completed successfully.";
    case MCIERR_INVALID_DEVICE_ID: return "The device identifier is not valid. Open the device first.";
    case MCIERR_UNRECOGNIZED_KEYWORD: return "The command holds a word this device does not understand.";
    case MCIERR_UNRECOGNIZED_COMMAND: return "The command is not known. Check its spelling.";
    case MCIERR_HARDWARE: return "The sound device reported a failure.";
    case MCIERR_INVALID_DEVICE_NAME:
      return "No open device goes by this name. Open it first, or check the alias.";
    case MCIERR_OUT_OF_MEMORY: return "There is not enough memory to carry out the command.";
    case MCIERR_DEVICE_OPEN: return "The device is already open under this name.";
    case MCIERR_MISSING_COMMAND_STRING: return "The command is empty.";
    case MCIERR_PARAM_OVERFLOW: return "The reply does not fit into the buffer given for it.";
    case MCIERR_MISSING_STRING_ARGUMENT: return "The command lacks a text value after a keyword.";
    case MCIERR_BAD_INTEGER: return "A number in the command is not valid.";
    case MCIERR_MISSING_PARAMETER: return "The command lacks a required parameter.";
    case MCIERR_UNSUPPORTED_FUNCTION: return "This device does not offer the requested command.";
    case MCIERR_FILE_NOT_FOUND: return "The file cannot be found. Check the path and name.";
    case MCIERR_DEVICE_NOT_READY: return "The device is not ready.";
    case MCIERR_INTERNAL: return "The multimedia layer met an internal error.";
    case MCIERR_CANNOT_USE_ALL: return "The name \"all\" cannot be used with this command.";
    case MCIERR_OUTOFRANGE: return "A value in the command is out of range.";
    case MCIERR_FILE_NOT_SAVED: return "The file could not be saved. Check the folder and the free space.";
    case MCIERR_DEVICE_TYPE_REQUIRED:
      return "The device type cannot be told from the file name. Name the type in the command.";
    case MCIERR_DUPLICATE_ALIAS: return "The alias is already in use by an open device.";
    case MCIERR_MISSING_DEVICE_NAME: return "The command names no device.";
    case MCIERR_NO_CLOSING_QUOTE: return "A quoted text in the command has no closing quote.";
    case MCIERR_DUPLICATE_FLAGS: return "A keyword appears twice in the command.";
    case MCIERR_INVALID_FILE: return "The file is damaged or not in a format this device can play.";
    case MCIERR_NEW_REQUIRES_ALIAS: return "Opening a new element needs an alias.";
    case MCIERR_FILENAME_REQUIRED: return "The command needs a file name.";
    case MCIERR_EXTRA_CHARACTERS: return "The command has extra characters at its end.";
    case MCIERR_WAVE_INPUTUNAVAILABLE: return "There is no sound to record from.";
    case MCIERR_BAD_FILE_NAME: return "The file name holds a line break. Choose a name without one.";
    case MCIERR_SEQ_PORT_INUSE: return "The MIDI output is in use by another program. Close it and try again.";
    case MCIERR_SEQ_PORT_MISCERROR: return "The MIDI output reported an error.";
    case MCIERR_SEQ_NOMIDIPRESENT: return "No MIDI output is available for the sequencer.";
    default: return nullptr;
  }
}

struct Details {
  std::mutex mutex;
  std::map<MCIERROR, std::string> byCode;
};

Details& details() {
  static Details* d = new Details;  // used until the very end of the process
  return *d;
}

}  // namespace

void mciSetErrorDetail(MCIERROR code, const std::string& detail) {
  Details& d = details();
  std::lock_guard lock(d.mutex);
  if (detail.empty())
    d.byCode.erase(code);
  else
    d.byCode[code] = detail;
}

void mciClearErrorDetails() {
  Details& d = details();
  std::lock_guard lock(d.mutex);
  d.byCode.clear();
}

bool mciGetErrorStringA(MCIERROR code, char* buffer, std::uint32_t size) {
  if (!buffer || size == 0) return false;
  const char* text = textFor(code);
  std::string s = text ? text : "Unknown multimedia error code.";
  if (text) {
    Details& d = details();
    std::lock_guard lock(d.mutex);
    if (auto it = d.byCode.find(code); it != d.byCode.end()) s += " " + it->second;
  }
  const std::size_t n = std::min<std::size_t>(s.size(), size - 1);
  std::memcpy(buffer, s.data(), n);
  buffer[n] = '\0';
  return text != nullptr;
}

}  // namespace tonalix::platform
