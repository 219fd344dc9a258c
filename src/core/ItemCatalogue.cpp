#include "core/ItemCatalogue.h"

namespace quill::core {

std::string ItemMask(const ItemSet& items) {
  std::string mask;
  for (std::size_t index = 0; index < kItemCount; ++index) mask += items[index] ? '1' : '0';
  return mask;
}

ItemSet ItemsOfMask(const std::string& mask) {
  ItemSet items{};
  for (std::size_t index = 0; index < kItemCount && index < mask.size(); ++index)
    items[index] = mask[index] == '1';
  return items;
}

}  // namespace quill::core
