// The archive component in the Windows build: libarchive as built for Windows must write and
// read password-protected ZIP files (traditional encryption, deflate), and paths and names
// outside the ANSI code page must reach the disk and the archive as they are.

#include <gtest/gtest.h>

#include <map>

#include "archive/ArchiveReader.h"
#include "archive/ArchiveWriter.h"
#include "platform/AnsiCodePage.h"
#include "platform/Files.h"
#include "support/ForeignZip.h"
#include "support/TempDir.h"

namespace quill::archive {
namespace {
namespace fs = std::filesystem;
using platform::HostPath;
using platform::PathText;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Neither code page 1252 nor 932 holds all of these.
const std::string kJose = "Jos\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xd0\x96";
const std::string kPassword = "p\xc3\xbc pass \xe6\x97\xa5";

using test::Tree;

TEST(ArchiveWindowsTest, ProtectedArchiveUnderANonAnsiFolderComesBackByteForByte) {
  TempDir dir;
  const fs::path home = dir.path() / HostPath(kJose);
  const fs::path store = home / "store";
  WriteFile(store / "Inbox" / HostPath(kJose + ".eml"), "Subject: x\r\n\r\nbody\r\n");
  WriteFile(store / "Inbox" / "big.bin", test::RandomBytes(300000, 1));
  WriteFile(store / "text.txt", std::string(100000, 'a'));  // deflates to almost nothing
  WriteFile(store / "empty.eml", "");
  fs::create_directories(store / "Drafts");
  const std::string target = PathText(home / "backup.zip");

  ArchiveWriter writer(target);
  ASSERT_TRUE(writer.AddFolderContents(PathText(store))) << writer.error();
  ASSERT_TRUE(writer.Write(kPassword)) << writer.error();
  ASSERT_TRUE(fs::is_regular_file(HostPath(target)));
  EXPECT_LT(fs::file_size(HostPath(target)), 300000u + 20000u) << "the text was not deflated";
  EXPECT_TRUE(ArchiveReader::IsPasswordProtected(target));

  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(target)) << reader.error();
  ASSERT_NE(reader.Find("Inbox/" + kJose + ".eml"), nullptr) << "names are kept in UTF-8";
  EXPECT_TRUE(reader.Find("Inbox/" + kJose + ".eml")->encrypted);
  reader.SetPassword("p\xc3\xbc pass");
  EXPECT_FALSE(reader.CheckPassword());
  reader.SetPassword(kPassword);
  EXPECT_TRUE(reader.CheckPassword());
  const fs::path out = home / "out";
  const ReadStatus unpacked = reader.ExtractAll(PathText(out));
  ASSERT_TRUE(unpacked) << unpacked.error;
  EXPECT_EQ(Tree(out), Tree(store));
}

// Names and passwords the code page holds ("Grüße" in 1252, "日本語" in 932) are stored in its
// bytes, as the Windows programs of the mail client's era store and read them; and a file such a
// program wrote opens and unpacks whole.
TEST(ArchiveWindowsTest, NamesAndPasswordsInTheCodePageBothWays) {
  const std::string word = platform::AnsiCodePageId() == 932
                               ? "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"
                               : "Gr\xc3\xbc\xc3\x9f"
                                 "e";
  const std::string password = word + "!";
  TempDir dir;
  const fs::path store = dir.path() / "store";
  WriteFile(store / HostPath(word) / HostPath(word + ".htm"), "<p>" + word + "</p>");
  const std::string plain = PathText(dir.path() / "plain.zip");
  ArchiveWriter unprotected(plain);
  ASSERT_TRUE(unprotected.AddFolderContents(PathText(store)) && unprotected.Write(""));
  const std::string ours = PathText(dir.path() / "ours.zip");
  ArchiveWriter writer(ours);
  ASSERT_TRUE(writer.AddFolderContents(PathText(store)) && writer.Write(password));
  const std::string bytes = ReadFile(HostPath(ours));
  EXPECT_NE(bytes.find(platform::Utf8ToAnsi(word + "/" + word + ".htm")), std::string::npos);
  EXPECT_EQ(bytes.find(word + ".htm"), std::string::npos) << "no UTF-8 name";

  const std::string foreign = PathText(dir.path() / "foreign.zip");
  ASSERT_TRUE(test::CopyAsWindowsProgram(plain, foreign, password));
  for (const std::string& file : {ours, foreign}) {
    SCOPED_TRACE(file);
    ArchiveReader reader;
    ASSERT_TRUE(reader.Open(file)) << reader.error();
    ASSERT_NE(reader.Find(word + "/" + word + ".htm"), nullptr);
    reader.SetPassword(password);
    ASSERT_TRUE(reader.CheckPassword());
    const fs::path out = dir.path() / ("out-" + fs::path(HostPath(file)).stem().string());
    ASSERT_TRUE(reader.ExtractAll(PathText(out)));
    EXPECT_EQ(Tree(out), Tree(store));
  }
}

}  // namespace
}  // namespace quill::archive
