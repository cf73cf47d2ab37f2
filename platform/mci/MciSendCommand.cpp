#include "platform/mci/MciSendCommand.h"

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/mci/MciSystem.h"

namespace tonalix::platform {

namespace {

struct Ids {
  std::mutex mutex;
  std::map<MCIDEVICEID, std::string> aliases;
  MCIDEVICEID next = 1;
};

Ids& ids() {
  static Ids* i = new Ids;
  return *i;
}

bool aliasOf(MCIDEVICEID device, std::string& alias) {
  Ids& i = ids();
  std::lock_guard lock(i.mutex);
  auto it = i.aliases.find(device);
  if (it == i.aliases.end()) return false;
  alias = it->second;
  return true;
}

// The device's command by its made-up alias; quoting keeps the blanks of the alias together.
MCIERROR sendTo(const std::string& alias, const std::string& verb, const std::string& rest, std::string& reply) {
  return MciSystem::instance().send(verb + " \"" + alias + "\"" + rest, reply);
}

}  // namespace

MCIERROR mciSendCommandA(MCIDEVICEID device, std::uint32_t message, std::uint32_t flags, void* params) {
  std::string reply;
  switch (message) {
    case MCI_OPEN: {
      auto* open = static_cast<MCI_OPEN_PARMSA*>(params);
      if (!open) return MCIERR_MISSING_PARAMETER;
      if (flags & MCI_OPEN_ALIAS) return MCIERR_UNSUPPORTED_FUNCTION;
      if (!(flags & MCI_OPEN_TYPE) || !open->lpstrDeviceType) return MCIERR_DEVICE_TYPE_REQUIRED;
      if (!(flags & MCI_OPEN_ELEMENT) || !open->lpstrElementName) return MCIERR_FILENAME_REQUIRED;
      std::string alias;
      if (const MCIERROR e = MciSystem::instance().openRecord(open->lpstrDeviceType, open->lpstrElementName, alias))
        return e;
      Ids& i = ids();
      std::lock_guard lock(i.mutex);
      open->wDeviceID = i.next++;
      i.aliases[open->wDeviceID] = alias;
      return MCIERR_NOERROR;
    }
    case MCI_PLAY: {
      std::string alias;
      if (!aliasOf(device, alias)) return MCIERR_INVALID_DEVICE_ID;
      if (flags & (MCI_FROM | MCI_TO)) return MCIERR_UNSUPPORTED_FUNCTION;
      if (const MCIERROR e = sendTo(alias, "play", "", reply)) return e;
      // Waiting happens here, outside the layer's lock, so other devices stay usable.
      while (flags & MCI_WAIT) {
        if (sendTo(alias, "status", " mode", reply) != MCIERR_NOERROR || reply != "playing") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      return MCIERR_NOERROR;
    }
    case MCI_CLOSE: {
      std::string alias;
      if (!aliasOf(device, alias)) return MCIERR_INVALID_DEVICE_ID;
      {
        Ids& i = ids();
        std::lock_guard lock(i.mutex);
        i.aliases.erase(device);
      }
      return sendTo(alias, "close", "", reply);
    }
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}

}  // namespace tonalix::platform
