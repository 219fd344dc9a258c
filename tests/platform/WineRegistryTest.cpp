// What the Wine-prefix registry does with the prefix's files. The behaviour every registry of
// the program shares is in RegistryContractTest.

#include "platform/posix/WineRegistry.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/OpenedKey.h"
#include "support/TestPrefix.h"

namespace quill::platform::posix {
namespace {
using test::ReadFile;

std::string Dword(std::uint32_t v) {
  return std::string{static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
                     static_cast<char>((v >> 16) & 0xff), static_cast<char>(v >> 24)};
}

using test::Opened;

const std::vector<std::pair<std::string, RegValue>>& EveryType() {
  static const std::vector<std::pair<std::string, RegValue>> values = {
      {"", {regtype::kSz, std::string("default", 7) + '\0'}},
      {"Text", {regtype::kSz, std::string("Caf\xc3\xa9 \"q\" \\ =") + '\0'}},
      {"Expand", {regtype::kExpandSz, std::string("%USERPROFILE%\\x") + '\0'}},
      {"Multi", {regtype::kMultiSz, std::string("a\0bc\0\0", 6)}},
      {"Binary", {regtype::kBinary, std::string("\x00\x01\xff", 3)}},
      {"Long binary", {regtype::kBinary, std::string(300, '\x7f')}},
      {"Empty", {regtype::kBinary, std::string()}},
      {"Dword", {regtype::kDword, Dword(0x80000001)}},
      {"Qword", {regtype::kQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)}},
      {"None", {regtype::kNone, std::string("\x05", 1)}},
  };
  return values;
}

TEST(WineRegistry, ATreeWrittenPartlyDeletedAndSavedReadsBackEqual) {
  test::TestPrefix prefix;
  const std::string before = ReadFile(prefix.userReg());
  {
    WineRegistry registry(prefix.winePrefix());
    Opened key(registry, kHkeyCurrentUser, "Software\\Quill\\Tree\\Leaf", true);
    ASSERT_EQ(key.status, winerr::kSuccess);
    for (const auto& [name, value] : EveryType())
      EXPECT_EQ(registry.SetValue(key.handle, name, value), 0);
    Opened gone(registry, kHkeyCurrentUser, "Software\\Quill\\Tree\\Gone\\Deeper", true);
    ASSERT_EQ(registry.SetValue(gone.handle, "x", {regtype::kDword, Dword(1)}), 0);
    EXPECT_EQ(registry.DeleteValue(key.handle, "None"), 0);
  }
  {
    WineRegistry registry(prefix.winePrefix());
    EXPECT_EQ(registry.DeleteKey(kHkeyCurrentUser, "Software\\Quill\\Tree\\Gone\\Deeper"), 0);
  }
  WineRegistry fresh(prefix.winePrefix());
  Opened key(fresh, kHkeyCurrentUser, "SOFTWARE\\quill\\tree\\leaf");
  ASSERT_EQ(key.status, winerr::kSuccess);
  for (const auto& [name, value] : EveryType()) {
    RegValue read;
    std::uint32_t size = 0;
    const long status = fresh.QueryValue(key.handle, name, 0xffffffffU, read, size);
    if (name == "None") {
      EXPECT_EQ(status, winerr::kFileNotFound);
      continue;
    }
    ASSERT_EQ(status, winerr::kSuccess) << name;
    EXPECT_EQ(read.type, value.type) << name;
    EXPECT_EQ(read.data, value.data) << name;
  }
  Opened gone(fresh, kHkeyCurrentUser, "Software\\Quill\\Tree\\Gone");
  EXPECT_EQ(gone.status, winerr::kSuccess);
  std::string name;
  EXPECT_EQ(fresh.EnumKey(gone.handle, 0, 260, name), winerr::kNoMoreItems);

  // The saved file is still Wine's: it parses, and every line the change did not touch is
  // there as it was.
  const std::string after = ReadFile(prefix.userReg());
  ASSERT_TRUE(WineHive::Parse(after));
  EXPECT_NE(after.find("[Software\\\\Quill\\\\Tree\\\\Leaf] "), std::string::npos);
  EXPECT_NE(after.find("\"Expand\"=str(2):\"%USERPROFILE%\\\\x\"\n"), std::string::npos);
  EXPECT_NE(after.find("\"Multi\"=str(7):\"a\\0bc\\0\"\n"), std::string::npos);
  EXPECT_NE(after.find("\"Dword\"=dword:80000001\n"), std::string::npos);
  const std::string rest = after.substr(0, after.find("\n[Software\\\\Quill"));
  EXPECT_EQ(before.substr(0, rest.size()), rest);
  EXPECT_EQ(after.substr(after.find("\n[Software\\\\Wine\\\\AppDefaults]")),
            before.substr(before.find("\n[Software\\\\Wine\\\\AppDefaults]")));
}

TEST(WineRegistry, AnUnchangedRegistryLeavesItsFilesAlone) {
  test::TestPrefix prefix;
  const auto stamp = std::filesystem::last_write_time(prefix.userReg());
  {
    WineRegistry registry(prefix.winePrefix());
    Opened key(registry, kHkeyCurrentUser, "Software\\Microsoft\\Windows Live Mail", true);
    EXPECT_EQ(key.status, winerr::kSuccess);
  }
  EXPECT_EQ(std::filesystem::last_write_time(prefix.userReg()), stamp);
  EXPECT_EQ(ReadFile(prefix.userReg()), test::FixtureText("user.reg"));
}

// Holds the wineserver lock of a prefix from a child process, as a running wineserver does.
class FakeWineServer {
 public:
  explicit FakeWineServer(const WinePrefix& prefix) {
    const auto folder = *prefix.ServerFolder();
    std::filesystem::create_directories(folder);
    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    child_ = fork();
    if (child_ == 0) {
      const int fd = open((folder / "lock").c_str(), O_CREAT | O_WRONLY, 0600);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      fcntl(fd, F_SETLK, &lock);
      (void)!write(ready[1], "x", 1);
      pause();
      _exit(0);
    }
    char byte;
    (void)!read(ready[0], &byte, 1);
    close(ready[0]);
    close(ready[1]);
  }
  ~FakeWineServer() {
    kill(child_, SIGKILL);
    waitpid(child_, nullptr, 0);
  }

