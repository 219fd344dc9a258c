#pragma once
// A Wine prefix on disk: where its registry files and drives are, how Windows paths map
// onto host paths, and whether its wineserver is running.

#include <filesystem>
#include <optional>
#include <string>

namespace quill::platform::posix {

// The child of folder named like name: the exact name when it exists, else the first entry
// whose name matches without regard to letter case, as Windows matches names, else the exact
// name.
std::filesystem::path ChildIgnoringCase(const std::filesystem::path& folder,
                                        const std::string& name);

class WinePrefix {
 public:
  // serverRoot is the folder under which wineserver keeps its per-user socket folders.
  explicit WinePrefix(std::filesystem::path root, std::filesystem::path serverRoot = "/tmp");

  // $WINEPREFIX, or ~/.wine when it is not set.
  static WinePrefix FromEnvironment();

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path userRegistryFile() const { return root_ / "user.reg"; }
  std::filesystem::path systemRegistryFile() const { return root_ / "system.reg"; }

  // The host folder of a drive letter: what dosdevices/<letter>: leads to, or drive_c for C:.
  std::optional<std::filesystem::path> DriveFolder(char letter) const;

  // "C:\users\anna\AppData" as a host path. Components are matched without regard to letter
  // case where the exact name does not exist, as Windows matches them. Text that is not a
  // drive path is returned with its backslashes turned into slashes.
  std::string ToHostPath(const std::string& windowsPath) const;

  // True while a wineserver holds this prefix: Wine then owns the registry files.
  bool ServerRunning() const;

  // The folder in which this prefix's wineserver keeps its socket and lock file.
  std::optional<std::filesystem::path> ServerFolder() const;

 private:
  std::filesystem::path root_;
  std::filesystem::path serverRoot_;
};

}  // namespace quill::platform::posix
