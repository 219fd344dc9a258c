#pragma once
// The registry of a temporary Wine prefix, made from the fixture registry files.

#include <memory>

#include "platform/posix/WineRegistry.h"
#include "support/RegistrySandbox.h"
#include "support/TestPrefix.h"

namespace quill::test {

class WineRegistrySandbox : public RegistrySandbox {
 public:
  static constexpr const char* kName = "WineRegistry";
  WineRegistrySandbox();

  platform::Registry& registry() override { return registry_; }
  std::unique_ptr<platform::Registry> Reopen() override;
  const TestPrefix& prefix() const { return prefix_; }

 private:
  TestPrefix prefix_;
  platform::posix::WineRegistry registry_;
};

}  // namespace quill::test
