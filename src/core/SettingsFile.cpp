#include "core/SettingsFile.h"

#include <cstdlib>
#include <filesystem>

#include "platform/AnsiCodePage.h"
#include "platform/Text.h"

namespace quill::core {
namespace {

constexpr std::uint32_t kBufferChars = 128;

std::optional<double> NumberValue(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

bool IsNumberOne(const std::string& text) {
  return NumberValue(text) == 1.0;
}
bool IsNumberZero(const std::string& text) {
  return NumberValue(text) == 0.0;
}

SettingsFile::SettingsFile(platform::Platform& platform) : platform_(platform) {}

std::string SettingsFile::Path() {
  return platform::JoinPath(platform_.system().ApplicationFolder(), "settings.dat");
}

std::string SettingsFile::GetSettingValue(const std::string& file, const std::string& section,
                                          const std::string& key) {
  return platform::CleanValue(
      platform_.profileStrings().GetString(section, key, "", kBufferChars, file));
}

void SettingsFile::SaveSettingValue(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& value) {
  const std::string ansi = platform::Utf8ToAnsi(value);
  const std::string cut = platform::AnsiToUtf8(std::string_view(ansi).substr(0, kBufferChars));
  platform_.profileStrings().WriteString(section, key, cut, file);
}

std::string SettingsFile::Value(const Setting& setting) {
  return GetSettingValue(Path(), setting.section, setting.key);
}

void SettingsFile::Save(const Setting& setting, const std::string& value) {
  SaveSettingValue(Path(), setting.section, setting.key, value);
}

bool SettingsFile::IsOn(const Setting& setting) {
  return IsNumberOne(Value(setting));
}

std::string SettingsFile::BackupFolder() {
  const std::string application = platform_.system().ApplicationFolder();
  const std::string stored = Value(settings::kBackupFolder);
  if (stored.empty() || IsNumberZero(stored)) return application;
  std::error_code error;
  if (!std::filesystem::is_directory(platform::HostPath(stored), error)) return application;
  if (stored.size() > 1 && (stored.back() == '\\' || stored.back() == platform::kPathSeparator))
    return stored.substr(0, stored.size() - 1);
  return stored;
}

}  // namespace quill::core
