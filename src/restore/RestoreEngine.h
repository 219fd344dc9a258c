#pragma once
// One restore, as every front end makes it: the chosen items of an opened backup file go back
// into the profile in item order, each step logged. The twin of the backup engine: the
// window's page, quillstow-cli and the tests call it; none of it asks a question, stops or
// starts a program.

#include <array>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

#include "archive/BackupFile.h"
#include "core/ItemCatalogue.h"
#include "core/Session.h"

namespace quill::restore {

struct RestoreRequest {
  core::ItemSet items{};  // the items to restore; those the file does not hold are passed by
  std::string logUser;    // the user named in the log
  // The undo of a restore: folders that a restore joins with the user's (contacts) replace
  // them, so that they are again what they were.
  bool replaceMerged = false;
  // Once a stop is requested the run ends before the next folder or file is put in place:
  // each folder is wholly the old one or wholly the restored one, and the log says so.
  std::stop_token stop{};
};

// How far a run has come within an item: the bytes of its entries done, and the file just
// written into the profile.
struct RestoreProgress {
  std::size_t item = 0;
  std::uint64_t done = 0;   // of the item's entries in the backup file, in their bytes there
  std::uint64_t total = 0;  // the bytes of the item's entries in the backup file
  std::string file;         // where the file goes in the profile
};

// What a run shows while it works. Every hook is optional; they are called on the run's thread,
// except progress.
struct RestoreObserver {
  std::function<void(std::size_t item)> itemStarting;
  std::function<void(std::size_t item, bool restored, const std::string& error)> itemFinished;
  // Called from the run's thread or from a thread that unpacks an inner archive; never two
  // calls at once.
  std::function<void(const RestoreProgress& progress)> progress{};
};

struct RestoreOutcome {
  core::ItemSet attempted{};  // chosen and held by the file
  core::ItemSet restored{};
  std::array<std::string, core::kItemCount> errors;  // why an attempted item failed
  bool cancelled = false;  // a stop ended the run before every chosen item was done

  bool AllRestored() const { return attempted == restored; }
};

class RestoreEngine {
 public:
  // threads: how many inner archives are unpacked at once.
  explicit RestoreEngine(core::Session& session, unsigned threads = 2);

  RestoreOutcome Run(const archive::OpenedBackup& backup, const RestoreRequest& request,
                     const RestoreObserver& observer);

 private:
  core::Session& session_;
  unsigned threads_;
};

}  // namespace quill::restore
