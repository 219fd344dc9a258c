#include "restore/FolderSwap.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#ifdef __linux__
#include <fcntl.h>
#endif

#include "platform/Files.h"

namespace quill::restore {
namespace fs = std::filesystem;

namespace {

// Swaps two folders in one step where the system can.
bool Exchange(const fs::path& a, const fs::path& b) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
  return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
#else
  (void)a;
  (void)b;
  return false;
#endif
}

}  // namespace

bool IsBareName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\:") == std::string::npos;
}

bool ReplaceFolder(const fs::path& staged, const fs::path& target, std::string& error) {
  std::error_code code;
  if (!fs::exists(fs::symlink_status(target, code))) {
    fs::rename(staged, target, code);
    if (code) error = "cannot put " + platform::PathText(target) + " in place: " + code.message();
    return !code;
  }
  if (!Exchange(staged, target)) {
    // Without an atomic exchange: the old folder steps aside, the new one steps in, and the
    // old one comes back if that fails.
    const fs::path aside = staged.parent_path() / (platform::PathText(staged.filename()) + ".old");
    fs::remove_all(aside, code);
    fs::rename(target, aside, code);
    if (code) {
      error = "cannot move " + platform::PathText(target) + ": " + code.message();
      return false;
    }
    fs::rename(staged, target, code);
    if (code) {
      error = "cannot put " + platform::PathText(target) + " in place: " + code.message();
      std::error_code back;
      fs::rename(aside, target, back);
      return false;
    }
    fs::remove_all(aside, code);
    return true;
  }
  fs::remove_all(staged, code);  // the old folder, now at the staged place
  return true;
}

bool MergeFolder(const fs::path& staged, const fs::path& target, std::string& error) {
  std::error_code code;
  fs::create_directories(target, code);
  if (code) {
    error = "cannot create " + platform::PathText(target) + ": " + code.message();
    return false;
  }
  // The list is taken first: files leave the folders while they are moved.
  std::vector<std::pair<fs::path, bool>> items;
  for (fs::recursive_directory_iterator it(staged, code), end; !code && it != end;
       it.increment(code))
    items.emplace_back(it->path(), it->is_directory(code));
  if (code) {
    error = "cannot read " + platform::PathText(staged) + ": " + code.message();
    return false;
  }
  for (const auto& [path, folder] : items) {
    const fs::path place = target / path.lexically_relative(staged);
    if (folder)
      fs::create_directories(place, code);
    else
      fs::rename(path, place, code);
    if (code) {
      error = "cannot write " + platform::PathText(place) + ": " + code.message();
      return false;
    }
  }
  return true;
}

}  // namespace quill::restore
