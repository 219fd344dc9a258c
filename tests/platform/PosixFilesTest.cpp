#include "platform/Platform.h"
#include "platform/posix/PosixFiles.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "support/TestPrefix.h"

namespace quill::platform::posix {
namespace {

TEST(PosixFiles, TempFileNamesAreNewEmptyFilesNamedAsWindowsNamesThem) {
  test::TempDir dir;
  PosixFiles files;
  std::set<std::string> seen;
  for (const std::string prefix : {"OBR", "OBRX", "ab", "Gr\xc3\xbc\xc3\x9f"}) {
    for (int i = 0; i < 3; ++i) {
      const auto path = files.TempFileName(dir.text(), prefix);
      ASSERT_TRUE(path) << prefix;
      const std::filesystem::path file(*path);
      EXPECT_EQ(file.parent_path(), dir.path());
      const std::string start = prefix.rfind("OBR", 0) == 0 ? "OBR"
                                : prefix == "ab"            ? "ab"
                                                            : "Gr\xc3\xbc";
      EXPECT_TRUE(
          std::regex_match(file.filename().string(), std::regex(start + "[0-9A-F]{1,4}\\.tmp")))
          << file.filename();
      EXPECT_TRUE(std::filesystem::exists(file));
      EXPECT_EQ(std::filesystem::file_size(file), 0u);
      EXPECT_TRUE(seen.insert(*path).second) << "name given twice: " << *path;
    }
  }
  EXPECT_FALSE(files.TempFileName((dir.path() / "missing").string(), "OBR"));
}

// Whatever stands at a new file's name is taken away, never written through: the file a link
// points to keeps its bytes, and a folder at the name fails the creation.
TEST(PosixFiles, ANewFileIsNeverWrittenThroughWhatStandsAtItsName) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  const fs::path outside = dir.path() / "outside.txt", name = dir.path() / "new.partial";
  for (const std::string standing : {"nothing", "symbolic link", "dangling link", "hard link",
                                     "file", "folder"}) {
    test::WriteFile(outside, "outside");
    fs::remove_all(name);
    if (standing == "symbolic link") fs::create_symlink(outside, name);
    if (standing == "dangling link") fs::create_symlink(dir.path() / "gone.txt", name);
    if (standing == "hard link") fs::create_hard_link(outside, name);
    if (standing == "file") test::WriteFile(name, "old");
    if (standing == "folder") fs::create_directory(name);
    NewFile file;
    std::string error;
    const bool created = file.Create(name, error);
    EXPECT_EQ(created, standing != "folder") << standing << ": " << error;
    if (created) {
      EXPECT_TRUE(file.Write("new", 3) && file.Close()) << standing;
      EXPECT_EQ(test::ReadFile(name), "new") << standing;
      EXPECT_FALSE(fs::is_symlink(name)) << standing;
    }
    EXPECT_EQ(test::ReadFile(outside), "outside") << standing;
    EXPECT_FALSE(fs::exists(dir.path() / "gone.txt")) << standing;
  }
}

TEST(PosixFiles, ReadOnlyAttributeFollowsTheWriteBit) {
  test::TempDir dir;
  PosixFiles files;
  const std::string file = (dir.path() / "f.txt").string();
  test::WriteFile(file, "x");
  EXPECT_EQ(*files.GetAttributes(file), fileattr::kArchive);
  ASSERT_TRUE(files.SetAttributes(file, fileattr::kReadOnly));
  EXPECT_EQ(*files.GetAttributes(file), fileattr::kArchive | fileattr::kReadOnly);
  ASSERT_TRUE(files.SetAttributes(file, fileattr::kNormal));
  EXPECT_EQ(*files.GetAttributes(file), fileattr::kArchive);
  EXPECT_EQ(*files.GetAttributes(dir.text()), fileattr::kDirectory);
  test::WriteFile(dir.path() / ".hidden", "");
  EXPECT_EQ(*files.GetAttributes((dir.path() / ".hidden").string()),
            fileattr::kArchive | fileattr::kHidden);
  EXPECT_FALSE(files.GetAttributes((dir.path() / "missing").string()));
}

}  // namespace
}  // namespace quill::platform::posix

namespace quill::platform {
namespace {

TEST(ApplicationFolder, AFolderThatCannotBeWrittenGivesWayToTheUsersOwn) {
  test::TempDir dir;
  const std::string user = (dir.path() / "data" / "quillstow").string();
  EXPECT_EQ(ApplicationFolderFor(dir.text(), user), dir.text());
  EXPECT_FALSE(std::filesystem::exists(user));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "the test leaves nothing behind";
  // Nobody, root included, makes files in a process's folder of /proc.
  EXPECT_EQ(ApplicationFolderFor("/proc/1", user), user);
  EXPECT_TRUE(std::filesystem::is_directory(user));
}

}  // namespace
}  // namespace quill::platform
