#pragma once
// settings.dat in the application folder: the user's options, one INI key each. Values are
// read at the moment they are needed and never kept.

#include <string>

#include "platform/Platform.h"

namespace quill::core {

// One key of settings.dat: its section and its name.
struct Setting {
  const char* section;
  const char* key;
};

// The keys the program reads and writes.
namespace settings {
inline constexpr Setting kStartOnWindows{"General", "startonwindows"};
inline constexpr Setting kCheckBackupFile{"General", "checkbackupfile"};
inline constexpr Setting kStartMailAfterBackup{"General", "runliveafterbackup"};
inline constexpr Setting kStartMailAfterRestore{"General", "runliveafterrestore"};
inline constexpr Setting kWriteDiscAfterBackup{"General", "burndvd"};
inline constexpr Setting kCloseMailBeforeBackup{"Backup", "autocloselive"};
inline constexpr Setting kOpenFolderAfterBackup{"Backup", "openfolderbackup"};
inline constexpr Setting kProposeFileName{"Backup", "automgeneratefile"};
inline constexpr Setting kBackupFolder{"Backup", "backupfolder"};
inline constexpr Setting kNewFileEachRun{"autobackup", "autobackupfile"};
// How many of the dated backups "a new file each run" makes are kept; 0 keeps all.
inline constexpr Setting kKeptBackups{"autobackup", "keepbackups"};
}  // namespace settings

class SettingsFile {
 public:
  explicit SettingsFile(platform::Platform& platform);

  // application folder + "settings.dat"
  std::string Path();

  // One key's value, at most 127 characters, blanks around it removed; "" when the file,
  // section or key is missing.
  std::string GetSettingValue(const std::string& file, const std::string& section,
                              const std::string& key);
  // Writes one key (its value cut to 128 characters), creating section and file.
  void SaveSettingValue(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

  // A key of this program's settings.dat, read and written.
  std::string Value(const Setting& setting);
  void Save(const Setting& setting, const std::string& value);
  // An option is on only when its value is the number 1.
  bool IsOn(const Setting& setting);
  // The folder for default backup file names: the stored folder without one trailing
  // separator, or the application folder for 0, an empty value or a folder that does not exist.
  std::string BackupFolder();

 private:
  platform::Platform& platform_;
};

// True when text is the number 1 ("1", "01", "1.0"); any other text is not.
bool IsNumberOne(const std::string& text);
// True when text is the number 0.
bool IsNumberZero(const std::string& text);

}  // namespace quill::core
