#pragma once
// A folder of the program's own for the scratch files of one run (the inner archives of a
// backup, the unpacked folders of a restore), made new below a parent under a name that marks
// it as the program's. It is locked while the run lives, so that a later run can tell a folder
// in use from one that an interrupted run left behind.

#include <filesystem>
#include <memory>
#include <string>

namespace quill::platform {

class RunFolder {
 public:
  // Makes and locks a new folder below parent, named prefix followed by a unique part. Nothing
  // when it cannot be made.
  static std::unique_ptr<RunFolder> Create(const std::filesystem::path& parent,
                                           const std::string& prefix);
  // Removes the folder with everything in it.
  ~RunFolder();
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // True when the folder is locked by a run that is still going.
  static bool InUse(const std::filesystem::path& folder);

 private:
  RunFolder(std::filesystem::path path, std::intptr_t lock);

  std::filesystem::path path_;
  std::intptr_t lock_;  // the open lock file: a descriptor, or a handle on Windows
};

// True when both paths lie on one volume, so that a rename moves between them.
bool SameVolume(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace quill::platform
