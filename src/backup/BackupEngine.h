#pragma once
// One backup, as every front end makes it: the chosen items in item order into one backup
// file, the descriptor as its last entry, the file written in one piece, each step logged.
// The window's page, the unattended run and quillstow-cli all call this; none of it asks a
// question, stops or starts a program: that is the callers' business.

#include <array>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

#include "core/ItemCatalogue.h"
#include "core/Session.h"

namespace quill::backup {

struct BackupRequest {
  core::ItemSet items{};
  std::string target;
  std::string password;     // empty: the archive is not protected
  std::string information;  // the user's description
  std::string logUser;      // the user named in the log
  bool automatic = false;   // the unattended run
  bool check = false;       // read the written file back whole and check it
  // The caller has checked already that the backup fits on the target's volume, or the user
  // chose to go on though it may not; otherwise the run checks before it starts.
  bool roomChecked = false;
  // false: the run leaves the log alone (the safety backup a restore takes first is no backup
  // of the user's).
  bool logged = true;
  // Once a stop is requested the run ends at the next file or folder: no backup file is
  // written, and a file already at the target stays as it was.
  std::stop_token stop{};
};

// How far a run has come: the bytes of the step under way and the file it is reading.
struct BackupProgress {
  std::size_t item = 0;     // the item being backed up; core::kItemCount while the file is written
  std::uint64_t done = 0;   // bytes of this step done
  std::uint64_t total = 0;  // bytes of this step in all
  std::string file;         // the file being read
};

// What a run shows while it works. Every hook is optional; they are called on the run's thread,
// except progress.
struct BackupObserver {
  std::function<void(std::size_t item)> itemStarting;
  std::function<void(std::size_t item, bool succeeded)> itemFinished;
  std::function<void(const std::string& path)> fileAdded;
  std::function<void(int percent)> writeProgress;
  // Called on the run's thread as the bytes go, while the backup file is written: item names
  // the item whose data is being read.
  std::function<void(const BackupProgress& progress)> progress{};
};

struct BackupOutcome {
  core::ItemSet succeeded{};
  std::array<std::string, core::kItemCount> errors;  // why a chosen item failed
  bool written = false;
  bool cancelled = false;    // a stop was requested: nothing was written
  std::string error;         // why the backup file was not written
  bool checked = false;      // the check ran
  bool checkPassed = false;  // and found nothing wrong
  std::string checkReport;   // what it found, as text
};

class BackupEngine {
 public:
  // threads: how many threads pack the backup's entries (0: one per processor).
  explicit BackupEngine(core::Session& session, unsigned threads = 0);

  BackupOutcome Run(const BackupRequest& request, const BackupObserver& observer);

 private:
  BackupOutcome RunItems(const BackupRequest& request, const BackupObserver& observer);

  core::Session& session_;
  unsigned threads_;
};

}  // namespace quill::backup
