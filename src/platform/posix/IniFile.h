#pragma once
// The text of an INI file under the Windows profile-string rules: sections and keys match
// without regard to letter case, blanks around keys and values do not count, and every line
// the program does not change is written back as it stood.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform::posix {

class IniFile {
 public:
  static IniFile Parse(std::string_view text);

  // The value of a key, blanks around it removed; nothing when the section or key is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Replaces the key's value, or adds the key at the end of its section, or adds the section
  // at the end of the file.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // The file's text, lines ended by CR LF.
  std::string Serialize() const;

 private:
  std::optional<std::size_t> FindSection(std::string_view section) const;
  std::size_t SectionEnd(std::size_t header) const;
  std::optional<std::size_t> FindKey(std::size_t header, std::string_view key) const;

  std::vector<std::string> lines_;
};

}  // namespace quill::platform::posix
