#include "disc/ImageModel.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"

namespace quill::disc {
namespace fs = std::filesystem;

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool NameBefore(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Lower(x) < Lower(y); });
}

std::vector<std::string> SplitImagePath(const std::string& imagePath, bool& valid) {
  std::vector<std::string> parts;
  valid = !imagePath.empty() && imagePath.front() == '\\';
  if (!valid || imagePath == "\\") return parts;
  std::size_t start = 1;
  while (start <= imagePath.size()) {
    const std::size_t end = std::min(imagePath.find('\\', start), imagePath.size());
    parts.push_back(imagePath.substr(start, end - start));
    if (!IsValidImageName(parts.back())) valid = false;
    start = end + 1;
  }
  return parts;
}

std::int64_t FileDate(const fs::path& path) {
  std::error_code error;
  const auto written = fs::last_write_time(path, error);
  if (error) return 0;
  const auto system = std::chrono::file_clock::to_sys(written);
  return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
}

void Reparent(ImageModel::Node& node, const std::string& parentPath) {
  node.item.Parent = parentPath;
  node.item.ImagePath = ImagePathJoin(parentPath, node.item.Name);
  for (auto& child : node.children) Reparent(*child, node.item.ImagePath);
}

int Count(const ImageModel::Node& node, bool folders) {
  int count = 0;
  for (const auto& child : node.children) {
    if (child->item.IsFolder == folders) ++count;
    if (child->item.IsFolder) count += Count(*child, folders);
  }
  return count;
}

double Bytes(const ImageModel::Node& node) {
  double bytes = node.item.IsFolder ? 0 : node.item.Size;
  for (const auto& child : node.children) bytes += Bytes(*child);
  return bytes;
}

}  // namespace

std::string ImagePathJoin(const std::string& folder, const std::string& name) {
  return (folder == "\\" || folder.empty() ? "" : folder) + "\\" + name;
}

bool IsValidImageName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '\\' || c == '/' || (static_cast<unsigned char>(c) < 0x20);
  });
}

ImageModel::ImageModel(DiscEvents& events) : events_(events) {
  root_.item.IsFolder = true;
  root_.item.ImagePath.assign(1, '\\');
}

ImageModel::Node* ImageModel::Find(const std::string& imagePath) {
  bool valid = false;
  const auto parts = SplitImagePath(imagePath, valid);
  if (!valid) return nullptr;
  Node* node = &root_;
  for (const auto& part : parts) {
    const auto found =
        std::find_if(node->children.begin(), node->children.end(),
                     [&](const auto& child) { return SameName(child->item.Name, part); });
    if (found == node->children.end()) return nullptr;
    node = found->get();
  }
  return node;
}

void ImageModel::Insert(Node& parent, std::unique_ptr<Node> child) {
  const auto place = std::find_if(
      parent.children.begin(), parent.children.end(),
      [&](const auto& other) { return NameBefore(child->item.Name, other->item.Name); });
  parent.children.insert(place, std::move(child));
}

ImageModel::Node* ImageModel::AddChildFolder(Node& parent, const std::string& name) {
  for (auto& child : parent.children) {
    if (!SameName(child->item.Name, name)) continue;
    return child->item.IsFolder ? child.get() : nullptr;  // a file already holds the name
  }
  auto folder = std::make_unique<Node>();
  folder->item.IsFolder = true;
  folder->item.Name = name;
  folder->item.Parent = parent.item.ImagePath;
  folder->item.ImagePath = ImagePathJoin(parent.item.ImagePath, name);
  Node* added = folder.get();
  Insert(parent, std::move(folder));
  events_.ItemAdded(added->item);
  return added;
}

ImageModel::Node* ImageModel::EnsureFolder(const std::string& imagePath) {
  bool valid = false;
  const auto parts = SplitImagePath(imagePath, valid);
  if (!valid) return nullptr;
  Node* node = &root_;
  for (const auto& part : parts) {
    node = AddChildFolder(*node, part);
    if (node == nullptr) return nullptr;
  }
  return node;
}

bool ImageModel::AddSourceFile(Node& parent, const std::string& name,
                               const std::string& sourcePath) {
  if (!IsValidImageName(name)) return false;
  const fs::path source = platform::HostPath(sourcePath);
  std::error_code error;
  if (!fs::is_regular_file(source, error)) return false;
  const auto size = fs::file_size(source, error);
  if (error) return false;
  auto existing = std::find_if(parent.children.begin(), parent.children.end(),
                               [&](const auto& child) { return SameName(child->item.Name, name); });
  if (existing != parent.children.end()) {
    if ((*existing)->item.IsFolder) return false;
    bool replace = false;
    events_.ReplaceFile((*existing)->item, sourcePath, replace);
    if (!replace) return false;
    parent.children.erase(existing);
  }
  auto file = std::make_unique<Node>();
  file->item.Name = name;
  file->item.Parent = parent.item.ImagePath;
  file->item.ImagePath = ImagePathJoin(parent.item.ImagePath, name);
  file->item.SourcePath = sourcePath;
  file->item.Size = static_cast<double>(size);
  file->item.Date = FileDate(source);
  const ImageItem added = file->item;
  Insert(parent, std::move(file));
  events_.ItemAdded(added);
  return true;
}

