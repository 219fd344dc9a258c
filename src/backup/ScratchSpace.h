#pragma once
// The scratch files of one backup run: the inner archives, in a run folder of the backup's own
// beside the backup file, and the registry export files. They are removed when the run ends,
// whichever way it ends; a run folder an interrupted run left beside the target goes when the
// next run starts there. Nothing the run did not make is removed.

#include <memory>
#include <string>
#include <vector>

#include "platform/RunFolder.h"

namespace quill::backup {

class ScratchSpace {
 public:
  // target: the backup file; the inner archives are built beside it.
  explicit ScratchSpace(const std::string& target);
  ~ScratchSpace();
  ScratchSpace(const ScratchSpace&) = delete;
  ScratchSpace& operator=(const ScratchSpace&) = delete;

  // The folder for one item's inner archives (items may hold folders of the same name); empty
  // when none could be made.
  std::string InnerArchiveFolder(std::size_t item);
  void KeepExportFile(const std::string& path) { exportFiles_.push_back(path); }
  void RemoveAll();

 private:
  std::string parent_;
  std::unique_ptr<platform::RunFolder> run_;
  std::vector<std::string> exportFiles_;
};

}  // namespace quill::backup
