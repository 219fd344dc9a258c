#include "backup/BackupFileWriter.h"

#include <gtest/gtest.h>

#include "archive/Descriptor.h"
#include "platform/posix/PosixFiles.h"
#include "support/TestPrefix.h"

namespace quill::backup {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class BackupFileWriterTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  platform::posix::PosixFiles files;
  ZipComponent zip;
  std::string descriptor = (dir.path() / "stowinfo.dat").string();
  std::string target = (dir.path() / "anna.wlm").string();
  BackupFileWriter writer{zip, files, descriptor};
  DescriptorHead head{"PC", "anna", "12/8/2026 2:05:33 AM", "before\r\nafter"};
};

TEST_F(BackupFileWriterTest, AContactsOnlyBackupHoldsItsLinesInOrderAndTheDescriptorLast) {
  WriteFile(descriptor, "left over from an earlier run\r\n");
  ASSERT_TRUE(writer.Begin(target, head));
  // What the contacts routine does: its inner archive, then its item key.
  WriteFile(dir.path() / "contacts" / "{A}.zip", "inner");
  ASSERT_TRUE(zip.AppendFiles((dir.path() / "contacts" / "{A}.zip").string()));
  ASSERT_TRUE(SaveINI("BackupContacts", "{A}.zip", descriptor));
  std::array<bool, kItemCount> flags{};
  flags[5] = true;
  ASSERT_TRUE(writer.Finish(flags, "pw"));
  EXPECT_FALSE(fs::exists(descriptor)) << "the working descriptor is removed";

  ZipComponent reader;
  ASSERT_TRUE(reader.OpenZip(target));
  ASSERT_EQ(reader.entries().size(), 2u);
  EXPECT_EQ(reader.entries()[0].name, "{A}.zip");
  EXPECT_EQ(reader.entries()[1].name, "stowinfo.dat");
  EXPECT_TRUE(reader.entries()[1].encrypted);
  reader.SetDecryptPassword("pw");
  ASSERT_TRUE(reader.ExtractEntry(*reader.FindEntry("stowinfo.dat"), (dir.path() / "x").string()));
  EXPECT_EQ(ReadFile(dir.path() / "x" / "stowinfo.dat"),
            "BackupComputer=PC\r\nBackupLogonUser=anna\r\nBackupTime=12/8/2026 2:05:33 AM\r\n"
            "BackupInformation=beforePS$QVTafter\r\nBackupContacts={A}.zip\r\n"
            "BackupItem=00000100000\r\n");
}

TEST_F(BackupFileWriterTest, AFailedWriteKeepsTheOlderBackup) {
  WriteFile(target, "the backup from last week");
  ASSERT_TRUE(writer.Begin(target, head));
  ASSERT_TRUE(zip.AppendFiles("/proc/self/status"));  // changes size while it is read
  EXPECT_FALSE(writer.Finish({}, ""));
  EXPECT_EQ(ReadFile(target), "the backup from last week");
  EXPECT_FALSE(fs::exists(descriptor));
}

}  // namespace
}  // namespace quill::backup
