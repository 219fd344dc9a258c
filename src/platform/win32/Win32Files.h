#pragma once
// Temporary file names and file attributes through the ANSI file calls.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Files.h"

namespace quill::platform::win32 {

class Win32Files : public Files {
 public:
  std::optional<std::string> TempFileName(const std::string& folder,
                                          const std::string& prefix) override;
  std::optional<std::uint32_t> GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  std::optional<VolumeSpace> Volume(const std::string& folder) override;
};

}  // namespace quill::platform::win32
