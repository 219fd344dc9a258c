#include "support/WineRegistrySandbox.h"

namespace quill::test {

WineRegistrySandbox::WineRegistrySandbox() : registry_(prefix_.winePrefix()) {
  // The fixture's user.reg has no such key: the scratch key starts out missing, as on Windows.
  subPath_ = "Software\\quillstow-test\\sandbox";
}

std::unique_ptr<platform::Registry> WineRegistrySandbox::Reopen() {
  return std::make_unique<platform::posix::WineRegistry>(prefix_.winePrefix());
}

}  // namespace quill::test
