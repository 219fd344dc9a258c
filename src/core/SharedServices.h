#pragma once
// Small operations several parts of the program share. None keeps state between calls and
// none reports an error other than through its result.

#include <string>

#include <vector>

#include "platform/Platform.h"
#include "registry/RegistryKeys.h"

namespace quill::core {

class SharedServices {
 public:
  SharedServices(platform::Platform& platform, registry::RegistryKeys& reg);

  // A new, empty, uniquely named file in the application folder: the first three
  // characters of prefix, a hexadecimal number, ".tmp". Empty text when none could be made.
  std::string NewScratchFile(const std::string& prefix);
  // Appends the line and CR LF to the file, creating it; false on any failure.
  static bool AppendLogLine(const std::string& path, const std::string& text);
  // Replaces everything up to and including the first "%USERPROFILE%" with the profile
  // folder; text without it comes back unchanged.
  std::string ExpandUserProfile(const std::string& text);
  // Ends every running process whose executable has that name, letters compared without
  // regard to case.
  void EndProcesses(const std::string& name);
  // Starts wlmail.exe from the folder its App Paths registration names.
  void StartMailClient();
  // Opens the log in Notepad; false when no program could be started to show it.
  bool OpenLogInEditor();
  // The log's entries, one a line, in UTF-8; none when there is no log.
  std::vector<std::string> LogLines();
  // Opens the help file with hh.exe; false when there is no help file or no program could be
  // started to show it.
  bool OpenHelp();
  // The application folder's help file, help.chm.
  std::string HelpPath();

  // The application folder's log, brlog.dat.
  std::string LogPath();

 private:
  platform::Platform& platform_;
  registry::RegistryKeys& reg_;
};

}  // namespace quill::core
