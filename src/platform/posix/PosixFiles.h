#pragma once

#include "platform/Files.h"

namespace quill::platform::posix {

class PosixFiles : public Files {
 public:
  std::optional<std::string> TempFileName(const std::string& folder,
                                          const std::string& prefix) override;
  std::optional<std::uint32_t> GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, std::uint32_t attributes) override;
  std::optional<VolumeSpace> Volume(const std::string& folder) override;
};

}  // namespace quill::platform::posix
