#pragma once
// INI files through GetPrivateProfileStringA and WritePrivateProfileStringA.

#include <cstdint>
#include <string>

#include "platform/ProfileStrings.h"

namespace quill::platform::win32 {

class Win32ProfileStrings : public ProfileStrings {
 public:
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& defaultValue, std::uint32_t bufferChars,
                        const std::string& file) override;
  bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
};

}  // namespace quill::platform::win32
