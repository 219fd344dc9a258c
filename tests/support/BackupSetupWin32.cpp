// The sample profile on Windows: its folders in a temporary folder, its keys in the registry
// of the user running the tests, and the user's shell folders pointed at the temporary
// folder, so that the program finds the profile as it finds a real one. All of that is put
// back when the setup ends. Because it replaces the mail client's keys of that user, it runs
// only where the registry is a scratch one: under Wine (CI makes a fresh prefix for the
// tests), or where QUILL_TESTS_OWN_REGISTRY=1 says that the machine's registry may be used.

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "SampleProfile.h"
#include "core/ProfileDiscovery.h"
#include "platform/Files.h"
#include "platform/Utf16.h"
#include "platform/posix/WineHive.h"
#include "support/BackupSetup.h"
#include "support/TempDir.h"

namespace quill::test {
namespace fs = std::filesystem;
namespace {

constexpr const wchar_t* kMailKey = L"Software\\Microsoft\\Windows Live Mail";

std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}
std::wstring Wide(std::string_view utf8) {
  return Wide(platform::Utf8ToUtf16(utf8));
}

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool RegistryIsScratch() {
  const char* allowed = std::getenv("QUILL_TESTS_OWN_REGISTRY");
  return UnderWine() || (allowed != nullptr && std::string(allowed) == "1");
}

std::string UserName() {
  wchar_t name[257] = {};
  DWORD length = 257;
  if (!GetUserNameW(name, &length) || length == 0) return {};
  return platform::Utf16ToUtf8(std::u16string(name, name + length - 1));
}

struct SavedValue {
  DWORD type = 0;
  std::string bytes;
};

// A value of a key of HKCU as it is stored, or nothing when it is missing.
std::optional<SavedValue> ReadValue(const std::wstring& keyPath, const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return std::nullopt;
  SavedValue value;
  value.bytes.resize(65536);
  DWORD size = static_cast<DWORD>(value.bytes.size());
  const LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &value.type,
                                       reinterpret_cast<BYTE*>(value.bytes.data()), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return std::nullopt;
  value.bytes.resize(size);
  return value;
}

void WriteValue(HKEY key, const std::wstring& name, DWORD type, const std::string& bytes) {
  const LONG result =
      RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, type,
                     reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  if (result != ERROR_SUCCESS) throw std::runtime_error("cannot write a sample registry value");
}

void WriteValue(const std::wstring& keyPath, const std::wstring& name, DWORD type,
                const std::string& bytes) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open a key of HKEY_CURRENT_USER");
  WriteValue(key, name, type, bytes);
  RegCloseKey(key);
}

void WriteString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text) {
  WriteValue(keyPath, name, REG_SZ,
             std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2));
}

// Writes a key of the sample's registry file, with its values and subkeys, below parent.
void WriteKey(HKEY parent, const platform::posix::HiveKey& source) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(parent, Wide(source.name()).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create a sample registry key");
  for (const auto& value : source.values())
    WriteValue(key, Wide(value.name), value.type, value.data);
  for (const auto& subkey : source.subkeys()) WriteKey(key, *subkey);
  RegCloseKey(key);
}

// What the setup changed in the user's registry, put back when it ends: the mail client's key
// removed, the two shell folders the program reads set to what they were.
class HostProfile {
 public:
  HostProfile() {
    // A second profile would take the first one's keys and shell folders away.
    if (alive_)
      throw std::logic_error("on Windows one sample profile at a time: end the other first");
    alive_ = true;
    for (const wchar_t* name : {L"Local AppData", L"Personal"})
      savedFolders_.push_back({name, ReadValue(ShellFolders(), name)});
    RegDeleteTreeW(HKEY_CURRENT_USER, kMailKey);
  }
  ~HostProfile() {
    alive_ = false;
    RegDeleteTreeW(HKEY_CURRENT_USER, kMailKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kMailKey);
    for (const auto& [name, value] : savedFolders_) {
      if (value) {
        WriteValue(ShellFolders(), name, value->type, value->bytes);
      } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, ShellFolders().c_str(), name.c_str());
      }
    }
  }
  HostProfile(const HostProfile&) = delete;
  HostProfile& operator=(const HostProfile&) = delete;

  // The key the program reads the user's folders from, below HKEY_CURRENT_USER.
  static std::wstring ShellFolders() {
    const std::string_view path = core::ProfileDiscovery::kShellFoldersKey;
    return Wide(path.substr(path.find('\\') + 1));
  }

 private:
  static inline bool alive_ = false;
  std::vector<std::pair<std::wstring, std::optional<SavedValue>>> savedFolders_;
};

}  // namespace