bool ImageModel::AddSourceTree(Node& parent, const std::string& name,
                               const std::string& sourceFolder) {
  const fs::path source = platform::HostPath(sourceFolder);
  std::error_code error;
  if (!fs::is_directory(source, error)) return false;
  Node* folder = AddChildFolder(parent, name);
  if (folder == nullptr) return false;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(source, error), end; !error && it != end; it.increment(error))
    entries.push_back(*it);
  if (error) return false;
  std::sort(entries.begin(), entries.end());
  bool all = true;
  for (const auto& entry : entries) {
    const std::string childName = platform::PathText(entry.path().filename());
    const std::string childSource = platform::PathText(entry.path());
    std::error_code kind;
    // A link to a folder is not followed: it could lead back up the tree.
    if (entry.is_directory(kind) && !entry.is_symlink(kind))
      all = AddSourceTree(*folder, childName, childSource) && all;
    else if (entry.is_regular_file(kind))
      all = AddSourceFile(*folder, childName, childSource) && all;
  }
  return all;
}

bool ImageModel::AddFile(const std::string& sourcePath, const std::string& imagePath) {
  const std::size_t cut = imagePath.find_last_of('\\');
  if (cut == std::string::npos) return false;
  Node* parent = EnsureFolder(cut == 0 ? "\\" : imagePath.substr(0, cut));
  return parent != nullptr && AddSourceFile(*parent, imagePath.substr(cut + 1), sourcePath);
}

bool ImageModel::AddFolder(const std::string& sourcePattern, const std::string& imagePath) {
  std::string folder = sourcePattern;
  if (folder.size() >= 3 && folder.compare(folder.size() - 3, 3, "*.*") == 0)
    folder.resize(folder.size() - 3);
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  const std::size_t cut = imagePath.find_last_of('\\');
  if (cut == std::string::npos || cut + 1 == imagePath.size()) return false;
  Node* parent = EnsureFolder(cut == 0 ? "\\" : imagePath.substr(0, cut));
  return parent != nullptr && AddSourceTree(*parent, imagePath.substr(cut + 1), folder);
}

bool ImageModel::Rename(const std::string& imagePath, const std::string& newName, bool folder) {
  Node* node = Find(imagePath);
  if (node == nullptr || node == &root_ || node->item.IsFolder != folder) return false;
  if (!IsValidImageName(newName)) return false;
  Node* parent = Find(node->item.Parent.empty() ? "\\" : node->item.Parent);
  for (const auto& sibling : parent->children)
    if (sibling.get() != node && SameName(sibling->item.Name, newName)) return false;
  auto owned = std::find_if(parent->children.begin(), parent->children.end(),
                            [&](const auto& child) { return child.get() == node; });
  std::unique_ptr<Node> moved = std::move(*owned);
  parent->children.erase(owned);
  const std::string previous = moved->item.ImagePath;
  moved->item.Name = newName;
  Reparent(*moved, parent->item.ImagePath);
  moved->item.PreviousPath = previous;
  const ImageItem renamed = moved->item;
  Insert(*parent, std::move(moved));
  events_.ItemRenamed(renamed);
  return true;
}

bool ImageModel::RenameFile(const std::string& imagePath, const std::string& newName) {
  return Rename(imagePath, newName, false);
}

bool ImageModel::RenameFolder(const std::string& imagePath, const std::string& newName) {
  return Rename(imagePath, newName, true);
}

bool ImageModel::Remove(const std::string& imagePath) {
  Node* node = Find(imagePath);
  if (node == nullptr || node == &root_) return false;
  Node* parent = Find(node->item.Parent.empty() ? "\\" : node->item.Parent);
  const ImageItem removed = node->item;
  parent->children.erase(std::find_if(parent->children.begin(), parent->children.end(),
                                      [&](const auto& child) { return child.get() == node; }));
  events_.ItemRemoved(removed);
  return true;
}

int ImageModel::FileCount() const {
  return Count(root_, false);
}

int ImageModel::FolderCount() const {
  return Count(root_, true);
}

double ImageModel::FileBytes() const {
  return Bytes(root_);
}

void ImageModel::ListFiles(const std::string& folderImagePath) {
  Node* folder = Find(folderImagePath);
  if (folder == nullptr || !folder->item.IsFolder) return;
  // A copy: a listener may change the image while it is told about it.
  std::vector<ImageItem> items;
  for (const auto& child : folder->children) items.push_back(child->item);
  for (const auto& item : items) events_.ItemListed(item);
}

void ImageModel::Clear() {
  root_.children.clear();
  events_.ImageCleared();
}

}  // namespace quill::disc
