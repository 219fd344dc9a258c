// quillstow-cli: backups, restores, inspections and checks of backup files from a terminal.

#include <iostream>
#include <string>
#include <vector>

#include "cli/CliProgram.h"
#include "cli/Console.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto platform = quill::platform::CreateHostPlatform(quill::platform::ApplicationFolderFor(
      quill::platform::ExecutableFolder(), quill::platform::UserDataFolder()));
  quill::cli::HostConsole console;
  const int status = quill::cli::RunCli(arguments, *platform, std::cout, std::cerr, console);
  std::cout.flush();
  return status;
}
