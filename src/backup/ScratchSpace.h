#pragma once
// The scratch files of one backup run: the registry export files and the inner archives.
// They are removed when the run ends, whichever way it ends.

#include <string>
#include <vector>

namespace quill::backup {

class ScratchSpace {
 public:
  // folder: where the inner archives are built; it is made on first use and removed whole.
  explicit ScratchSpace(std::string folder);
  ~ScratchSpace();
  ScratchSpace(const ScratchSpace&) = delete;
  ScratchSpace& operator=(const ScratchSpace&) = delete;

  // The folder for one item's inner archives (items may hold folders of the same name).
  std::string InnerArchiveFolder(std::size_t item);
  void KeepExportFile(const std::string& path) { exportFiles_.push_back(path); }
  const std::vector<std::string>& exportFiles() const { return exportFiles_; }
  void RemoveAll();

 private:
  std::string folder_;
  std::vector<std::string> exportFiles_;
};

}  // namespace quill::backup
