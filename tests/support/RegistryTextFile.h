#pragma once
// Registry text written to and read from one file, and values set for the import tests, the
// same way over whichever registry a test runs on.

#include <gtest/gtest.h>

#include <string>

#include "platform/Registry.h"
#include "registry/RegistryKeys.h"
#include "registry/RegistryText.h"
#include "support/TempDir.h"

namespace quill::test {

// The key exported to file, and what the file then holds.
inline std::string ExportText(registry::RegistryText& text, const std::string& key,
                              const std::string& file) {
  const registry::ExportResult result = text.ExportKey(key, file);
  EXPECT_TRUE(result.ok) << result.error;
  return ReadFile(file);
}

// content written to file, then imported into the key.
inline registry::ImportResult ImportText(registry::RegistryText& text, const std::string& key,
                                         const std::string& file, const std::string& content) {
  WriteFile(file, content);
  return text.ImportKeyFile(key, file);
}

// One value set in a key that is made where it is missing.
inline void SetValue(platform::Registry& registry, registry::RegistryKeys& reg,
                     const std::string& key, const std::string& name,
                     const platform::RegValue& value) {
  const registry::KeyPath path = reg.ParseKeyPath(key);
  platform::HKey handle = 0;
  ASSERT_EQ(registry.CreateKey(path.root, path.subPath, handle), 0);
  ASSERT_EQ(registry.SetValue(handle, name, value), 0);
  ASSERT_EQ(registry.CloseKey(handle), 0);
}

// The same with the value's data exactly as the registry is to store it.
inline void SetStoredValue(platform::Registry& registry, registry::RegistryKeys& reg,
                           const std::string& key, const std::string& name,
                           const platform::StoredValue& value) {
  const registry::KeyPath path = reg.ParseKeyPath(key);
  platform::HKey handle = 0;
  ASSERT_EQ(registry.CreateKey(path.root, path.subPath, handle), 0);
  ASSERT_EQ(registry.SetStoredValue(handle, name, value), 0);
  ASSERT_EQ(registry.CloseKey(handle), 0);
}

}  // namespace quill::test
