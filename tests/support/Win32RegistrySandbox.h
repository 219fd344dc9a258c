#pragma once
// The registry of the running Windows (or Wine), below a scratch key of its own.

#include <memory>

#include "platform/win32/Win32Registry.h"
#include "support/RegistrySandbox.h"

namespace quill::test {

class Win32RegistrySandbox : public RegistrySandbox {
 public:
  static constexpr const char* kName = "Win32Registry";
  Win32RegistrySandbox();
  ~Win32RegistrySandbox() override;
  Win32RegistrySandbox(const Win32RegistrySandbox&) = delete;
  Win32RegistrySandbox& operator=(const Win32RegistrySandbox&) = delete;

  platform::Registry& registry() override { return registry_; }
  std::unique_ptr<platform::Registry> Reopen() override;

 private:
  platform::win32::Win32Registry registry_;
};

}  // namespace quill::test
