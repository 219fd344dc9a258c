// quillstow-cli: backups, restores, inspections and checks of backup files from a terminal.

#include <iostream>
#include <string>
#include <vector>

#include "cli/CliProgram.h"
#include "cli/Console.h"
#include "platform/CommandLine.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
  // On Windows taken wide from the system: paths and passwords come as typed.
  const std::vector<std::string> arguments = quill::platform::ProgramArgumentList(argc, argv);
  const auto platform = quill::platform::CreateHostPlatform(quill::platform::ApplicationFolderFor(
      quill::platform::ExecutableFolder(), quill::platform::UserDataFolder()));
  quill::cli::HostConsole console;
  const int status = quill::cli::RunCli(arguments, *platform, std::cout, std::cerr, console);
  std::cout.flush();
  return status;
}