void BackupSetup::MakeProfile(std::uint64_t messageBytes, std::uint64_t seed) {
  if (!RegistryIsScratch()) {
    throw std::runtime_error(
        "these tests replace the Windows Live Mail settings of the user running them; they run "
        "under Wine, or with QUILL_TESTS_OWN_REGISTRY=1 on a Windows machine kept for tests");
  }
  user_ = UserName();
  if (user_.empty()) throw std::runtime_error("Windows names no user");
  sample::WriteSampleProfile({prefix(), messageBytes, seed, user_, /*driveLinks=*/false});

  const std::string text = ReadFile(prefix() / "user.reg");
  std::string error;
  const auto hive = platform::posix::WineHive::Parse(text, &error);
  if (!hive) throw std::runtime_error("the sample's user.reg does not parse: " + error);
  const std::wstring mailPath = kMailKey;
  const platform::posix::HiveKey* mail =
      hive->Find(std::u16string(mailPath.begin(), mailPath.end()));
  if (mail == nullptr) throw std::runtime_error("the sample has no mail client key");

  hostProfile_ = std::make_shared<HostProfile>();
  HKEY parent = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &parent, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open HKCU\\Software\\Microsoft");
  WriteKey(parent, *mail);
  RegCloseKey(parent);
  const auto windowsPath = [](fs::path path) { return path.make_preferred().wstring(); };
  WriteString(HostProfile::ShellFolders(), L"Local AppData",
              windowsPath(profile() / "AppData" / "Local"));
  WriteString(HostProfile::ShellFolders(), L"Personal", windowsPath(profile() / "Documents"));
}

namespace {

// Processes that record what the program would start instead of starting it; the snapshot
// and termination are the host's.
class RecordingProcesses : public platform::Processes {
 public:
  RecordingProcesses(platform::Processes& host, std::vector<std::vector<std::string>>& started,
                     const bool& launches)
      : host_(host), started_(started), launches_(launches) {}
  std::vector<platform::ProcessEntry> Snapshot() override { return host_.Snapshot(); }
  bool Terminate(std::uint32_t id, std::uint32_t exitCode) override {
    return host_.Terminate(id, exitCode);
  }
  bool Start(const std::string& commandLine, platform::WindowStyle) override {
    started_.push_back({commandLine});
    return launches_;
  }
  platform::ProcessRun Run(const std::string& commandLine, platform::WindowStyle style) override {
    platform::ProcessRun run;
    run.started = Start(commandLine, style);
    return run;
  }

 private:
  platform::Processes& host_;
  std::vector<std::vector<std::string>>& started_;
  const bool& launches_;
};

class RecordingPlatform : public platform::Platform {
 public:
  RecordingPlatform(std::unique_ptr<platform::Platform> host,
                    std::vector<std::vector<std::string>>& started, const bool& launches)
      : host_(std::move(host)), processes_(host_->processes(), started, launches) {}
  platform::Registry& registry() override { return host_->registry(); }
  platform::ProfileStrings& profileStrings() override { return host_->profileStrings(); }
  platform::Files& files() override { return host_->files(); }
  platform::Processes& processes() override { return processes_; }
  platform::SystemInfo& system() override { return host_->system(); }

 private:
  std::unique_ptr<platform::Platform> host_;
  RecordingProcesses processes_;
};

}  // namespace

void BackupSetup::MakePlatform() {
  platform = std::make_unique<RecordingPlatform>(
      platform::CreateHostPlatform(platform::PathText(app())), started, launches);
}

}  // namespace quill::test
