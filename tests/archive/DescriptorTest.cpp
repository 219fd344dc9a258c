#include "archive/Descriptor.h"

#include <gtest/gtest.h>

#include "platform/AnsiCodePage.h"

namespace quill::archive {
namespace {

TEST(Descriptor, ItsBytesHoldTheLinesInTheWritingOrderInTheCodePage) {
  Descriptor descriptor;
  descriptor.computer = "PC";
  descriptor.user = "J\xc3\xb6rg";  // "Jörg"
  descriptor.time = "12/8/2026 2:05:33 AM";
  descriptor.information = "before\r\nafter";
  descriptor.entries[core::IndexOf(core::Item::Contacts)] = {"{A}.zip", "{B}.zip"};
  descriptor.entries[core::IndexOf(core::Item::MailRules)] = {"OBR1A.tmp"};
  descriptor.flags = "01000100000";
  // Code page 932 lacks the "ö": a UTF-8 line follows.
  const std::string userUtf8Line = platform::AnsiRoundTrip(descriptor.user) == descriptor.user
                                       ? ""
                                       : "BackupLogonUserUTF8=J%C3%B6rg\r\n";
  EXPECT_EQ(descriptor.Serialize(),
            "BackupComputer=PC\r\nBackupLogonUser=" + platform::Utf8ToAnsi("J\xc3\xb6rg") + "\r\n" +
                userUtf8Line +
                "BackupTime=12/8/2026 2:05:33 AM\r\nBackupInformation=beforePS$QVTafter\r\n"
                "BackupmailRules=OBR1A.tmp\r\nBackupContacts={A}.zip;{B}.zip\r\n"
                "BackupItem=01000100000\r\n");
  const Descriptor read = Descriptor::Parse(descriptor.Serialize());
  EXPECT_EQ(read.user, "J\xc3\xb6rg");
  EXPECT_EQ(read.information, "before\r\nafter");
  EXPECT_EQ(read.entries, descriptor.entries);
  EXPECT_EQ(read.flags, descriptor.flags);
}

TEST(Descriptor, AValueTheCodePageLacksComesBackWholeAndTheFlagsStayLast) {
  // Arabic is in neither code page 1252 nor 932; "Café" is in 1252 only.
  const std::string arabic = "\xd8\xa8\xd8\xb1\xd9\x8a\xd8\xaf";
  Descriptor descriptor;
  descriptor.user = arabic;
  descriptor.information = "Caf\xc3\xa9 100%\r\n" + arabic;
  descriptor.entries[0] = {arabic + ".zip", "Caf\xc3\xa9.zip", "plain.zip"};
  descriptor.entries[8] = {"a.htm"};
  descriptor.flags = "10000000100";
  const std::string bytes = descriptor.Serialize();
  const Descriptor read = Descriptor::Parse(bytes);
  EXPECT_EQ(read.user, descriptor.user);
  EXPECT_EQ(read.information, descriptor.information);
  EXPECT_EQ(read.entries, descriptor.entries);
  // The code-page lines are there as before, each followed by its UTF-8 line where needed;
  // the flags are the last line.
  const std::string mailLine =
      "Backupmailaccountsandmessages=" + platform::Utf8ToAnsi(JoinEntryNames(read.entries[0]));
  EXPECT_NE(bytes.find("\r\n" + mailLine +
                       "\r\nBackupmailaccountsandmessagesUTF8=%D8%A8%D8%B1%D9%8A%D8%AF.zip;Caf"),
            std::string::npos)
      << bytes;
  EXPECT_NE(bytes.find("BackupInformationUTF8="), std::string::npos);
  EXPECT_EQ(bytes.find("BackupStationeriesUTF8"), std::string::npos) << "ASCII needs none";
  EXPECT_TRUE(bytes.ends_with("\r\nBackupItem=10000000100\r\n"));
  // A line a hand or another program damaged is passed by: the code-page line is read.
  const Descriptor damaged = Descriptor::Parse(
      "Backupmailaccountsandmessages=x.zip\r\nBackupmailaccountsandmessagesUTF8=%G1\r\n");
  EXPECT_EQ(damaged.entries[0], std::vector<std::string>{"x.zip"});
}

TEST(Descriptor, KeysAreFoundByTheReadingRules) {
  const DescriptorLines lines(
      "garbage line\r\nBackupnewsRules=OBR1A.tmp\r\nBackupInformation=a=b=c\r\n"
      "BackupnewsRules=second\r\n Padded=x\nBackupComputer=PC\r\n\r\nBackupLogonUser=anna\r\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"BackupNewsRules", "OBR1A.tmp"},  // letter case does not count; the first line wins
      {"BACKUPINFORMATION", "a=b=c"},    // further "=" belong to the value
      {"Padded", ""},                    // no trimming
      {" Padded", "x"},
      {"BackupComputer", "PC"},  // LF alone ends a line too
      {"BackupLogonUser", ""},   // reading stops at the first empty line
      {"Missing", ""},
  };
  for (const auto& [key, value] : cases) EXPECT_EQ(lines.Value(key), value) << key;
  EXPECT_EQ(lines.Count("backupnewsrules"), 2u);
  EXPECT_EQ(lines.Count("BackupLogonUser"), 0u);
}

TEST(Descriptor, DescriptionsAndEntryListsKeepTheirShape) {
  EXPECT_EQ(EncodeDescription("a\r\nb"), "aPS$QVTb");
  EXPECT_EQ(DecodeDescription("aPS$QVTb"), "a\r\nb");
  EXPECT_EQ(DecodeDescription(EncodeDescription("x = y\r\n\r\nz")), "x = y\r\n\r\nz");
  EXPECT_EQ(JoinEntryNames({"A.zip", "B.zip"}), "A.zip;B.zip");
  EXPECT_EQ(JoinEntryNames({"only.zip"}), "only.zip");
  EXPECT_EQ(SplitEntryNames(" A.zip ; B.zip;;"), (std::vector<std::string>{"A.zip", "B.zip"}));
}

TEST(Descriptor, ReadsWhatABackupHolds) {
  const Descriptor read = Descriptor::Parse(
      "BackupComputer=PC\r\nBackupLogonUser=anna\r\nBackupTime=12/8/2026 2:05:33 AM\r\n"
      "BackupInformation=lineAPS$QVTlineB\r\n"
      "Backupmailaccountsandmessages=anna@example.com.zip;WindowsMail.MSMessageStore\r\n"
      "BackupmailRules= OBR1F.tmp \r\nBackupStationeries=a.htm; b c.htm\r\n"
      "BackupItem= 11000000100 \r\n");
  EXPECT_EQ(read.computer, "PC");
  EXPECT_EQ(read.user, "anna");
  EXPECT_EQ(read.time, "12/8/2026 2:05:33 AM");
  EXPECT_EQ(read.information, "lineA\r\nlineB");
  ASSERT_TRUE(read.valid());
  EXPECT_TRUE(read.Holds(0));
  EXPECT_TRUE(read.Holds(8));
  EXPECT_FALSE(read.Holds(2));
  EXPECT_EQ(read.entries[0],
            (std::vector<std::string>{"anna@example.com.zip", "WindowsMail.MSMessageStore"}));
  EXPECT_EQ(read.entries[1], std::vector<std::string>{"OBR1F.tmp"});
  EXPECT_EQ(read.entries[8], (std::vector<std::string>{"a.htm", "b c.htm"}));

  for (const std::string flags : {"1100000010", "110000001000", ""})
    EXPECT_FALSE(Descriptor::Parse("BackupItem=" + flags + "\r\n").valid()) << flags;
}

}  // namespace
}  // namespace quill::archive
