#include "disc/ImageViewLogic.h"

#include "core/AppTitle.h"
#include "disc/DiscFormats.h"
#include "disc/ImageModel.h"
#include "disc/VolumeTypes.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"

namespace quill::disc {

using platform::MessageButtons;
using platform::MessageIcon;

namespace {

// The name of a dropped path: what follows its last separator.
std::string DroppedName(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/'))
    trimmed.pop_back();
  const std::size_t cut = trimmed.find_last_of("\\/");
  return cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
}

}  // namespace

ImageViewLogic::ImageViewLogic(ImageView& view, DiscEngine& engine, platform::Prompter& prompter)
    : view_(view), engine_(engine), prompter_(prompter) {
  engine_.AddListener(*this);
}

ImageViewLogic::~ImageViewLogic() {
  engine_.RemoveListener(*this);
}

void ImageViewLogic::Inform(const std::string& text) {
  prompter_.Message(text, MessageIcon::Information, MessageButtons::Ok, core::kAppTitle);
}

void ImageViewLogic::ResetImageView() {
  view_.ClearList();
  view_.ClearTree();
  view_.AddTreeNode("", "\\", kNewDiscName, "CD");
  view_.SetVolumeIdentifier(kNewDiscName);
  VolumeOptions volume = engine_.Volume();
  volume.identifier = kNewDiscName;
  engine_.SetVolume(volume);
  ShowImageTotals();
}

void ImageViewLogic::ShowImageTotals() {
  view_.SetStatusPanel(1, "Data Image Size: " + FormatMegabytes(engine_.ImageSize()));
  view_.SetStatusPanel(2, "Files: " + std::to_string(engine_.Image().FileCount()));
  view_.SetStatusPanel(3, "Folders: " + std::to_string(engine_.Image().FolderCount()));
}

void ImageViewLogic::ShowFolderFiles(const std::string& path) {
  view_.SetBusyCursor(true);
  view_.ClearList();
  engine_.Image().ListFiles(path);
  view_.SetBusyCursor(false);
}

void ImageViewLogic::RefreshImageView() {
  const auto selected = view_.SelectedTreeKey();
  const std::string folder = selected.value_or("\\");
  ShowFolderFiles(folder);
  view_.ExpandTreeNode(folder);
  ShowImageTotals();
}

void ImageViewLogic::DropFiles(const std::vector<std::string>& paths) {
  view_.SetBusyCursor(true);
  const auto selected = view_.SelectedTreeKey();
  // The selected folder takes the drop; the root is written as "" so joins give "\name".
  const std::string target = (!selected || *selected == "\\") ? "" : *selected;
  for (const auto& path : paths) {
    const std::string name = DroppedName(path);
    std::error_code error;
    if (std::filesystem::is_directory(platform::HostPath(path), error))
      engine_.Image().AddFolder(platform::JoinPath(path, "*.*"), target + "\\" + name);
    else
      engine_.Image().AddFile(path, target + "\\" + name);
  }
  RefreshImageView();
  view_.SetBusyCursor(false);
}

void ImageViewLogic::TreeNodeClicked(const std::string& key) {
  ShowFolderFiles(key);
}

void ImageViewLogic::TreeRightClicked() {
  view_.PopupFileMenu(
      {FileMenuEntry::ClearAll, FileMenuEntry::RemoveFolder, FileMenuEntry::RenameFolder});
}

void ImageViewLogic::ListRightClicked() {
  view_.PopupFileMenu(
      {FileMenuEntry::ClearAll, FileMenuEntry::RemoveFile, FileMenuEntry::RenameFile});
}

void ImageViewLogic::ClearImage() {
  engine_.Image().Clear();
}

void ImageViewLogic::RemoveFolder() {
  const auto key = view_.SelectedTreeKey();
  if (!key) return Inform("No Item Selected.");
  if (!engine_.Image().Remove(*key)) Inform("Item could not be removed.");
  RefreshImageView();
}

void ImageViewLogic::RemoveFile() {
  const auto key = view_.SelectedListKey();
  if (!key) return Inform("No Item Selected.");
  if (!engine_.Image().Remove(*key)) Inform("Item could not be removed.");
  RefreshImageView();
}

void ImageViewLogic::StartFolderRename() {
  const auto key = view_.SelectedTreeKey();
  if (!key) return Inform("No Item Selected.");
  view_.EditTreeNode(*key);
}

void ImageViewLogic::StartFileRename() {
  const auto key = view_.SelectedListKey();
  if (!key) return Inform("No Item Selected.");
  view_.EditListRow(*key);
}

bool ImageViewLogic::MayRenameFolder(const std::string& key) {
  if (key != "\\") return true;
  Inform("Root directory can not be renamed.");
  return false;
}

void ImageViewLogic::FinishFolderRename(const std::string& key, const std::string& newText) {
  if (!engine_.Image().RenameFolder(key, newText)) Inform("Folder could not be renamed.");
  RefreshImageView();
}

void ImageViewLogic::FinishFileRename(const std::string& key, const std::string& newText) {
  if (!engine_.Image().RenameFile(key, newText)) Inform("File could not be renamed.");
  RefreshImageView();
}

void ImageViewLogic::VolumeIdentifierChanged() {
  view_.SetTreeNodeText("\\", view_.VolumeIdentifier());
}

void ImageViewLogic::FillVolumeTypes() {
  std::vector<std::string> items;
  for (const auto& choice : kVolumeTypes) items.emplace_back(choice.text);
  view_.SetVolumeTypes(items, kDefaultVolumeType);
  VolumeOptions volume = engine_.Volume();
  volume.type = kVolumeTypes[kDefaultVolumeType].code;
  engine_.SetVolume(volume);
  VolumeTypeChosen();
}

void ImageViewLogic::VolumeTypeChosen() {
  view_.SetVolumeTypeNote(engine_.WritesUdf() ? ""
                                              : VolumeTypeByCode(SelectedVolumeTypeCode()).note);
}

int ImageViewLogic::SelectedVolumeTypeCode() const {
  const int index = view_.SelectedVolumeType();
  if (index < 0 || index >= static_cast<int>(kVolumeTypes.size()))
    return kVolumeTypes[kDefaultVolumeType].code;
  return kVolumeTypes[static_cast<std::size_t>(index)].code;
}

void ImageViewLogic::ItemAdded(const ImageItem& item) {
  if (item.IsFolder) {
    view_.AddTreeNode(item.Parent.empty() ? "\\" : item.Parent, item.ImagePath, item.Name,
                      "CLOSEDFOLDER");
    view_.SetStatusPanel(1, "Adding...." + item.ImagePath);
  }
  view_.Yield();
}

void ImageViewLogic::ItemRemoved(const ImageItem& item) {
  if (item.IsFolder) view_.RemoveTreeNode(item.ImagePath);
}

void ImageViewLogic::ItemRenamed(const ImageItem& item) {
  if (!item.IsFolder) return;
  view_.RekeyTreeNode(item.PreviousPath, item.ImagePath);
  view_.SetTreeNodeText(item.ImagePath, item.Name);
}

void ImageViewLogic::ItemListed(const ImageItem& item) {
  if (item.IsFolder) return;
  view_.AddListRow(item.ImagePath, item.Name, FormatKilobytes(item.Size),
                   FormatFileDate(item.Date));
}

void ImageViewLogic::ImageCleared() {
  ResetImageView();
}

void ImageViewLogic::ReplaceFile(const ImageItem& existing, const std::string& newSource,
                                 bool& replace) {
  const auto answer =
      prompter_.Message("A file already exists in the image: \r\n" + existing.ImagePath +
                            "\r\nWould you like to replace it with: \r\n" + newSource + " ?",
                        MessageIcon::Question, MessageButtons::OkCancel, "Replace file...");
  replace = answer == platform::MessageAnswer::Ok;
}

}  // namespace quill::disc
