#pragma once
// "Rescue from another disk...": the profile of a user of a Windows that is not running (a dead
// PC's disk, mounted here, or a copy of the user's folder) backed up whole into a backup file
// that restores anywhere. The folder is chosen, then the user when the disk holds several,
// then the file; the disk is only read.

#include <string>

#include "platform/Prompter.h"

namespace quill::app {

class RescueRun {
 public:
  // applicationFolder: where the program keeps its settings and log.
  RescueRun(platform::Prompter& prompter, std::string applicationFolder);

  // Asks, backs up and says what came of it. True when the backup file was written.
  bool Run();

 private:
  void Message(const std::string& text, platform::MessageIcon icon);

  platform::Prompter& prompter_;
  std::string applicationFolder_;
};

}  // namespace quill::app
