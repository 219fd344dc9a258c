#pragma once
// The image side of the disc window: the tree and the list kept in step with the engine's
// image events, drops, renames, removals, Clear All Items, the volume identifier and type,
// and the status panels.

#include <string>
#include <vector>

#include "disc/DiscEngine.h"
#include "disc/ImageView.h"
#include "platform/Prompter.h"

namespace quill::disc {

inline constexpr const char* kNewDiscName = "New Disc";

class ImageViewLogic : public DiscEvents {
 public:
  ImageViewLogic(ImageView& view, DiscEngine& engine, platform::Prompter& prompter);
  ~ImageViewLogic() override;
  ImageViewLogic(const ImageViewLogic&) = delete;
  ImageViewLogic& operator=(const ImageViewLogic&) = delete;

  void ResetImageView();
  void ShowImageTotals();
  void ShowFolderFiles(const std::string& path);
  void RefreshImageView();
  // Paths dropped on the tree or the list, in the order given; a drop without a file list
  // does not come here.
  void DropFiles(const std::vector<std::string>& paths);
  void TreeNodeClicked(const std::string& key);
  void TreeRightClicked();
  void ListRightClicked();

  // The File menu's entries, on the selected folder node or file row.
  void ClearImage();
  void RemoveFolder();
  void StartFolderRename();
  void RemoveFile();
  void StartFileRename();
  // Label edits: the window asks before an edit starts and reports its end.
  bool MayRenameFolder(const std::string& key);
  void FinishFolderRename(const std::string& key, const std::string& newText);
  void FinishFileRename(const std::string& key, const std::string& newText);

  // txtVolIdentifier changed; cboVolumeType chosen.
  void VolumeIdentifierChanged();
  void VolumeTypeChosen();
  // Fills the volume types and writes the default to the engine.
  void FillVolumeTypes();
  int SelectedVolumeTypeCode() const;

  void ItemAdded(const ImageItem& item) override;
  void ItemRemoved(const ImageItem& item) override;
  void ItemRenamed(const ImageItem& item) override;
  void ItemListed(const ImageItem& item) override;
  void ImageCleared() override;
  void ReplaceFile(const ImageItem& existing, const std::string& newSource, bool& replace) override;

 private:
  void Inform(const std::string& text);

  ImageView& view_;
  DiscEngine& engine_;
  platform::Prompter& prompter_;
};

}  // namespace quill::disc
