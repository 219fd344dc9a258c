#include "automation/UnattendedCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/CommandLine.h"

namespace quill::automation {
namespace {

TEST(UnattendedCommandLine, SplitsTheFieldsByPosition) {
  struct Case {
    std::string line;
    std::optional<UnattendedCommand> command;
  };
  const std::vector<Case> cases = {
      {"sf=annaxm=11111111111ps=secretbf=D:\\Backups\\a.wlm",
       UnattendedCommand{"anna", "11111111111", "secret", "D:\\Backups\\a.wlm"}},
      {"sf=annaxm=11111111111ps=bf=/b/a.wlm",
       UnattendedCommand{"anna", "11111111111", "", "/b/a.wlm"}},
      // The names are not compared, only counted.
      {"ab=annacd=101ef=pwgh=/x.wlm", UnattendedCommand{"anna", "101", "pw", "/x.wlm"}},
      // A password holding "=" shifts the fields: the file is read from the wrong piece.
      {"sf=annaxm=1ps=a=bbf=/x.wlm", UnattendedCommand{"anna", "1", "", "b"}},
      {"sf=annaxm=111ps=pw", std::nullopt},      // three "=": nothing at all
      {"=annaxm=1ps=bf=/x.wlm", std::nullopt},   // no first field
      {"sf=annaxm=ps=bf=/x.wlm", std::nullopt},  // no mask
      {"sf=annaxm=1ps=bf=", std::nullopt},       // no file
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseUnattendedCommandLine(c.line);
    ASSERT_EQ(parsed.has_value(), c.command.has_value()) << c.line;
    if (!parsed) continue;
    EXPECT_EQ(parsed->user, c.command->user) << c.line;
    EXPECT_EQ(parsed->mask, c.command->mask) << c.line;
    EXPECT_EQ(parsed->password, c.command->password) << c.line;
    EXPECT_EQ(parsed->file, c.command->file) << c.line;
  }
}

TEST(UnattendedCommandLine, ThePathOfTheProgramAndQuotesAroundTheWholeAreCutOff) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\"C:\\Program Files\\quillstow\\quillstow.exe\" sf=axm=1ps=bf=x.wlm",
       "sf=axm=1ps=bf=x.wlm"},
      {"quillstow.exe sf=axm=1ps=bf=x.wlm", "sf=axm=1ps=bf=x.wlm"},
      {"\"C:\\quillstow.exe\"", ""},
      {"quillstow.exe", ""},
      // One argument quoted whole, as a script passes a path with blanks; a quote inside
      // stays.
      {"quillstow.exe \"sf=axm=1ps=bf=C:\\Sicherung Jos\xc3\xa9\\x.wlm\"  ",
       "sf=axm=1ps=bf=C:\\Sicherung Jos\xc3\xa9\\x.wlm"},
      {"quillstow.exe sf=axm=1ps=\"a\"bf=x.wlm", "sf=axm=1ps=\"a\"bf=x.wlm"},
      {"quillstow.exe \"sf=axm=1ps=\"a\"bf=x.wlm\"", "\"sf=axm=1ps=\"a\"bf=x.wlm\""},
  };
  for (const auto& [raw, rest] : cases) EXPECT_EQ(platform::ArgumentsOf(raw), rest) << raw;
}

TEST(UnattendedCommandLine, TheDatedNameCarriesDateAndTime) {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 11;
  when.tm_mday = 7;
  when.tm_hour = 4;
  when.tm_min = 31;
  EXPECT_EQ(DatedBackupName("D:\\Backups\\livemailbak-anna.wlm", when),
            "D:\\Backups\\livemailbak-anna-12-07-2026-04-31.wlm");
  when.tm_hour = 16;
  when.tm_min = 5;
  EXPECT_EQ(DatedBackupName("/b/x.wlm", when), "/b/x-12-07-2026-16-05.wlm");
}

}  // namespace
}  // namespace quill::automation
