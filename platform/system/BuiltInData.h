// Built-in data items: byte arrays carried inside the program and looked up by type name and
// numeric id, so that the program needs no data files beside it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonalix::platform {

// Error code of a lookup that finds no item of that type and id.
constexpr int kResDataNotFound = 326;

struct ResData {
  std::vector<std::uint8_t> bytes;
  int error = 0;           // 0, or kResDataNotFound
  std::string message;     // readable text for error; empty on success
  bool ok() const { return error == 0; }
};

// A copy of item id of the given type (type names compare without regard to case).
ResData LoadResData(int id, std::string_view type);

// The item's stored bytes without copying; an empty span when there is no such item.
std::span<const std::uint8_t> FindResData(int id, std::string_view type);

}  // namespace tonalix::platform
