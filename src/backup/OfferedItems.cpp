#include "backup/OfferedItems.h"

#include "backup/ItemBackup.h"

namespace quill::backup {
using core::BoxRule;

std::array<OfferedBox, core::kItemCount> OfferedItems(registry::RegistryKeys& keys,
                                                      const core::Profile& profile) {
  std::array<OfferedBox, core::kItemCount> boxes{};
  for (const core::ItemInfo& item : core::kItems) {
    OfferedBox& box = boxes[core::IndexOf(item.item)];
    box.set = item.box != BoxRule::LeftAsItIs;
    box.enabled = true;
    if (item.box == BoxRule::WhenKeyHasSubkeys) {
      box.enabled = !keys.GetSubKeys(core::ItemKeyPath(item)).empty();
    } else if (item.box == BoxRule::WhenFilesMatch) {
      // Exact letter case here, unlike the backup itself.
      const std::string suffix = item.nameSuffix;
      box.enabled = false;
      for (const std::string& name : ListFolder(profile.FolderOf(item.folder), false))
        box.enabled =
            box.enabled || (name.size() >= suffix.size() &&
                            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
    }
  }
  return boxes;
}

}  // namespace quill::backup
