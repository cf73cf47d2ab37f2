// What every device type of the command layer implements (one class per type: sequencer,
// wave audio). The command layer owns open devices under their alias and forwards to them.
#pragma once

#include <string>

#include "platform/mci/MciCommand.h"
#include "platform/mci/MciErrors.h"

namespace tonalix::platform {

struct MciOpenRequest {
  std::string element;     // file the device works on; empty with newElement or none given
  bool newElement = false; // "open new ...": a fresh, empty element (recording)
  std::string alias;
};

class MciDevice {
 public:
  virtual ~MciDevice() = default;
  // Opens the element; the device is only registered when this returns 0.
  virtual MCIERROR open(const MciOpenRequest& request) = 0;
  // Every verb but "open" and "close". The reply is returned as text; the layer copies it out.
  virtual MCIERROR execute(const MciCommand& command, std::string& reply) = 0;
  // True when "close all" must leave this device open (a recording in progress).
  virtual bool keepOnCloseAll() const { return false; }
  // Stops whatever runs and releases everything; the device is destroyed afterwards.
  virtual void close() = 0;
};

}  // namespace tonalix::platform
