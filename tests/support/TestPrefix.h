#pragma once
// A Wine prefix in a temporary folder, made from the fixture registry files, and the
// helpers the tests share.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Prompter.h"
#include "platform/posix/PosixPlatform.h"

namespace quill::test {

// A temporary folder removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string text() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string FixtureText(const std::string& name);

// Records every message instead of showing it, and answers with a set reply.
class RecordingPrompter : public platform::Prompter {
 public:
  struct Shown {
    std::string text;
    platform::MessageIcon icon;
    platform::MessageButtons buttons;
    std::string caption;
  };
  platform::MessageAnswer Message(const std::string& text, platform::MessageIcon icon,
                                  platform::MessageButtons buttons,
                                  const std::string& caption) override;
  std::optional<std::string> SaveFileName(const std::string& title, const std::string& filter,
                                          const std::string& proposedName) override;
  std::optional<std::string> OpenFileName(const std::string& title,
                                          const std::string& filter) override;
  std::optional<std::string> AskPassword() override;
  std::string ChooseFolder(const std::string& prompt) override {
    folderAsked = prompt;
    return folder;
  }
  std::string folder;  // the folder browser's answer
  std::string folderAsked;
  std::vector<Shown> shown;
  // The open dialog's and the password prompt's answers, and how often each was asked.
  std::optional<std::string> openPath;
  std::optional<std::string> password;
  std::vector<std::string> openAsked;
  int passwordAsked = 0;
  // The save dialog's answer, and what it was asked.
  std::optional<std::string> savePath;
  std::vector<std::string> saveAsked;
  platform::MessageAnswer reply = platform::MessageAnswer::Ok;
};

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
