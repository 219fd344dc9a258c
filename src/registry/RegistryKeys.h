#pragma once
// RegistryKeys: the program's one gateway to the registry. Callers name a key by one text, the
// key path ("HKEY_CURRENT_USER\Software\Microsoft\Windows Live Mail"), and never touch a
// handle. Every handle an operation opens is closed before it returns.

#include <string>
#include <vector>

#include "platform/Registry.h"

namespace quill::registry {

struct KeyPath {
  platform::HKey root = 0;  // 0: no root
  std::string subPath;      // empty when the path names a root key alone
  bool malformed = false;   // not "HKEY_..." or ending with a backslash
};

// The names of a key's direct subkeys in the registry's order; each can be looked up by
// name, letters compared without regard to case.
class SubKeyList {
 public:
  void Add(std::string name) { names_.push_back(std::move(name)); }
  bool Contains(const std::string& name) const;
  const std::vector<std::string>& names() const { return names_; }
  std::size_t size() const { return names_.size(); }
  bool empty() const { return names_.empty(); }
  auto begin() const { return names_.begin(); }
  auto end() const { return names_.end(); }

 private:
  std::vector<std::string> names_;
};

class RegistryKeys {
 public:
  explicit RegistryKeys(platform::Registry& registry);

  // Splits a key path into its root and sub-path. A malformed path (not starting with
  // "HKEY_", or ending with a backslash) yields no root and is marked malformed; the key
  // paths the program uses are its own constants, so no user ever sees one.
  KeyPath ParseKeyPath(const std::string& keyPath) const;
  static platform::HKey GetRootKey(const std::string& rootName);

  bool KeyExists(const std::string& keyPath);
  // 0 when the key exists afterwards, otherwise the Windows error code.
  long CreateKey(const std::string& keyPath);
  // Deletes a key that has no subkeys.
  void DeleteKey(const std::string& keyPath);
  // Deletes a key with everything beneath it, children before parents.
  void DeleteKeyTree(const std::string& keyPath);
  SubKeyList GetSubKeys(const std::string& keyPath);
  // The text of a value, or "Error" when the key or value cannot be read.
  std::string GetStringValue(const std::string& keyPath, const std::string& valueName);

  // The text GetStringValue gives for a failed read.
  static constexpr const char* kError = "Error";

 private:
  platform::Registry& registry_;
};

}  // namespace quill::registry
