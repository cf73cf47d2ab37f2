// The table of device types the command layer can open, by type name and by file extension.
#pragma once

#include <memory>
#include <string_view>

#include "platform/mci/MciDevice.h"

namespace tonalix::platform {

class MciDeviceTypes {
 public:
  // A new, unopened device of the named type ("sequencer"); nullptr for an unknown type.
  static std::unique_ptr<MciDevice> create(std::string_view typeName);
  // The type that plays files with this name's extension (".mid" gives "sequencer"); empty
  // when unknown.
  static std::string_view typeForFile(std::string_view path);
  static bool isTypeName(std::string_view name);
};

}  // namespace tonalix::platform
