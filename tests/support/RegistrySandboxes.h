#pragma once
// The registry sandboxes of this build, for the typed suites over the Registry interface.

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include "support/Win32RegistrySandbox.h"
#else
#include "support/WineRegistrySandbox.h"
#endif

namespace quill::test {

// The sandboxes of this build, one per registry the program runs on here: the typed suites
// over the Registry interface are instantiated with them.
#ifdef _WIN32
using RegistrySandboxes = ::testing::Types<Win32RegistrySandbox>;
#else
using RegistrySandboxes = ::testing::Types<WineRegistrySandbox>;
#endif

// Names the typed tests after the registry they run on.
struct RegistrySandboxName {
  template <typename Sandbox>
  static std::string GetName(int) {
    return Sandbox::kName;
  }
};

}  // namespace quill::test
