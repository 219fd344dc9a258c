#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include "platform/AnsiCodePage.h"
#include "support/TempDir.h"

namespace quill::platform {
namespace {

TEST(TextFile, AppendsCodePageLinesWithCrLf) {
  test::TempDir dir;
  const std::string file = (dir.path() / "brlog.dat").string();
  EXPECT_TRUE(TextFile::AppendLine(file, "first"));
  const std::string line =
      "Gr\xc3\xbc\xc3\x9f"
      "e \xe2\x82\xac \xe6\x97\xa5";
  EXPECT_TRUE(TextFile::AppendLine(file, line));
  // The bytes of the code page (AnsiCodePageTest pins them for 1252 and 932), not UTF-8.
  const std::string ansi = AnsiCodePageId() == 1252 ? "Gr\xfc\xdf"
                                                      "e \x80 ?"
                                                    : Utf8ToAnsi(line);
  EXPECT_NE(ansi, line);
  EXPECT_EQ(test::ReadFile(file), "first\r\n" + ansi + "\r\n");
  const auto lines = TextFile::ReadLines(file);
  ASSERT_TRUE(lines);
  EXPECT_EQ(*lines, (std::vector<std::string>{"first", AnsiRoundTrip(line)}));
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
