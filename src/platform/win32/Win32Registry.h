#pragma once
// The registry of the running Windows, through the ANSI entry points; values are copied
// exactly through the wide ones.

#include <cstdint>
#include <string>

#include "platform/Registry.h"

namespace quill::platform::win32 {

class Win32Registry : public Registry {
 public:
  long OpenKey(HKey parent, const std::string& subKey, std::uint32_t access, HKey& result) override;
  long CreateKey(HKey parent, const std::string& subKey, HKey& result) override;
  long CloseKey(HKey key) override;
  long EnumKey(HKey key, std::uint32_t index, std::uint32_t bufferChars,
               std::string& name) override;
  long EnumValue(HKey key, std::uint32_t index, std::string& name, StoredValue& value) override;
  long QueryValue(HKey key, const std::string& name, std::uint32_t bufferBytes, RegValue& value,
                  std::uint32_t& ansiSize) override;
  long SetValue(HKey key, const std::string& name, const RegValue& value) override;
  long SetStoredValue(HKey key, const std::string& name, const StoredValue& value) override;
  long DeleteKey(HKey parent, const std::string& subKey) override;
  long DeleteValue(HKey key, const std::string& name) override;
};

}  // namespace quill::platform::win32
