#pragma once

#include "platform/ProfileStrings.h"

namespace quill::platform::posix {

// INI files under the Windows profile-string rules, in the ANSI code page, saved whole
// under a temporary name and renamed into place.
class PosixProfileStrings : public ProfileStrings {
 public:
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& defaultValue, std::uint32_t bufferChars,
                        const std::string& file) override;
  bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
};

}  // namespace quill::platform::posix
