#pragma once
// The platform over the profile of a user of a Windows that is not running: a mounted system
// disk of a dead PC, or a copy of a user's folder. The user's registry hive (NTUSER.DAT) is
// read once, never written; its keys the program reads go into a scratch Wine prefix whose
// drive C: is that disk (or whose user folder is that copy), so that every part of the
// program works on the profile as on a live one. The scratch prefix goes with the platform.

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace quill::platform::rescue {

struct RescueOpening {
  std::unique_ptr<Platform> platform;  // null when the profile cannot be opened
  std::string problem;                 // why not, in words for the user
};

// from: the root of the mounted Windows disk (holding Users\<user>) or the user's folder
// itself (holding NTUSER.DAT); user: the user's name, as the folder is named. The program's
// settings and log stay in applicationFolder.
RescueOpening OpenRescue(const std::string& from, const std::string& user,
                         const std::string& applicationFolder);

// The users whose profile from holds: the folder's own name when it is a user's folder,
// else the folders below Users that hold a registry hive. Empty when there are none.
std::vector<std::string> RescuableUsers(const std::string& from);

}  // namespace quill::platform::rescue
