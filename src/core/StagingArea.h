#pragma once
// Where the program keeps its scratch and staging folders beside the user's profile, and how
// what an interrupted run left there is put right. The places are outside every folder a
// backup lists, and on the same disk as the folders a restore replaces, so that putting a
// folder in place stays a rename.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/ItemCatalogue.h"
#include "core/ProfileDiscovery.h"

namespace quill::core {

// Every folder and file the program makes for itself beside the user's data starts so; a
// backup never takes one.
inline constexpr std::string_view kOwnNamePrefix = ".quillstow-";
// The run folders of restores, below their staging parents.
inline constexpr const char* kRestoreRunPrefix = ".quillstow-restore-";
// The run folders of backups, beside their target files.
inline constexpr const char* kBackupRunPrefix = ".quillstow-backup-";

bool IsOwnName(std::string_view name);

// The folder below which a restore unpacks an item's folders: the parent of the mail store
// for the mail and calendar folders, the parent of the contacts folder for the contacts; the
// profile folder itself where it is a volume of its own.
std::filesystem::path StagingParentFor(const Profile& profile, ProfileFolder folder);

// A record, kept in a restore's run folder, of the one folder swap in progress: the user's
// folder moved aside, the new one not yet in its place. A swap cut short between its two
// renames is undone from it at the next start.
class SwapJournal {
 public:
  explicit SwapJournal(std::filesystem::path runFolder);
  // Written and flushed before target is moved aside. False when it could not be.
  bool Begin(const std::filesystem::path& target, const std::filesystem::path& aside);
  // The swap finished, or was undone.
  void End();

 private:
  std::filesystem::path file_;
};

// Puts right what interrupted restores left beside the profile: a swap cut short is undone
// (the user's folder goes back to its place) and the run folders are removed; so are the
// staging folders earlier versions left inside the profile folders. Folders of runs still
// going are left alone.
void RecoverInterruptedRuns(const Profile& profile);

// Removes the run folders that interrupted runs left below parent under prefix.
void RemoveAbandonedRunFolders(const std::filesystem::path& parent, std::string_view prefix);

}  // namespace quill::core
