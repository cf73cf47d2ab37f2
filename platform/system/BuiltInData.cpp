#include "platform/system/BuiltInData.h"

#include <cctype>

#include "platform/system/BuiltInDataTable.h"

namespace tonalix::platform {

namespace {

bool sameTypeName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

const BuiltInDataItem* findItem(int id, std::string_view type) {
  for (const BuiltInDataItem& item : BuiltInDataItems()) {
    if (item.id == id && sameTypeName(item.type, type)) return &item;
  }
  return nullptr;
}

}  // namespace

std::span<const std::uint8_t> FindResData(int id, std::string_view type) {
  const BuiltInDataItem* item = findItem(id, type);
  if (item == nullptr) return {};
  return {reinterpret_cast<const std::uint8_t*>(item->bytes), item->size};
}

ResData LoadResData(int id, std::string_view type) {
  ResData result;
  const BuiltInDataItem* item = findItem(id, type);
  if (item == nullptr) {
    result.error = kResDataNotFound;
    result.message = "Built-in data item " + std::to_string(id) + " of type \"" +
                     std::string(type) + "\" not found";
    return result;
  }
  result.bytes.assign(item->bytes, item->bytes + item->size);
  return result;
}

}  // namespace tonalix::platform
