// quillstow-cli: backups, restores and inspections of backup files from a terminal.

#include <iostream>
#include <string>
#include <vector>

#include "cli/CliProgram.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto platform = quill::platform::CreateHostPlatform(quill::platform::ApplicationFolderFor(
      quill::platform::ExecutableFolder(), quill::platform::UserDataFolder()));
  return quill::cli::RunCli(arguments, *platform, std::cout, std::cerr);
}
