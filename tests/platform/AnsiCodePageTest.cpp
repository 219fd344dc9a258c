// The code page the program's text passes through. A run under Wine may be told which code
// page its locale must give (QUILL_EXPECTED_CODE_PAGE), so that a pass meant for code page 932
// cannot quietly run under 1252.

#include "platform/AnsiCodePage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace quill::platform {
namespace {

std::uint32_t ExpectedCodePage() {
  if (const char* set = std::getenv("QUILL_EXPECTED_CODE_PAGE"); set != nullptr && *set != '\0')
    return static_cast<std::uint32_t>(std::strtoul(set, nullptr, 10));
#ifdef _WIN32
  return 0;  // the system's own, whichever it is
#else
  return 1252;  // a Wine prefix is always read as Windows-1252
#endif
}

TEST(AnsiCodePage, IsTheOneThisRunExpects) {
  const std::uint32_t expected = ExpectedCodePage();
  if (expected == 0) GTEST_SKIP() << "no code page expected; the system has " << AnsiCodePageId();
  EXPECT_EQ(AnsiCodePageId(), expected);
}

TEST(AnsiCodePage, TextsBecomeTheCodePagesBytesAndComeBack) {
  struct Case {
    std::string utf8;
    std::string ansi;
  };
  // 表 ends in 0x5C, the backslash, in code page 932.
  const std::map<std::uint32_t, std::vector<Case>> tables = {
      {1252,
       {{"Caf\xc3\xa9", "Caf\xe9"},
        {"\xe2\x82\xac 5", "\x80 5"},
        {"\xe6\x97\xa5\xe6\x9c\xac", "??"},
        {"C:\\x", "C:\\x"}}},
      {932,
       {{"Caf\xc3\xa9", "Caf?"},
        {"\xe6\x97\xa5\xe6\x9c\xac", "\x93\xfa\x96\x7b"},
        {"\xe8\xa1\xa8", "\x95\x5c"},
        {"\xef\xbd\xb1", "\xb1"},
        {"C:\\x", "C:\\x"}}},
  };
  const auto table = tables.find(AnsiCodePageId());
  if (table == tables.end()) GTEST_SKIP() << "no table for code page " << AnsiCodePageId();
  for (const auto& [utf8, ansi] : table->second) {
    EXPECT_EQ(Utf8ToAnsi(utf8), ansi) << utf8;
    if (ansi.find('?') == std::string::npos) {
      EXPECT_EQ(AnsiToUtf8(ansi), utf8) << utf8;
    }
  }
}

}  // namespace
}  // namespace quill::platform
