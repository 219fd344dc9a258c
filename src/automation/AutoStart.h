#pragma once
// Starting the program when the user logs on: the Run value of the registry on Windows, the
// desktop's autostart entry over a Wine prefix.

#include <memory>
#include <string>

#include "platform/Registry.h"

namespace quill::automation {

class AutoStart {
 public:
  virtual ~AutoStart() = default;
  // Starts the program, without a command line, at log-on.
  virtual void Enable() = 0;
  // Removes that; no error when there is nothing to remove.
  virtual void Disable() = 0;
};

// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run, value "Orlo Windows Live
// Mail Backup" = "<application folder>\quillstow.exe" in double quotes.
class RunKeyAutoStart : public AutoStart {
 public:
  RunKeyAutoStart(platform::Registry& registry, std::string applicationFolder);
  void Enable() override;
  void Disable() override;

 private:
  platform::Registry& registry_;
  std::string applicationFolder_;
};

// A desktop entry in the user's autostart folder that starts the program over the prefix.
class DesktopAutoStart : public AutoStart {
 public:
  // folder: the autostart folder; program: the executable; winePrefix: "" for the default.
  DesktopAutoStart(std::string folder, std::string program, std::string winePrefix);
  void Enable() override;
  void Disable() override;
  std::string EntryPath() const;

 private:
  std::string folder_;
  std::string program_;
  std::string winePrefix_;
};

// $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
std::string UserAutostartFolder();

// The start at log-on of this host: the Run value on Windows, the desktop's autostart entry
// over a Wine prefix. program is the executable's full path.
std::unique_ptr<AutoStart> CreateHostAutoStart(platform::Registry& registry,
                                               const std::string& executableFolder,
                                               const std::string& program);

}  // namespace quill::automation