 private:
  pid_t child_ = -1;
};

TEST(WineRegistry, RefusesEveryChangeWhileWineserverRuns) {
  test::TestPrefix prefix;
  const WinePrefix wine = prefix.winePrefix();
  WineRegistry registry(wine);
  HKey handle = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser,
                             "Software\\Microsoft\\Windows Live Mail\\signatures\\00000000",
                             kKeyRead, handle),
            0);
  {
    FakeWineServer server(wine);
    ASSERT_TRUE(wine.ServerRunning());
    HKey created = 0;
    EXPECT_EQ(registry.CreateKey(kHkeyCurrentUser, "Software\\New", created),
              winerr::kSharingViolation);
    EXPECT_EQ(registry.SetValue(handle, "name", {regtype::kSz, std::string("x") + '\0'}),
              winerr::kSharingViolation);
    EXPECT_EQ(registry.DeleteValue(handle, "name"), winerr::kSharingViolation);
    EXPECT_EQ(registry.DeleteKey(kHkeyCurrentUser,
                                 "Software\\Microsoft\\Windows Live Mail\\signatures\\00000000"),
              winerr::kSharingViolation);
    EXPECT_NE(registry.lastProblem().find("wineserver -k"), std::string::npos);
    RegValue value;
    std::uint32_t size = 0;
    EXPECT_EQ(registry.QueryValue(handle, "name", 255, value, size), 0) << "reading goes on";
  }
  registry.CloseKey(handle);
  EXPECT_FALSE(wine.ServerRunning());
  EXPECT_EQ(ReadFile(prefix.userReg()), test::FixtureText("user.reg"));
}

TEST(WineRegistry, NeverOverwritesAFileItCannotRead) {
  test::TestPrefix prefix;
  test::WriteFile(prefix.userReg(), "WINE REGISTRY Version 2\n\n[Broken\n");
  WineRegistry registry(prefix.winePrefix());
  HKey handle = 0;
  EXPECT_EQ(registry.CreateKey(kHkeyCurrentUser, "Software\\New", handle), winerr::kBadDb);
  EXPECT_EQ(ReadFile(prefix.userReg()), "WINE REGISTRY Version 2\n\n[Broken\n");
  EXPECT_NE(registry.lastProblem().find("user.reg"), std::string::npos);
}

TEST(WineRegistry, ACreatedFileStartsWithWinesHeader) {
  test::TestPrefix prefix(false);
  {
    WineRegistry registry(prefix.winePrefix());
    HKey handle = 0;
    ASSERT_EQ(registry.CreateKey(kHkeyLocalMachine, "Software\\Made", handle), 0);
    EXPECT_EQ(registry.CloseKey(handle), 0);
  }
  const std::string text = ReadFile(prefix.prefix() / "system.reg");
  EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n;; All keys relative to "
                       "REGISTRY\\\\Machine\n\n#arch=win64\n\n[Software\\\\Made] ",
                       0),
            0u)
      << text;
}

TEST(WineRegistry, AChangeThatCannotBeSavedIsDropped) {
  test::TestPrefix prefix;
  // A prefix folder that is gone: no temporary file can be made beside user.reg.
  const WinePrefix missing(prefix.root() / "no-such-prefix", prefix.serverRoot());
  WineRegistry registry(missing);
  HKey handle = 0;
  ASSERT_EQ(registry.CreateKey(kHkeyCurrentUser, "Software\\Lost", handle), 0);
  EXPECT_EQ(registry.CloseKey(handle), winerr::kWriteFault);
  EXPECT_NE(registry.lastProblem().find("Could not save"), std::string::npos);
  EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, "Software\\Lost", kKeyRead, handle),
            winerr::kFileNotFound);
}

}  // namespace
}  // namespace quill::platform::posix
