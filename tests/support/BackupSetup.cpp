#include "support/BackupSetup.h"

#include <cstdio>

#include "SampleProfile.h"

namespace quill::test {
namespace fs = std::filesystem;

BackupSetup::BackupSetup(std::uint64_t messageBytes, std::uint64_t seed) {
  sample::WriteSampleProfile({prefix(), messageBytes, seed, "anna"});
  fs::create_directories(app());
  platform = std::make_unique<platform::posix::PosixPlatform>(
      platform::posix::WinePrefix(prefix(), dir_.path() / "server"), app().string(), "/proc",
      [this](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
      });
  reg = std::make_unique<registry::RegistryKeys>(platform->registry());
  services = std::make_unique<core::SharedServices>(*platform, *reg);
  settings = std::make_unique<core::SettingsFile>(*platform);
  found = core::Discovery(*platform, *reg, *services, prompter).Run("");
}

fs::path BackupSetup::mailStore() const {
  return profile() / "AppData" / "Local" / "Microsoft" / "Windows Live Mail";
}

backup::BackupEngine& BackupSetup::engine() {
  engine_ = std::make_unique<backup::BackupEngine>(*platform, *reg, *services, zip1, found.values,
                                                   found.DescriptorPath, [] { return kStamp; });
  return *engine_;
}

std::vector<std::string> BackupSetup::AppFolderFiles() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(app()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> EntryNames(const std::string& archive) {
  archive::ZipComponent zip;
  std::vector<std::string> names;
  if (!zip.OpenZip(archive)) return names;
  for (const auto& entry : zip.entries()) names.push_back(entry.name);
  return names;
}

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

std::string EntryText(const std::string& archive, const std::string& name,
                      const std::string& password, const fs::path& folder) {
  archive::ZipComponent zip;
  if (!zip.OpenZip(archive)) return "<cannot open>";
  zip.SetDecryptPassword(password);
  const auto entry = zip.FindEntry(name);
  if (!entry || !zip.ExtractEntry(*entry, folder.string())) return "<cannot extract>";
  return ReadFile(folder / fs::path(name).filename());
}

}  // namespace quill::test
