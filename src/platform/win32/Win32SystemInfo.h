#pragma once
// Computer, user, Windows folder and environment as the ANSI calls give them.

#include <optional>
#include <string>

#include "platform/SystemInfo.h"

namespace quill::platform::win32 {

class Win32SystemInfo : public SystemInfo {
 public:
  // applicationFolder: the folder of the running executable. Trailing separators are
  // dropped, so that a program in a drive's root folder joins "C:" + "\" + name.
  explicit Win32SystemInfo(std::string applicationFolder);

  std::string ComputerName() override;
  std::string UserName() override;
  std::string WindowsFolder() override;
  std::optional<std::string> Environment(const std::string& name) override;
  std::string ApplicationFolder() override;
  std::string ToHostPath(const std::string& windowsPath) override;
  std::string GeneralDate(const std::tm& local) override;

 private:
  std::string applicationFolder_;
};

}  // namespace quill::platform::win32
