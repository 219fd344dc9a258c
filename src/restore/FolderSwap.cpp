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

bool ReplaceFolder(const fs::path& staged, const fs::path& target, std::string& error,
                   core::SwapJournal* journal, SwapMode mode, fs::path* old) {
  std::error_code code;
  if (old != nullptr) old->clear();
  if (!fs::exists(fs::symlink_status(target, code))) {
    fs::rename(staged, target, code);
    if (code) error = "cannot put " + platform::PathText(target) + " in place: " + code.message();
    return !code;
  }
  if (mode == SwapMode::TwoRenames || !Exchange(staged, target)) {
    // Without an atomic exchange: the old folder steps aside, the new one steps in, and the
    // old one comes back if that fails. The journal says where the old one is meanwhile, so
    // that a run stopped between the two renames is undone at the next start.
    const fs::path aside = staged.parent_path() / (platform::PathText(staged.filename()) + ".old");
    fs::remove_all(aside, code);
    if (journal != nullptr && !journal->Begin(target, aside)) {
      error = "cannot record the swap of " + platform::PathText(target);
      return false;
    }
    fs::rename(target, aside, code);
    if (code) {
      error = "cannot move " + platform::PathText(target) + ": " + code.message();
      if (journal != nullptr) journal->End();
      return false;
    }
    fs::rename(staged, target, code);
    if (code) {
      error = "cannot put " + platform::PathText(target) + " in place: " + code.message();
      std::error_code back;
      fs::rename(aside, target, back);
      if (journal != nullptr) journal->End();
      return false;
    }
    if (journal != nullptr) journal->End();
    if (old != nullptr)
      *old = aside;
    else
      fs::remove_all(aside, code);
    return true;
  }
  // The old folder, now at the staged place.
  if (old != nullptr)
    *old = staged;
  else
    fs::remove_all(staged, code);
  return true;
}

namespace {

// Puts the target's own files, those the staged folder does not hold, into the staged folder:
// linked where the disk allows, else copied. A name the staged folder holds stays its own.
bool TakeOwnFiles(const fs::path& target, const fs::path& staged, std::string& error) {
  std::error_code code;
  for (fs::recursive_directory_iterator it(target, code), end; !code && it != end;
       it.increment(code)) {
    const fs::path place = staged / it->path().lexically_relative(target);
    const fs::file_status status = it->symlink_status(code);
    if (code) break;
    const bool taken = fs::exists(fs::symlink_status(place, code));
    if (fs::is_directory(status)) {
      if (!taken)
        fs::create_directory(place, code);
      else if (!fs::is_directory(fs::symlink_status(place, code)))
        it.disable_recursion_pending();  // the backup's file of that name wins
    } else if (!taken) {
      fs::create_hard_link(it->path(), place, code);
      if (code) fs::copy(it->path(), place, fs::copy_options::copy_symlinks, code);
    }
    if (code) {
      error = "cannot keep " + platform::PathText(it->path()) + ": " + code.message();
      return false;
    }
  }
  if (code) error = "cannot read " + platform::PathText(target) + ": " + code.message();
  return !code;
}

}  // namespace

bool MergeFolder(const fs::path& staged, const fs::path& target, std::string& error,
                 core::SwapJournal* journal, SwapMode mode, fs::path* old) {
  // The merged folder is made beside the target and then replaces it in one step, so that
  // the target is at every moment wholly the old or wholly the merged folder.
  std::error_code code;
  const fs::file_status status = fs::symlink_status(target, code);
  // A link is not followed out of the profile to take files from where it points.
  if (fs::is_symlink(status)) {
    error = "refused to merge into the link " + platform::PathText(target);
    return false;
  }
  if (fs::exists(status) && !TakeOwnFiles(target, staged, error)) return false;
  return ReplaceFolder(staged, target, error, journal, mode, old);
}

}  // namespace quill::restore
