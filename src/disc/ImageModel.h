#pragma once
// The data image being compiled: a tree of folders and of files that stand for source files
// on disk. It checks names, asks before a file is replaced, and raises the image events.
// Both engines keep their image here; the libburn engine turns it into an ISO tree when a
// write starts.

#include <memory>
#include <string>
#include <vector>

#include "disc/DiscEngine.h"

namespace quill::disc {

class ImageModel : public DiscImage {
 public:
  struct Node {
    ImageItem item;
    std::vector<std::unique_ptr<Node>> children;  // sorted by name, ignoring case
  };

  explicit ImageModel(DiscEvents& events);

  bool AddFile(const std::string& sourcePath, const std::string& imagePath) override;
  bool AddFolder(const std::string& sourcePattern, const std::string& imagePath) override;
  bool RenameFile(const std::string& imagePath, const std::string& newName) override;
  bool RenameFolder(const std::string& imagePath, const std::string& newName) override;
  bool Remove(const std::string& imagePath) override;
  int FileCount() const override;
  int FolderCount() const override;
  void ListFiles(const std::string& folderImagePath) override;
  void Clear() override;

  const Node& Root() const { return root_; }
  // The sum of the files' sizes, in bytes.
  double FileBytes() const;

 private:
  Node* Find(const std::string& imagePath);
  Node* EnsureFolder(const std::string& imagePath);
  Node* AddChildFolder(Node& parent, const std::string& name);
  bool AddSourceFile(Node& parent, const std::string& name, const std::string& sourcePath);
  bool AddSourceTree(Node& parent, const std::string& name, const std::string& sourceFolder);
  bool Rename(const std::string& imagePath, const std::string& newName, bool folder);
  void Insert(Node& parent, std::unique_ptr<Node> child);

  DiscEvents& events_;
  Node root_;
};

// Image paths: "\" alone is the root; "\a\b" names b in a.
std::string ImagePathJoin(const std::string& folder, const std::string& name);
// A name an image may hold: not empty, not "." or "..", no "\" or "/" and no control
// characters.
bool IsValidImageName(const std::string& name);

}  // namespace quill::disc
