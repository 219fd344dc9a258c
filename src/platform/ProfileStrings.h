#pragma once
// The Windows profile-string calls for INI files.

#include <cstdint>
#include <string>

namespace quill::platform {

class ProfileStrings {
 public:
  virtual ~ProfileStrings() = default;
  // GetPrivateProfileStringA into a buffer of bufferChars characters: the result holds at
  // most bufferChars - 1 characters. A missing file, section or key yields defaultValue.
  virtual std::string GetString(const std::string& section, const std::string& key,
                                const std::string& defaultValue, std::uint32_t bufferChars,
                                const std::string& file) = 0;
  // WritePrivateProfileStringA: creates the file and the section when they are missing.
  virtual bool WriteString(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& file) = 0;
};

}  // namespace quill::platform
