#pragma once
// quillstow-cli: the backup, restore, inspection and check of backup files for people with
// no display and for scripts. It works on the profile start-up discovers, prints plain text
// and ends with 0 on success.

#include <ostream>
#include <string>
#include <vector>

#include "core/Session.h"
#include "platform/Platform.h"

namespace quill::cli {

// Runs one command line (the arguments after the program's name). out receives what the
// command prints, err its messages.
int RunCli(const std::vector<std::string>& arguments, platform::Platform& platform,
           std::ostream& out, std::ostream& err, core::Clock clock = core::LocalNow);

}  // namespace quill::cli
