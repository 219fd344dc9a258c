#pragma once
// The descriptor stowinfo.dat: the last entry of every backup file, key=value lines that say
// who made the backup, when, and which entries belong to which item. It is a value: a backup
// serializes it into the archive, a restore parses it from the entry's bytes; it is never a
// file of its own on disk.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/ItemCatalogue.h"

namespace quill::archive {

inline constexpr const char* kDescriptorName = "stowinfo.dat";
inline constexpr const char* kComputerKey = "BackupComputer";
inline constexpr const char* kUserKey = "BackupLogonUser";
inline constexpr const char* kTimeKey = "BackupTime";
inline constexpr const char* kInformationKey = "BackupInformation";
inline constexpr const char* kItemFlagsKey = "BackupItem";
// What a descriptor may hold; a real one holds a few kilobytes, with lines far shorter and
// far fewer names. Beyond these the file is not taken as a backup.
inline constexpr std::size_t kDescriptorLineLimit = 4u << 20;
inline constexpr std::size_t kNamesPerItem = 100000;

// The key of the line that carries another key's value in UTF-8: "BackupMailUTF8".
inline constexpr const char* kUtf8KeySuffix = "UTF8";

// The lines of a descriptor as a reader finds its keys: a key's value is what follows the
// first "=" of the first line whose text before it matches the key upper-cased, untrimmed;
// lines without "=" are passed by, and reading stops at the first empty line.
class DescriptorLines {
 public:
  // bytes: the descriptor's code-page text, CR LF or LF line ends.
  explicit DescriptorLines(std::string_view bytes);
  // The value of the key's first line, or of its UTF-8 line where it has one; "" when no line
  // has it.
  std::string Value(std::string_view key) const;
  // How many lines a reader reaches carry the key.
  std::size_t Count(std::string_view key) const;

 private:
  std::string RawValue(std::string_view key) const;

  std::vector<std::string> lines_;  // UTF-8, up to the first empty line
};

struct Descriptor {
  std::string computer;
  std::string user;
  std::string time;
  std::string information;  // as typed: CR LF between its lines
  // The entry names of each item that was backed up; an item without names has no line.
  std::array<std::vector<std::string>, core::kItemCount> entries;
  std::string flags;  // BackupItem: one "0"/"1" per item, trimmed when read

  // Exactly eleven flags: anything else is not a valid backup.
  bool valid() const { return flags.size() == core::kItemCount; }
  bool Holds(std::size_t index) const { return valid() && flags[index] == '1'; }

  // The descriptor's bytes, code-page text with CR LF ends, in the writing order: computer,
  // user, time, description, one line per item with entries in item order, BackupItem. A
  // value with a character the code page lacks is followed by its UTF-8 line.
  std::string Serialize() const;
  // What a descriptor's bytes say, read by the reading rules above.
  static Descriptor Parse(std::string_view bytes);
  // Why a descriptor's bytes are beyond what a reader takes (a line longer than
  // kDescriptorLineLimit, an item with more than kNamesPerItem names); "" when they are not.
  static std::string LimitProblem(std::string_view bytes);
};

// A description on one line: every CR LF becomes "PS$QVT", and back.
std::string EncodeDescription(const std::string& text);
std::string DecodeDescription(const std::string& value);

// Entry names joined by ";", and split again (each name trimmed, empty ones dropped).
std::string JoinEntryNames(const std::vector<std::string>& names);
std::vector<std::string> SplitEntryNames(const std::string& value);

}  // namespace quill::archive
