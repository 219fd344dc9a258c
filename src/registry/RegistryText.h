#pragma once
// Registry keys exported to registry text files and imported from them (the format is in
// RegistryTextFormat.h).

#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"
#include "registry/RegistryKeys.h"

namespace quill::registry {

// A key or a value an export left out because its name cannot stand in a line: a name holding
// a line break, an empty key name, or a value name holding '"=' with a tag and ':' after it.
struct SkippedName {
  std::string key;    // the key's path: the key left out, or the key holding the value
  std::string value;  // the value's name; empty for a key
  bool isKey = false;
  bool operator==(const SkippedName&) const = default;
};

struct ExportResult {
  bool ok = true;
  std::string error;  // why the file could not be written in full
  std::vector<SkippedName> skipped;
};

struct ImportResult {
  bool ok = false;
  std::string error;
};

class RegistryText {
 public:
  RegistryText(platform::Registry& registry, RegistryKeys& reg);

  // Writes the key with everything beneath it to file, replacing the file: the key's header,
  // its values in the registry's order, then each subkey the same way in the registry's
  // order. A key that cannot be opened gives its header alone, so a missing key gives "\".
  // Fails, leaving no file, when the file cannot be written or a key cannot be listed.
  ExportResult ExportKey(const std::string& keyPath, const std::string& file);
  // Appends the value lines of one key to file.
  ExportResult ExportKeyValues(const std::string& keyPath, const std::string& file);

  // Rebuilds targetKeyPath from file, reading up to the first empty line. The lines are all
  // checked before anything changes: a missing or damaged file changes nothing, and the error
  // names the line. When the file holds the key's own header "\", the key is first deleted
  // with everything beneath it. Fails when the registry does not take every change; the
  // changes then reach it not at all where it can hold them back (a Wine prefix).
  ImportResult ImportKeyFile(const std::string& targetKeyPath, const std::string& file);
  // The same from the file's bytes; file names them in messages.
  ImportResult ImportKeyText(const std::string& targetKeyPath, std::string_view bytes,
                             const std::string& file);

 private:
  struct Collected;
  void CollectKey(const KeyPath& path, const std::string& keyPath, const std::string& relative,
                  Collected& out);
  void CollectValues(platform::HKey key, const std::string& keyPath, Collected& out);

  platform::Registry& registry_;
  RegistryKeys& reg_;
};

}  // namespace quill::registry
