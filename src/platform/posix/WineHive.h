#pragma once
// One registry file of a Wine prefix (user.reg, system.reg) held in memory: its keys in
// Wine's order, their values, time stamps and the lines the program does not interpret.
// Load and Save speak Wine's text format exactly, so a file loaded and saved unchanged
// stays byte for byte the same.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Utf16.h"

namespace quill::platform::posix {

struct HiveValue {
  std::u16string name;  // empty for the default value ("@")
  std::uint32_t type = 0;
  std::string data;  // raw bytes as the registry stores them (UTF-16LE for strings)
};

class HiveKey {
 public:
  HiveKey(std::u16string name, HiveKey* parent, std::uint64_t modified);

  const std::u16string& name() const { return name_; }
  HiveKey* parent() const { return parent_; }
  std::uint64_t modified() const { return modified_; }
  void setModified(std::uint64_t ticks) { modified_ = ticks; }

  // Subkeys and values stay sorted as Wine sorts them: by name, letters compared without
  // regard to case, a shorter name before a longer one that starts with it.
  const std::vector<std::unique_ptr<HiveKey>>& subkeys() const { return subkeys_; }
  const std::vector<HiveValue>& values() const { return values_; }

  HiveKey* FindSubkey(std::u16string_view name) const;
  // The subkey, created with the given time stamp when it is missing.
  HiveKey* AddSubkey(std::u16string_view name, std::uint64_t modified);
  // Removes a subkey that has no subkeys of its own; false otherwise.
  bool RemoveSubkey(std::u16string_view name);

  const HiveValue* FindValue(std::u16string_view name) const;
  void SetValue(HiveValue value);
  bool RemoveValue(std::u16string_view name);

  // Lines of the key's block that are kept as they stand ("#class=...", "#link").
  std::vector<std::string>& extraLines() { return extraLines_; }
  const std::vector<std::string>& extraLines() const { return extraLines_; }

 private:
  std::u16string name_;
  HiveKey* parent_;
  std::uint64_t modified_;
  std::vector<std::unique_ptr<HiveKey>> subkeys_;
  std::vector<HiveValue> values_;
  std::vector<std::string> extraLines_;
};

class WineHive {
 public:
  // An empty hive with Wine's header for the given root ("REGISTRY\\User\\S-1-5-21-0-0-0-1000"
  // or "REGISTRY\\Machine").
  explicit WineHive(std::string_view relativeTo = "REGISTRY\\\\Machine");

  // Parses the text of a registry file. Fails with a message naming the line on text that
  // is not Wine's format.
  static std::optional<WineHive> Parse(std::string_view text, std::string* error = nullptr);
  std::string Serialize() const;

  HiveKey& root() { return *root_; }
  const HiveKey& root() const { return *root_; }

  // The key at a path of components separated by '\', or null.
  HiveKey* Find(std::u16string_view path) const;
  // Creates the key and every missing key on the way, stamped with the given time.
  HiveKey* Create(std::u16string_view path, std::uint64_t modified);

 private:
  std::vector<std::string> header_;  // every line before the first key
  std::unique_ptr<HiveKey> root_;
  std::size_t trailingBlankLines_ = 0;  // blank lines after the last key, kept as they stand
};

// Wine's case-insensitive ordering of names.
int CompareNames(std::u16string_view a, std::u16string_view b);

// The current time as Windows file-time ticks (100 ns since 1601).
std::uint64_t NowTicks();

// The UTF-8 and UTF-16 conversions the hive's callers use.
using platform::BytesToUtf16;
using platform::Utf16ToBytes;
using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

}  // namespace quill::platform::posix
