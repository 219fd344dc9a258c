#pragma once
// The registry of a Wine prefix: HKEY_CURRENT_USER is its user.reg, HKEY_LOCAL_MACHINE its
// system.reg (HKEY_CLASSES_ROOT is the machine's Software\Classes). Changes are saved when
// the key they were made through is closed: the whole file is written under a temporary
// name and renamed over the old one. While the prefix's wineserver runs, Wine owns the files
// and every change is refused.

#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/posix/WineHive.h"
#include "platform/posix/WinePrefix.h"

namespace quill::platform::posix {

class WineRegistry : public Registry {
 public:
  explicit WineRegistry(const WinePrefix& prefix);
  ~WineRegistry() override;
  WineRegistry(const WineRegistry&) = delete;
  WineRegistry& operator=(const WineRegistry&) = delete;

  long OpenKey(HKey parent, const std::string& subKey, std::uint32_t access, HKey& result) override;
  long CreateKey(HKey parent, const std::string& subKey, HKey& result) override;
  long CloseKey(HKey key) override;
  long EnumKey(HKey key, std::uint32_t index, std::uint32_t bufferChars,
               std::string& name) override;
  long EnumValue(HKey key, std::uint32_t index, std::string& name, StoredValue& value) override;
  long QueryValue(HKey key, const std::string& name, std::uint32_t bufferBytes, RegValue& value,
                  std::uint32_t& ansiSize) override;
  long SetValue(HKey key, const std::string& name, const RegValue& value) override;
  long SetStoredValue(HKey key, const std::string& name, const StoredValue& value) override;
  long DeleteKey(HKey parent, const std::string& subKey) override;
  long DeleteValue(HKey key, const std::string& name) override;

  // Changes are held in memory until EndChanges, which writes each changed file once or
  // forgets the changes.
  void BeginChanges() override;
  bool EndChanges(bool keep) override;

  // Writes every changed file now. False when a file could not be written.
  bool Flush();
  // What went wrong with the last refused or failed change, in words for the user.
  const std::string& lastProblem() const { return lastProblem_; }

 private:
  enum HiveId { kUser = 0, kMachine = 1 };
  struct HiveFile {
    std::filesystem::path file;
    std::string relativeTo;
    std::optional<WineHive> hive;
    std::optional<std::filesystem::file_time_type> loadedStamp;
    std::uintmax_t loadedSize = 0;
    bool dirty = false;
    bool damaged = false;  // the file exists but is not a registry file: never overwrite it
  };
  struct Location {
    HiveId hive;
    std::vector<std::u16string> path;
  };

  std::optional<Location> Resolve(HKey key) const;
  HiveFile& Load(HiveId id);
  HiveKey* Find(const Location& location);
  long Refuse(HiveId id);
  long Save(HiveId id);
  HKey NewHandle(Location location);

  WinePrefix prefix_;
  bool holding_ = false;  // between BeginChanges and EndChanges
  std::array<HiveFile, 2> hives_;
  std::map<HKey, Location> handles_;
  HKey nextHandle_ = 0x100;
  std::string lastProblem_;
};

}  // namespace quill::platform::posix
