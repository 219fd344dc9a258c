// quillstow-cli: backups, restores, inspections and checks of backup files from a terminal.

#include <exception>
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
  int status = 1;
  try {
    status = quill::cli::RunCli(arguments, *platform, std::cout, std::cerr, console);
  } catch (const std::exception& error) {
    // A path the system cannot take (on Windows, a name that is no UTF-8 text makes
    // std::filesystem throw): a failure with its reason, not an abort, whose status 3 would
    // read as "done in part".
    std::cout.flush();
    std::cerr << "quillstow-cli: " << error.what() << "\n";
    return 1;
  }
  std::cout.flush();
  return status;
}
