#include "registry/RegistryText.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "platform/Files.h"
#include "platform/TextFile.h"
#include "registry/RegistryTextFormat.h"

namespace quill::registry {
using namespace platform;

namespace {

constexpr std::uint32_t kNameBufferChars = 260;

std::string JoinSubPath(const std::string& parent, const std::string& child) {
  if (parent.empty()) return child;
  if (child.empty()) return parent;
  return parent + "\\" + child;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

}  // namespace

struct RegistryText::Collected {
  std::vector<std::string> lines;
  ExportResult result;

  void Fail(std::string error) {
    if (!result.ok) return;
    result.ok = false;
    result.error = std::move(error);
  }
};

RegistryText::RegistryText(Registry& registry, RegistryKeys& reg)
    : registry_(registry), reg_(reg) {}

void RegistryText::CollectValues(HKey key, const std::string& keyPath, Collected& out) {
  // The registry interface hands back names and data whole, so no buffer has to be enlarged
  // and read again.
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    StoredValue value;
    const long status = registry_.EnumValue(key, index, name, value);
    if (status == winerr::kNoMoreItems) break;
    if (status != winerr::kSuccess) {
      out.Fail("Could not read the values of " + keyPath + " (error " + std::to_string(status) +
               ").");
      break;
    }
    std::string line = ValueLine(name, value);
    if (!NameReadsBack(name, line)) {
      out.result.skipped.push_back({keyPath, name, false});
      continue;
    }
    out.lines.push_back(std::move(line));
  }
}

void RegistryText::CollectKey(const KeyPath& path, const std::string& keyPath,
                              const std::string& relative, Collected& out) {
  out.lines.push_back("\\" + relative);
  if (path.root == 0) return;
  HKey key = 0;
  if (registry_.OpenKey(path.root, path.subPath, kKeyRead, key) != winerr::kSuccess) return;
  CollectValues(key, keyPath, out);
  std::vector<std::string> names;
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    const long status = registry_.EnumKey(key, index, kNameBufferChars, name);
    if (status == winerr::kNoMoreItems) break;
    if (status != winerr::kSuccess) {
      out.Fail("Could not list the subkeys of " + keyPath + " (error " + std::to_string(status) +
               ").");
      break;
    }
    names.push_back(name.substr(0, name.find('\0')));
  }
  registry_.CloseKey(key);
  for (const std::string& name : names) {
    const std::string childPath = keyPath + "\\" + name;
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos) {
      out.result.skipped.push_back({childPath, std::string(), true});
      continue;
    }
    CollectKey({path.root, JoinSubPath(path.subPath, name)}, childPath, JoinSubPath(relative, name),
               out);
  }
}

ExportResult RegistryText::ExportKey(const std::string& keyPath, const std::string& file) {
  Collected out;
  CollectKey(reg_.ParseKeyPath(keyPath), keyPath, std::string(), out);

  std::error_code error;
  const std::filesystem::path host = HostPath(file);
  if (std::filesystem::is_directory(host, error)) {
    out.Fail("Could not write the registry file " + file + ": it is a folder.");
    return out.result;
  }
  std::filesystem::remove(host, error);
  if (error) {
    out.Fail("Could not replace the registry file " + file + ": " + error.message() + ".");
    return out.result;
  }
  if (!out.result.ok) return out.result;
  if (!TextFile::AppendLine(file, JoinLines(out.lines))) {
    std::filesystem::remove(host, error);
    out.Fail("Could not write the registry file " + file + ".");
  }
  return out.result;
}

ExportResult RegistryText::ExportKeyValues(const std::string& keyPath, const std::string& file) {
  Collected out;
  const KeyPath path = reg_.ParseKeyPath(keyPath);
  if (path.root == 0) return out.result;
  HKey key = 0;
  if (registry_.OpenKey(path.root, path.subPath, kKeyRead, key) != winerr::kSuccess)
    return out.result;
  CollectValues(key, keyPath, out);
  registry_.CloseKey(key);
  if (!out.lines.empty() && !TextFile::AppendLine(file, JoinLines(out.lines)))
    out.Fail("Could not write the registry file " + file + ".");
  return out.result;
}

ImportResult RegistryText::ImportKeyFile(const std::string& targetKeyPath,
                                         const std::string& file) {
  std::ifstream in(HostPath(file), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof())
    return {false, "Could not read the registry file " + file + ". Nothing was changed."};
  return ImportKeyText(targetKeyPath, bytes, file);
}

ImportResult RegistryText::ImportKeyText(const std::string& targetKeyPath, std::string_view bytes,
                                         const std::string& file) {
  const ParsedRegistryText content = ParseRegistryText(bytes);
  if (!content.ok()) {
    if (content.badLine == 0)
      return {false, "The registry file " + file + " is damaged: " + content.problem +
                         ". Nothing was changed."};
    return {false, "The registry file " + file + " is damaged at line " +
                       std::to_string(content.badLine) + " (" + Shortened(content.badText) +
                       "): " + content.problem + ". Nothing was changed."};
  }
  const KeyPath target = reg_.ParseKeyPath(targetKeyPath);
  if (target.root == 0)
    return {false, targetKeyPath +
                       " is not a registry key this program can write. Nothing was "
                       "changed."};

  // Every change of the import reaches the registry together, or none does where the
  // registry can drop them.
  registry_.BeginChanges();
  std::vector<std::string> failures;
  const auto failed = [&failures](const std::string& what, long status) {
    failures.push_back(what + " (error " + std::to_string(status) + ")");
  };
  if (content.replacesKey) {
    reg_.DeleteKeyTree(targetKeyPath);
    if (reg_.KeyExists(targetKeyPath))
      failures.push_back("the key could not be removed before it was rebuilt");
  }
  for (const TextKey& fileKey : content.keys) {
    const std::string keyPath = JoinSubPath(targetKeyPath, fileKey.relative);
    HKey key = 0;
    const long created =
        registry_.CreateKey(target.root, JoinSubPath(target.subPath, fileKey.relative), key);
    if (created != winerr::kSuccess) {
      failed("could not create " + keyPath, created);
      continue;
    }
    for (const TextValue& value : fileKey.values) {
      const long set = registry_.SetStoredValue(key, value.name, value.value);
      if (set != winerr::kSuccess)
        failed("could not set \"" + value.name + "\" in " + keyPath, set);
    }
    const long closed = registry_.CloseKey(key);
    if (closed != winerr::kSuccess) failed("could not save " + keyPath, closed);
  }
  bool dropped = true;
  if (failures.empty()) {
    if (registry_.EndChanges(true)) return {true, std::string()};
    failures.push_back("the registry could not save the changes");
  } else {
    dropped = registry_.EndChanges(false);
  }
  // The first two failures: where the key could not be removed, the second one tells why.
  std::string error = "Could not restore " + targetKeyPath + " from " + file + ": " + failures[0];
  if (failures.size() > 1) error += "; " + failures[1];
  if (failures.size() > 2)
    error += "; and " + std::to_string(failures.size() - 2) + " more changes failed";
  return {false, error + (dropped ? ". Nothing was changed." : ".")};
}

}  // namespace quill::registry
