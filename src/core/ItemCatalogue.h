#pragma once
// The eleven kinds of data a backup holds, and everything the program knows about each, in
// one table. The backup and restore engines dispatch on an item's kind; the pages, the
// unattended run and quillstow-cli read its texts from here. An item's number is its place in
// this table: the position of its box on the pages, of its flag in the descriptor's
// BackupItem and in the unattended item mask, and the order in which every run takes it.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace quill::core {

inline constexpr std::size_t kItemCount = 11;

enum class Item : std::size_t {
  MailAccounts,
  MailRules,
  LdapAccounts,
  NewsRules,
  JunkMail,
  Contacts,
  MailDatabase,
  Signatures,
  Stationeries,
  Settings,
  Calendars,
};

constexpr std::size_t IndexOf(Item item) {
  return static_cast<std::size_t>(item);
}

// How an item's data is kept in a backup.
enum class ItemKind {
  Folders,   // each subfolder of a profile folder as an inner archive
  Files,     // the matching files of a profile folder, as they are
  Registry,  // one key below the mail client's key, exported as registry text
};

// The profile folders items take their data from.
enum class ProfileFolder { None, MailData, Contacts, Stationery, Calendars };

// When the backup page offers an item's box once the profile is known.
enum class BoxRule {
  Offered,            // enabled and cleared
  WhenKeyHasSubkeys,  // enabled only when the item's key has subkeys
  WhenFilesMatch,     // enabled only when a file's name ends in the item's suffix (exact case)
  LeftAsItIs,         // not touched: it starts enabled and cleared
};

// The key below which the mail client keeps its settings for the user.
inline constexpr const char* kMailClientKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";

struct ItemInfo {
  Item item;
  const char* key;      // the descriptor's item key
  const char* caption;  // the item's box on the pages
  ItemKind kind;
  ProfileFolder folder;      // Folders and Files: where the data lives
  const char* registryPath;  // Registry: the key below kMailClientKey ("\Rules\Mail")
  const char* nameSuffix;    // Files: the end of the names taken, any letter case; "" takes all
  // Folders: subfolders never taken (exact names), and names in the item's entry list that
  // are plain files rather than inner archives.
  std::span<const char* const> excludedFolders;
  std::span<const char* const> plainFiles;
  // Folders: a file of the folder that goes with the item, unless the companion's owner is
  // chosen too (then the owner takes it).
  const char* companionFile;
  Item companionOwner;
  bool mergeOnRestore;         // the restored folders join the user's instead of replacing them
  bool createFolderOnRestore;  // the profile folder is made when missing
  BoxRule box;
  const char* backupStatus;            // the status line while the item is backed up
  const char* backupName;              // its line in the backup summary and log
  const char* restoreStatus;           // the status line while it is restored
  const char* restoreName;             // its line in the restore summary and log
  int backupProgress;                  // what the backup progress bar gains after the item
  std::array<int, 2> restoreProgress;  // and the restore progress bar, in one or two steps
};

namespace catalogue {
inline constexpr const char* kMailExcluded[] = {"Backup", "Your Feeds", "Calendars", "Sentinel"};
inline constexpr const char* kMessageStores[] = {"Mail.MSMessageStore",
                                                 "WindowsMail.MSMessageStore"};
inline constexpr std::span<const char* const> kNone{};
}  // namespace catalogue

