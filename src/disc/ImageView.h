#pragma once
// The parts of the disc window that show the image: the folder tree, the file list of the
// selected folder, the status panels and the volume boxes. The Qt window implements it;
// tests record it.

#include <optional>
#include <string>
#include <vector>

namespace quill::disc {

// The entries of the File menu, in their order.
enum class FileMenuEntry {
  ClearAll,
  Separator1,
  RemoveFolder,
  RenameFolder,
  RemoveFile,
  RenameFile,
  Separator4,
  Exit
};

class ImageView {
 public:
  virtual ~ImageView() = default;

  virtual void ClearTree() = 0;
  // parentKey is empty for the root node. icon is a key of the image list ("CD",
  // "CLOSEDFOLDER", "OPENFOLDER", "FILE").
  virtual void AddTreeNode(const std::string& parentKey, const std::string& key,
                           const std::string& text, const std::string& icon) = 0;
  virtual void RemoveTreeNode(const std::string& key) = 0;
  // Gives the node keyed oldKey, and the nodes below it, the keys that follow from newKey.
  virtual void RekeyTreeNode(const std::string& oldKey, const std::string& newKey) = 0;
  virtual void SetTreeNodeText(const std::string& key, const std::string& text) = 0;
  virtual bool HasTreeNode(const std::string& key) const = 0;
  virtual void ExpandTreeNode(const std::string& key) = 0;
  virtual std::optional<std::string> SelectedTreeKey() const = 0;
  virtual void EditTreeNode(const std::string& key) = 0;

  virtual void ClearList() = 0;
  virtual void AddListRow(const std::string& key, const std::string& name, const std::string& size,
                          const std::string& date) = 0;
  virtual std::optional<std::string> SelectedListKey() const = 0;
  virtual void EditListRow(const std::string& key) = 0;

  // Panels 1 to 3 of the status bar.
  virtual void SetStatusPanel(int panel, const std::string& text) = 0;
  virtual void SetVolumeIdentifier(const std::string& text) = 0;
  virtual std::string VolumeIdentifier() const = 0;
  // The volume types and the note that tells what a choice really writes.
  virtual void SetVolumeTypes(const std::vector<std::string>& items, int selected) = 0;
  virtual int SelectedVolumeType() const = 0;
  virtual void SetVolumeTypeNote(const std::string& text) = 0;

  // Shows the File menu as a pop-up with only the given entries; all entries are visible
  // again when it closes.
  virtual void PopupFileMenu(const std::vector<FileMenuEntry>& visible) = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  // Lets the window repaint while a long change runs.
  virtual void Yield() = 0;
};

}  // namespace quill::disc
