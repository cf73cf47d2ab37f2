// The table of data items compiled into the program (songs, texts). The build generates it
// from the files the owning layer passes to tonalix_built_in_data (platform/system's
// CMakeLists.txt); the sample songs are passed by songs/. Read it through LoadResData.
#pragma once

#include <cstddef>
#include <span>

namespace tonalix::platform {

struct BuiltInDataItem {
  const char* type;
  int id;
  const unsigned char* bytes;  // stored size, zero padding included
  std::size_t size;
};

std::span<const BuiltInDataItem> BuiltInDataItems();

}  // namespace tonalix::platform
