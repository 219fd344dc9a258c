#include "support/Win32RegistrySandbox.h"

#include <random>
#include <sstream>

#include "platform/win32/WindowsApi.h"

namespace quill::test {
namespace {

constexpr const char* kTestRoot = "Software\\quillstow-test";

// Removes a key with everything beneath it straight through the system, not through the code
// under test.
void RemoveTree(const std::string& subPath) {
  RegDeleteTreeA(HKEY_CURRENT_USER, subPath.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, subPath.c_str());
}

}  // namespace

Win32RegistrySandbox::Win32RegistrySandbox() {
  std::ostringstream name;
  name << kTestRoot << '\\' << std::hex << std::random_device{}() << std::random_device{}();
  subPath_ = name.str();
  RemoveTree(subPath_);
}

Win32RegistrySandbox::~Win32RegistrySandbox() {
  RemoveTree(subPath_);
  // The common parent goes when no other test still uses it; with subkeys it stays.
  RegDeleteKeyA(HKEY_CURRENT_USER, kTestRoot);
}

std::unique_ptr<platform::Registry> Win32RegistrySandbox::Reopen() {
  return std::make_unique<platform::win32::Win32Registry>();
}

}  // namespace quill::test
