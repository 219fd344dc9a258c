#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/AnsiCodePage.h"
#include "support/TempDir.h"

namespace quill::platform {
namespace {

TEST(TextFile, AppendsCodePageLinesWithCrLf) {
  // Each code page's bytes for one line, and the line read back.
  struct Case {
    std::string bytes;
    std::string back;
  };
  const std::map<std::uint32_t, Case> pages = {
      {1252,
       {"Gr\xfc\xdf"
        "e \x80 ?",
        "Gr\xc3\xbc\xc3\x9f"
        "e \xe2\x82\xac ?"}},
      {932, {"Gr??e ? \x93\xfa", "Gr??e ? \xe6\x97\xa5"}},
  };
  const auto page = pages.find(AnsiCodePageId());
  if (page == pages.end()) GTEST_SKIP() << "no bytes known for code page " << AnsiCodePageId();
  test::TempDir dir;
  const std::string file = (dir.path() / "brlog.dat").string();
  EXPECT_TRUE(TextFile::AppendLine(file, "first"));
  EXPECT_TRUE(TextFile::AppendLine(file,
                                   "Gr\xc3\xbc\xc3\x9f"
                                   "e \xe2\x82\xac \xe6\x97\xa5"));
  EXPECT_EQ(test::ReadFile(file), "first\r\n" + page->second.bytes + "\r\n");
  const auto lines = TextFile::ReadLines(file);
  ASSERT_TRUE(lines);
  EXPECT_EQ(*lines, (std::vector<std::string>{"first", page->second.back}));
}

TEST(TextFile, ReadsLfAndCrLfLinesAndALastLineWithoutEnd) {
  test::TempDir dir;
  test::WriteFile(dir.path() / "t", "a\r\nb\n\r\nc");
  EXPECT_EQ(*TextFile::ReadLines((dir.path() / "t").string()),
            (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_FALSE(TextFile::ReadLines((dir.path() / "missing").string()));
}

TEST(TextFile, AppendFailsWhereTheLineCannotLand) {
  test::TempDir dir;
  EXPECT_FALSE(TextFile::AppendLine((dir.path() / "missing" / "log").string(), "x"));
  EXPECT_FALSE(TextFile::AppendLine(dir.text(), "x")) << "a folder";
#ifndef _WIN32
  EXPECT_FALSE(TextFile::AppendLine("/dev/full", "x")) << "a full disk";
#endif
}

}  // namespace
}  // namespace quill::platform