// "Storage Folders" holds the local folders (POP3 mail, drafts, outbox, folders the user made):
// it goes with the accounts, or a restore would lose those messages.
inline constexpr std::array<ItemInfo, kItemCount> kItems = {{
    {Item::MailAccounts,
     "Backupmailaccountsandmessages",
     "Mail Accounts & Messages/News Accounts & Messages",
     ItemKind::Folders,
     ProfileFolder::MailData,
     "",
     "",
     catalogue::kMailExcluded,
     catalogue::kMessageStores,
     "WindowsMail.MSMessageStore",
     Item::MailDatabase,
     false,
     false,
     BoxRule::Offered,
     "Copying Email Mail Accounts & Messages/News Accounts & Messages...",
     "Backup Mail Accounts & Messages/News Accounts & Messages",
     "Copying Mail Accounts & Messages/News Accounts & Messages...",
     "Restore Mail Accounts & Messages/News Accounts & Messages",
     20,
     {15, 0}},
    {Item::MailRules,
     "BackupmailRules",
     "Mail Rules",
     ItemKind::Registry,
     ProfileFolder::None,
     "\\Rules\\Mail",
     "",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::MailRules,
     false,
     false,
     BoxRule::WhenKeyHasSubkeys,
     "Copying Mail Rules...",
     "Backup Mail Rules",
     "Copying Mail Rules...",
     "Restore Mail Rules",
     10,
     {10, 4}},
    {Item::LdapAccounts,
     "BackupldapAccounts",
     "LDAP Accounts",
     ItemKind::Files,
     ProfileFolder::MailData,
     "",
     "oeaccount",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::LdapAccounts,
     false,
     false,
     BoxRule::WhenFilesMatch,
     "Copying LDAP Accounts...",
     "Backup LDAP Accounts",
     "Copying Ldap Accounts...",
     "Restore Ldap Accounts",
     5,
     {10, 0}},
    {Item::NewsRules,
     "BackupnewsRules",
     "Newsgroups Rules",
     ItemKind::Registry,
     ProfileFolder::None,
     "\\Rules\\News",
     "",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::NewsRules,
     false,
     false,
     BoxRule::WhenKeyHasSubkeys,
     "Copying News Rules...",
     "Backup News Rules",
     "Copying News Rules...",
     "Restore News Rules",
     5,
     {5, 0}},
    {Item::JunkMail,
     "Backupjunkmail",
     "Junk Mail Settings",
     ItemKind::Registry,
     ProfileFolder::None,
     "\\PerPassportSettings",
     "",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::JunkMail,
     false,
     false,
     BoxRule::Offered,
     "Copying Junk Mail Settings...",
     "Backup Junk Mail Settings",
     "Copying Junk Mail Settings...",
     "Restore Junk Mail Settings",
     4,
     {5, 0}},
    {Item::Contacts,
     "BackupContacts",
     "Contacts",
     ItemKind::Folders,
     ProfileFolder::Contacts,
     "",
     "",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::Contacts,
     true,
     false,
     BoxRule::Offered,
     "Copying Contacts...",
     "Backup Contacts",
     "Copying Contacts...",
     "Restore Contacts",
     4,
     {5, 0}},
    {Item::MailDatabase,
     "Backupmaildatabase",
     "Windows Live Mail Database",
     ItemKind::Files,
     ProfileFolder::MailData,
     "",
     "msmessagestore",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::MailDatabase,
     false,
     false,
     BoxRule::Offered,
     "Copying Windows Live Mail Database...",
     "Backup Windows Live Mail Database",
     "Copying Windows Live Mail Database...",
     "Restore Windows Live Mail Database",
     7,
     {5, 0}},
    {Item::Signatures,
     "Backupsignatures",
     "Signatures",
     ItemKind::Registry,
     ProfileFolder::None,
     "\\signatures",
     "",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::Signatures,
     false,
     false,
     BoxRule::WhenKeyHasSubkeys,
     "Copying Signatures...",
     "Backup Signatures",
     "Copying Signatures...",
     "Restore Signatures",
     8,
     {5, 0}},
    {Item::Stationeries,
     "BackupStationeries",
     "Stationeries",
     ItemKind::Files,
     ProfileFolder::Stationery,
     "",
     "",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::Stationeries,
     false,
     true,
     BoxRule::Offered,
     "Copying Stationeries...",
     "Backup Stationeries",
     "Copying Stationeries...",
     "Restore Stationeries",
     4,
     {5, 0}},
    {Item::Settings,
     "BackupSettings",
     "Settings",
     ItemKind::Registry,
     ProfileFolder::None,
     "\\Advanced Settings",
     "",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::Settings,
     false,
     false,
     BoxRule::Offered,
     "Copying Settings...",
     "Backup Settings",
     "Copying Settings...",
     "Restore Settings",
     4,
     {5, 0}},
    {Item::Calendars,
     "BackupCalendars",
     "Calendars",
     ItemKind::Folders,
     ProfileFolder::Calendars,
     "",
     "",
     catalogue::kNone,
     catalogue::kNone,
     "",
     Item::Calendars,
     false,
     false,
     BoxRule::LeftAsItIs,
     "Copying Calendars...",
     "Backup Calendars",
     "Copying Calendars...",
     "Restore Calendars",
     0,
     {0, 0}},
}};

inline const ItemInfo& InfoOf(Item item) {
  return kItems[IndexOf(item)];
}

// The registry key an item of the registry kind keeps.
inline std::string ItemKeyPath(const ItemInfo& info) {
  return std::string(kMailClientKey) + info.registryPath;
}

// True when name, in the entry list of a folder item, is one of its plain files (the message
// store of the mail accounts) rather than an inner archive.
inline bool IsPlainFile(const ItemInfo& info, std::string_view name) {
  for (const char* plain : info.plainFiles)
    if (name == plain) return true;
  return false;
}

// A choice of items, one flag per item number.
using ItemSet = std::array<bool, kItemCount>;

// Eleven "0"/"1" characters, one per item, as BackupItem and the item mask write them; and
// back: an item is chosen where its position holds "1" (a shorter text chooses nothing beyond
// its end; callers that need exactly eleven check the length themselves).
std::string ItemMask(const ItemSet& items);
ItemSet ItemsOfMask(const std::string& mask);

}  // namespace quill::core
