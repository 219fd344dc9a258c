#pragma once
// The descriptor stowinfo.dat: the last entry of every backup file, key=value lines that
// say who made the backup, when, and which entries belong to which item.

#include <array>
#include <string>
#include <vector>

namespace quill::archive {

inline constexpr std::size_t kItemCount = 11;

// The item keys, by item index: the processing order of every run.
inline constexpr std::array<const char*, kItemCount> kItemKeys = {"Backupmailaccountsandmessages",
                                                                  "BackupmailRules",
                                                                  "BackupldapAccounts",
                                                                  "BackupnewsRules",
                                                                  "Backupjunkmail",
                                                                  "BackupContacts",
                                                                  "Backupmaildatabase",
                                                                  "Backupsignatures",
                                                                  "BackupStationeries",
                                                                  "BackupSettings",
                                                                  "BackupCalendars"};

// The captions of the items' check boxes, by item index.
inline constexpr std::array<const char*, kItemCount> kItemCaptions = {
    "Mail Accounts & Messages/News Accounts & Messages",
    "Mail Rules",
    "LDAP Accounts",
    "Newsgroups Rules",
    "Junk Mail Settings",
    "Contacts",
    "Windows Live Mail Database",
    "Signatures",
    "Stationeries",
    "Settings",
    "Calendars"};

enum class ItemKind { Folders, Files, Registry };
ItemKind KindOfItem(std::size_t index);

inline constexpr const char* kDescriptorName = "stowinfo.dat";
inline constexpr const char* kComputerKey = "BackupComputer";
inline constexpr const char* kUserKey = "BackupLogonUser";
inline constexpr const char* kTimeKey = "BackupTime";
inline constexpr const char* kInformationKey = "BackupInformation";
inline constexpr const char* kItemFlagsKey = "BackupItem";

// Appends key=value and CR LF; an existing line of the same key stays. False when the line
// could not be written.
bool SaveINI(const std::string& key, const std::string& value, const std::string& file);
// The value after the first "=" of the first line whose text before it matches the key
// upper-cased, untrimmed; "" when none does. Reading stops at the first empty line.
std::string GetINI(const std::string& key, const std::string& file);

// A description on one line: every CR LF becomes "PS$QVT", and back.
std::string EncodeDescription(const std::string& text);
std::string DecodeDescription(const std::string& value);

// Entry names joined by ";", and split again (each name trimmed, empty ones dropped).
std::string JoinEntryNames(const std::vector<std::string>& names);
std::vector<std::string> SplitEntryNames(const std::string& value);

// Eleven "0"/"1" characters, one per item.
std::string ItemFlags(const std::array<bool, kItemCount>& succeeded);

// What a descriptor says, read by the reading rules.
struct DescriptorContents {
  std::string computer;
  std::string user;
  std::string time;
  std::string information;  // CR LF restored
  std::string flags;        // BackupItem, trimmed
  std::array<std::vector<std::string>, kItemCount> entries;

  // Exactly eleven flags: anything else is not a valid backup.
  bool valid() const { return flags.size() == kItemCount; }
  bool Holds(std::size_t index) const { return valid() && flags[index] == '1'; }
};

DescriptorContents ReadDescriptor(const std::string& file);

// In the mail accounts list, these two names are plain database files; every other name is
// an inner archive.
bool IsMessageStoreName(const std::string& name);

}  // namespace quill::archive
