#include "core/StagingArea.h"

#include <cstdio>
#include <fstream>
#include <set>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/Files.h"
#include "platform/RunFolder.h"

namespace quill::core {
namespace fs = std::filesystem;
using platform::HostPath;
using platform::PathText;

namespace {

constexpr const char* kJournalName = "swap.journal";

// A journal left by a run that did not finish: a target still missing gets its folder back.
void UndoCutShortSwap(const fs::path& runFolder) {
  std::ifstream in(runFolder / kJournalName, std::ios::binary);
  std::string target, aside;
  if (!std::getline(in, target) || !std::getline(in, aside)) return;
  std::error_code error;
  const fs::path targetPath = HostPath(target), asidePath = HostPath(aside);
  if (!fs::exists(fs::symlink_status(targetPath, error)) &&
      fs::exists(fs::symlink_status(asidePath, error)))
    fs::rename(asidePath, targetPath, error);
}

bool Flush(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

}  // namespace

bool IsOwnName(std::string_view name) {
  return name.substr(0, kOwnNamePrefix.size()) == kOwnNamePrefix;
}

fs::path StagingParentFor(const Profile& profile, ProfileFolder folder) {
  const fs::path root =
      HostPath(folder == ProfileFolder::Contacts ? profile.contactsFolder : profile.mailFolder);
  // A profile folder that is a volume of its own stages inside itself: its run folders' names
  // keep them out of backups there.
  const fs::path parent = root.parent_path();
  return platform::SameVolume(parent, root) ? parent : root;
}

SwapJournal::SwapJournal(fs::path runFolder) : file_(std::move(runFolder) / kJournalName) {}

bool SwapJournal::Begin(const fs::path& target, const fs::path& aside) {
#ifdef _WIN32
  std::FILE* file = _wfopen(file_.c_str(), L"wb");
#else
  std::FILE* file = std::fopen(file_.c_str(), "wb");
#endif
  if (file == nullptr) return false;
  const std::string text = PathText(target) + "\n" + PathText(aside) + "\n";
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool flushed = written && Flush(file);
  const bool closed = std::fclose(file) == 0;
  return written && flushed && closed;
}

void SwapJournal::End() {
  std::error_code error;
  fs::remove(file_, error);
}

void RemoveAbandonedRunFolders(const fs::path& parent, std::string_view prefix) {
  std::error_code error;
  for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
    const std::string name = PathText(it->path().filename());
    if (name.compare(0, prefix.size(), prefix) != 0 || !it->is_directory(error)) continue;
    // A folder an earlier version moved aside (".old") may hold the user's own: it stays.
    if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".old") == 0) continue;
    if (platform::RunFolder::InUse(it->path())) continue;
    UndoCutShortSwap(it->path());
    std::error_code ignored;
    fs::remove_all(it->path(), ignored);
  }
}

void RecoverInterruptedRuns(const Profile& profile) {
  std::set<fs::path> parents;
  for (ProfileFolder folder : {ProfileFolder::MailData, ProfileFolder::Contacts})
    parents.insert(StagingParentFor(profile, folder));
  for (const fs::path& parent : parents)
    if (!parent.empty()) RemoveAbandonedRunFolders(parent, kRestoreRunPrefix);
  // Earlier versions unpacked inside the folders themselves, and so do a restore into a
  // profile folder that is a volume of its own and the restore of an item's plain files.
  for (ProfileFolder folder : {ProfileFolder::MailData, ProfileFolder::Contacts,
                               ProfileFolder::Calendars, ProfileFolder::Stationery}) {
    const std::string root = profile.FolderOf(folder);
    if (!root.empty()) RemoveAbandonedRunFolders(HostPath(root), ".quillstow-restore");
  }
}

}  // namespace quill::core
