#pragma once
// The platform of this host for tests, with an application folder of its own in a temporary
// folder: over a temporary Wine prefix on Linux, the Win32 services on Windows.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "support/TempDir.h"
#ifndef _WIN32
#include "support/TestPrefix.h"
#endif

namespace quill::test {

class TestPlatform {
 public:
  TestPlatform();
  ~TestPlatform();
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;

  platform::Platform& get() { return *platform_; }
  // The temporary folder; app() is the application folder inside it.
  const std::filesystem::path& root() const { return root_.root(); }
  std::filesystem::path app() const { return root_.root() / "app"; }
  // What %USERPROFILE% stands for on this platform, as a Windows path.
  std::string userProfile() const;

 private:
#ifdef _WIN32
  struct Folder {
    TempDir dir;
    const std::filesystem::path& root() const { return dir.path(); }
  };
  Folder root_;
#else
  TestPrefix root_;  // the fixture's prefix, whose user is "root"
#endif
  std::unique_ptr<platform::Platform> platform_;
};

}  // namespace quill::test
