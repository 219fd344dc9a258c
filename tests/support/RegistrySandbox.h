#pragma once
// A registry to test against and a scratch key that belongs to one test. On Linux it is the
// registry of a temporary Wine prefix (WineRegistry); on Windows the system's own registry
// (Win32Registry), the scratch key being HKEY_CURRENT_USER\Software\quillstow-test\<random>,
// deleted with everything beneath it when the sandbox goes.

#include <memory>
#include <string>

#include "platform/Registry.h"

namespace quill::test {

class RegistrySandbox {
 public:
  virtual ~RegistrySandbox() = default;
  // The registry as the program uses it.
  virtual platform::Registry& registry() = 0;
  // Another, separate look at the same registry that sees what the first one saved.
  virtual std::unique_ptr<platform::Registry> Reopen() = 0;

  // The scratch key below HKEY_CURRENT_USER ("Software\quillstow-test\..."), made empty.
  const std::string& subPath() const { return subPath_; }
  // The scratch key as RegistryKeys names it ("HKEY_CURRENT_USER\Software\quillstow-test\...").
  std::string keyPath() const { return "HKEY_CURRENT_USER\\" + subPath_; }

 protected:
  std::string subPath_;
};

}  // namespace quill::test
