#pragma once
// quillstow-cli: the backup, restore, inspection, listing and check of backup files for people
// with no display and for scripts. It works on the profile start-up discovers, prints plain
// text (or JSON where asked), shows progress on a terminal, and ends with the statuses of
// cli/CliOptions.h.

#include <ostream>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "core/Session.h"
#include "platform/Platform.h"

namespace quill::cli {

// Runs one command line (the arguments after the program's name). out receives what the
// command prints, err its messages and its progress; console says whether those are
// terminals and asks for passwords.
int RunCli(const std::vector<std::string>& arguments, platform::Platform& platform,
           std::ostream& out, std::ostream& err, Console& console,
           core::Clock clock = core::LocalNow);
// The same on a console that is no terminal.
int RunCli(const std::vector<std::string>& arguments, platform::Platform& platform,
           std::ostream& out, std::ostream& err, core::Clock clock = core::LocalNow);

}  // namespace quill::cli
