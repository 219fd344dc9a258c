#pragma once
// A Wine prefix in a temporary folder, made from the fixture registry files.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/PosixPlatform.h"
#include "support/RecordingPrompter.h"
#include "support/TempDir.h"

namespace quill::test {

// A prefix at dir/prefix holding the fixture's user.reg and system.reg, the C: drive link
// and the profile folders of the user "root"; the application folder is dir/app. Its
// wineserver folders live under dir/server, so a Wine running on this machine does not count.
class TestPrefix {
 public:
  explicit TestPrefix(bool withRegistry = true);

  const std::filesystem::path& root() const { return root_.path(); }
  std::filesystem::path prefix() const { return root_.path() / "prefix"; }
  std::filesystem::path app() const { return root_.path() / "app"; }
  std::filesystem::path serverRoot() const { return root_.path() / "server"; }
  std::filesystem::path profile() const { return prefix() / "drive_c" / "users" / "root"; }
  std::filesystem::path userReg() const { return prefix() / "user.reg"; }

  platform::posix::WinePrefix winePrefix() const;
  // A fresh platform over the prefix, seeing the files as they are now.
  std::unique_ptr<platform::posix::PosixPlatform> MakePlatform(
      platform::posix::Launcher launcher = nullptr) const;

 private:
  TempDir root_;
};

}  // namespace quill::test
