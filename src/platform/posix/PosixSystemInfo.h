#pragma once

#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "platform/posix/WinePrefix.h"

namespace quill::platform::posix {

// Names, folders and environment of the Windows user inside a Wine prefix, read from the
// prefix's registry as Wine itself sets them up.
class PosixSystemInfo : public SystemInfo {
 public:
  PosixSystemInfo(Registry& registry, const WinePrefix& prefix, std::string applicationFolder);

  std::string ComputerName() override;
  std::string UserName() override;
  std::string WindowsFolder() override;
  std::optional<std::string> Environment(const std::string& name) override;
  std::string ApplicationFolder() override;
  std::string ToHostPath(const std::string& windowsPath) override;
  std::string GeneralDate(const std::tm& local) override;

 private:
  std::optional<std::string> ReadText(HKey root, const std::string& key, const std::string& value);

  Registry& registry_;
  WinePrefix prefix_;
  std::string applicationFolder_;
};

}  // namespace quill::platform::posix
