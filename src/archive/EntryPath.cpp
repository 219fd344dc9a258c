#include "archive/EntryPath.h"

#include "platform/Files.h"

namespace quill::archive {
namespace fs = std::filesystem;

std::optional<std::vector<std::string>> SafeEntryComponents(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return std::nullopt;
  if (name.find(':') != std::string::npos) return std::nullopt;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") parts.push_back(part);
    start = end + 1;
  }
  if (parts.empty()) return std::nullopt;
  return parts;
}

std::optional<fs::path> PrepareEntryPath(const fs::path& root,
                                         const std::vector<std::string>& components,
                                         std::string& error) {
  fs::path path = root;
  std::error_code code;
  for (std::size_t i = 0; i < components.size(); ++i) {
    path /= platform::HostPath(components[i]);
    const fs::file_status status = fs::symlink_status(path, code);
    if (fs::is_symlink(status)) {
      error = "refused to write through the link " + platform::PathText(path);
      return std::nullopt;
    }
    if (i + 1 == components.size()) break;
    if (!fs::exists(status)) {
      if (!fs::create_directory(path, code) && code) {
        error = "cannot create " + platform::PathText(path) + ": " + code.message();
        return std::nullopt;
      }
    } else if (!fs::is_directory(status)) {
      error = platform::PathText(path) + " is a file where a folder is needed";
      return std::nullopt;
    }
  }
  return path;
}

}  // namespace quill::archive
