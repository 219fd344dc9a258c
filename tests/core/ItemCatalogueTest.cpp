#include "core/ItemCatalogue.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quill::core {
namespace {

// The table is read by number everywhere: a row out of place, a key twice, a kind without the
// facts it needs would send an item's data to the wrong place or lose it.
TEST(ItemCatalogue, EachRowIsWhereItsNumberSaysAndHoldsWhatItsKindNeeds) {
  std::set<std::string> keys, captions;
  int backupProgress = 0, restoreProgress = 0;
  for (std::size_t index = 0; index < kItemCount; ++index) {
    const ItemInfo& item = kItems[index];
    SCOPED_TRACE(item.key);
    EXPECT_EQ(IndexOf(item.item), index);
    EXPECT_TRUE(keys.insert(item.key).second) << "a descriptor key names one item";
    EXPECT_TRUE(captions.insert(item.caption).second);
    const bool registry = item.kind == ItemKind::Registry;
    EXPECT_EQ(registry, item.folder == ProfileFolder::None);
    EXPECT_EQ(registry, std::string(item.registryPath).rfind("\\", 0) == 0);
    if (item.kind != ItemKind::Folders) {
      EXPECT_TRUE(item.excludedFolders.empty());
      EXPECT_TRUE(item.plainFiles.empty());
      EXPECT_FALSE(item.mergeOnRestore);
    }
    if (*item.companionFile != '\0') {
      EXPECT_NE(item.companionOwner, item.item);
      // The owner takes the file as one of its own, and a restore reads it back as a file.
      const ItemInfo& owner = InfoOf(item.companionOwner);
      EXPECT_EQ(owner.kind, ItemKind::Files);
      EXPECT_TRUE(platform::EndsWithIgnoringCase(item.companionFile, owner.nameSuffix));
      EXPECT_TRUE(IsPlainFile(item, item.companionFile));
    }
    if (item.box == BoxRule::WhenKeyHasSubkeys) {
      EXPECT_TRUE(registry);
    }
    if (item.box == BoxRule::WhenFilesMatch) {
      EXPECT_EQ(item.kind, ItemKind::Files);
    }
    backupProgress += item.backupProgress;
    restoreProgress += item.restoreProgress[0] + item.restoreProgress[1];
  }
  // The bars end below their maximum, which the runs set at the end.
  EXPECT_EQ(backupProgress, 71);
  EXPECT_EQ(restoreProgress, 74);
}

TEST(ItemCatalogue, MasksGoBothWays) {
  ItemSet items{};
  items[IndexOf(Item::MailRules)] = items[IndexOf(Item::Calendars)] = true;
  EXPECT_EQ(ItemMask(items), "01000000001");
  EXPECT_EQ(ItemsOfMask("01000000001"), items);
  // A shorter mask chooses nothing beyond its end; only "1" chooses.
  EXPECT_EQ(ItemsOfMask("0100000000"), (ItemSet{false, true}));
  EXPECT_EQ(ItemsOfMask("x1"), (ItemSet{false, true}));
}

}  // namespace
}  // namespace quill::core
