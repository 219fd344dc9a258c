#pragma once
// A sample mail profile with everything a backup or restore needs: the platform over it, the
// session a program makes, and the engines. On Linux the profile is a temporary Wine prefix;
// on Windows its folders sit in a temporary folder and its keys in the registry of the user
// running the tests (only where that registry is a scratch one, see BackupSetupWin32.cpp).

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backup/BackupEngine.h"
#include "core/Session.h"
#include "platform/Platform.h"
#include "restore/RestoreEngine.h"
#include "support/RecordingPrompter.h"
#include "support/TempDir.h"

namespace quill::test {

// The time stamp every log line and descriptor of these tests carries, and the time it is.
inline constexpr const char* kStamp = "12/7/2026 4:31:05 AM";
std::tm StampTime();

class BackupSetup {
 public:
  // messageBytes: how much mail the sample profile holds.
  explicit BackupSetup(std::uint64_t messageBytes = 300000, std::uint64_t seed = 1);
  BackupSetup(const BackupSetup&) = delete;
  BackupSetup& operator=(const BackupSetup&) = delete;

  std::filesystem::path root() const { return dir_.path(); }
  std::filesystem::path app() const { return dir_.path() / "app"; }
  std::filesystem::path prefix() const { return dir_.path() / "prefix"; }
  // The profile's user: "anna" in a Wine prefix, the user running the tests on Windows.
  const std::string& user() const { return user_; }
  std::filesystem::path profile() const { return prefix() / "drive_c" / "users" / user_; }
  std::filesystem::path mailStore() const;
  std::filesystem::path logFile() const { return app() / "brlog.dat"; }
  std::string Target(const std::string& name = "anna.wlm") const {
    return (root() / name).string();
  }

  // The session over the profile as start-up found it; its clock gives now.
  core::Session& session() { return *session_; }
  // A session made again: the profile found as it is now.
  void Rediscover();
  backup::BackupEngine& engine() { return *backupEngine_; }
  restore::RestoreEngine& restoreEngine() { return *restoreEngine_; }
  // The profile as the user sees it: every file of the profile's folders (path to bytes), and
  // the mail client's registry key exported whole under "(registry)".
  std::map<std::string, std::string> ProfileState();
  // Every file directly in the application folder; the folder of the safety backups a restore
  // takes first is left out.
  std::vector<std::string> AppFolderFiles() const;

  std::unique_ptr<platform::Platform> platform;
  RecordingPrompter prompter;
  std::vector<std::vector<std::string>> started;  // programs the platform was asked to start
  bool launches = true;  // whether such a start works (there is a program to start)
  std::tm now = StampTime();
  // The session's parts, for tests that use them directly.
  registry::RegistryKeys* reg = nullptr;
  core::SharedServices* services = nullptr;
  core::SettingsFile* settings = nullptr;
  core::DiscoveryResult found;

 private:
  // Made by the host's own way: the sample profile where the platform finds it, and the
  // platform over it.
  void MakeProfile(std::uint64_t messageBytes, std::uint64_t seed);
  void MakePlatform();

  TempDir dir_;
  std::string user_ = "anna";
  // On Windows: what the setup changed in the user's registry, put back when it is released.
  std::shared_ptr<void> hostProfile_;
  std::unique_ptr<core::Session> session_;
  std::unique_ptr<backup::BackupEngine> backupEngine_;
  std::unique_ptr<restore::RestoreEngine> restoreEngine_;
};

// The entries of an archive in their order, as the archive reader lists them.
std::vector<std::string> EntryNames(const std::string& archive);
#ifndef _WIN32
// The entries as "unzip -Z1" lists them.
std::vector<std::string> EntryNamesByUnzip(const std::string& archive);
#endif
// Extracts one entry of an archive into folder and returns its content.
std::string EntryText(const std::string& archive, const std::string& name,
                      const std::string& password, const std::filesystem::path& folder);

}  // namespace quill::test
