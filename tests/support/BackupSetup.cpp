#include "support/BackupSetup.h"

#include <algorithm>
#include <cstdio>

#include "archive/ArchiveReader.h"
#include "registry/RegistryText.h"

namespace quill::test {
namespace fs = std::filesystem;

BackupSetup::BackupSetup(std::uint64_t messageBytes, std::uint64_t seed) {
  MakeProfile(messageBytes, seed);
  fs::create_directories(app());
  MakePlatform();
  Rediscover();
}

std::tm StampTime() {
  std::tm time{};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 7;
  time.tm_hour = 4;
  time.tm_min = 31;
  time.tm_sec = 5;
  return time;
}

void BackupSetup::Rediscover() {
  restoreEngine_.reset();
  backupEngine_.reset();
  session_ = std::make_unique<core::Session>(*platform, [this] { return now; });
  reg = &session_->keys();
  services = &session_->services();
  settings = &session_->settings();
  found = session_->found();
  backupEngine_ = std::make_unique<backup::BackupEngine>(*session_);
  restoreEngine_ = std::make_unique<restore::RestoreEngine>(*session_);
}

fs::path BackupSetup::mailStore() const {
  return profile() / "AppData" / "Local" / "Microsoft" / "Windows Live Mail";
}

std::map<std::string, std::string> BackupSetup::ProfileState() {
  auto state = Tree(profile());
  const std::string file = (root() / "keys.txt").string();
  registry::RegistryText(platform->registry(), *reg).ExportKey(core::kMailClientKey, file);
  state["(registry)"] = ReadFile(file);
  fs::remove(file);
  return state;
}

std::vector<std::string> BackupSetup::AppFolderFiles() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(app()))
    if (entry.path().filename() != "Safety Backups")
      names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> EntryNames(const std::string& archive) {
  archive::ArchiveReader zip;
  std::vector<std::string> names;
  if (!zip.Open(archive)) return names;
  for (const auto& entry : zip.entries()) names.push_back(entry.name);
  return names;
}

#ifndef _WIN32
std::vector<std::string> EntryNamesByUnzip(const std::string& archive) {
  std::vector<std::string> names;
  FILE* pipe = popen(("unzip -Z1 '" + archive + "' 2>/dev/null").c_str(), "r");
  char line[4096];
  while (pipe != nullptr && fgets(line, sizeof line, pipe) != nullptr) {
    std::string name = line;
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    names.push_back(name);
  }
  if (pipe != nullptr) pclose(pipe);
  return names;
}
#endif

std::string EntryText(const std::string& archive, const std::string& name,
                      const std::string& password, const fs::path& folder) {
  archive::ArchiveReader zip;
  if (!zip.Open(archive)) return "<cannot open>";
  zip.SetPassword(password);
  const archive::EntryInfo* entry = zip.Find(name);
  if (entry == nullptr || !zip.Extract(*entry, folder.string())) return "<cannot extract>";
  return ReadFile(folder / fs::path(name).filename());
}

}  // namespace quill::test
