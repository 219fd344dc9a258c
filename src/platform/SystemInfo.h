#pragma once
// Computer and user names, folders and environment as Windows gives them.

#include <ctime>
#include <optional>
#include <string>

namespace quill::platform {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual std::string ComputerName() = 0;
  virtual std::string UserName() = 0;
  // The Windows folder, as Windows names it ("C:\windows").
  virtual std::string WindowsFolder() = 0;
  virtual std::optional<std::string> Environment(const std::string& name) = 0;
  // The folder that holds the executable, as a host path without a trailing separator.
  virtual std::string ApplicationFolder() = 0;
  // A Windows path ("C:\users\anna\AppData\Local") as a path of this host. On Windows it
  // is the path itself; over a Wine prefix it goes through the prefix's drive letters.
  virtual std::string ToHostPath(const std::string& windowsPath) = 0;
  // A local date and time in the system's general date format: the short date, a blank,
  // the long time ("12/7/2026 4:31:05 AM" in the United States).
  virtual std::string GeneralDate(const std::tm& local) = 0;
};

// The separator that joins folder and file names on this host.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

inline std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder + kPathSeparator + name;
}

}  // namespace quill::platform
