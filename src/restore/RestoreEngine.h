#pragma once
// One restore, as every front end makes it: the chosen items of an opened backup file go back
// into the profile in item order, each step logged. The twin of the backup engine: the
// window's page, quillstow-cli and the tests call it; none of it asks a question, stops or
// starts a program.

#include <array>
#include <functional>
#include <string>

#include "archive/BackupFile.h"
#include "core/ItemCatalogue.h"
#include "core/Session.h"

namespace quill::restore {

struct RestoreRequest {
  core::ItemSet items{};  // the items to restore; those the file does not hold are passed by
  std::string logUser;    // the user named in the log
};

// What a run shows while it works. Every hook is optional; they are called on the run's thread.
struct RestoreObserver {
  std::function<void(std::size_t item)> itemStarting;
  std::function<void(std::size_t item, bool restored, const std::string& error)> itemFinished;
};

struct RestoreOutcome {
  core::ItemSet attempted{};  // chosen and held by the file
  core::ItemSet restored{};
  std::array<std::string, core::kItemCount> errors;  // why an attempted item failed

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
