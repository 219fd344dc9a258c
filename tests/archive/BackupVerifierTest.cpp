#include "archive/BackupVerifier.h"

#include <archive.h>
#include <archive_entry.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>

#include "archive/ArchiveReader.h"
#include "archive/ArchiveWriter.h"
#include "support/BackupSetup.h"

namespace quill::archive {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

std::string Garbage(std::size_t size) {
  std::mt19937 random(7);
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(random() & 0xff);
  return data;
}

std::size_t Word(const std::string& bytes, std::size_t at) {
  return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Edits the bytes of an archive at the local header of the entry name: change gets the
// archive's bytes and the header's offset.
void EditAtLocalHeader(const fs::path& archive, const std::string& name,
                       const std::function<void(std::string&, std::size_t)>& change) {
  std::string bytes = ReadFile(archive);
  for (std::size_t at = bytes.find("PK\x03\x04"); at != std::string::npos;
       at = bytes.find("PK\x03\x04", at + 4)) {
    if (bytes.compare(at + 30, Word(bytes, at + 26), name) != 0) continue;
    change(bytes, at);
    WriteFile(archive, bytes);
    return;
  }
  FAIL() << "no local header for " << name;
}

// Flips one bit of an entry's data, past the encryption header.
void FlipByteOfEntry(const fs::path& archive, const std::string& name) {
  EditAtLocalHeader(archive, name, [](std::string& bytes, std::size_t at) {
    bytes[at + 30 + Word(bytes, at + 26) + Word(bytes, at + 28) + 40] ^= 0x01;
  });
}

// Sets the size an entry's local header gives, the one a reader goes by.
void SetListedSize(const fs::path& archive, const std::string& name, std::uint32_t size) {
  EditAtLocalHeader(archive, name, [size](std::string& bytes, std::size_t at) {
    for (int i = 0; i < 4; ++i) bytes[at + 22 + i] = static_cast<char>((size >> (8 * i)) & 0xff);
  });
}

// An archive holding one file under an unsafe name, written past the archive component.
void WriteArchiveWithEntry(const fs::path& file, const std::string& name) {
  ::archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_open_filename(writer, file.c_str());
  archive_entry* entry = archive_entry_new();
  archive_entry_set_pathname(entry, name.c_str());
  archive_entry_set_filetype(entry, AE_IFREG);
  archive_entry_set_perm(entry, 0644);
  archive_entry_set_size(entry, 5);
  archive_write_header(writer, entry);
  archive_write_data(writer, "hello", 5);
  archive_entry_free(entry);
  archive_write_close(writer);
  archive_write_free(writer);
}

class BackupVerifierTest : public ::testing::Test {
 public:
  test::BackupSetup setup;
  fs::path scratch = setup.root() / "scratch";

  void SetUp() override { fs::create_directories(scratch); }

  std::string Backup(const std::string& password, core::ItemSet items = All()) {
    const std::string target = setup.Target(password.empty() ? "plain.wlm" : "protected.wlm");
    const backup::BackupOutcome outcome =
        setup.engine().Run({items, target, password, "", "anna", false}, {});
    EXPECT_TRUE(outcome.written) << outcome.error;
    return target;
  }

  static core::ItemSet All() {
    core::ItemSet items;
    items.fill(true);
    return items;
  }

  // The backup written anew from its unpacked entries, after edit has changed the files or
  // the order of the entries.
  using Edit = std::function<void(const fs::path& folder, std::vector<std::string>& order)>;
  std::string Rebuild(const std::string& source, const std::string& password, const Edit& edit) {
    const fs::path folder = setup.root() / "unpacked";
    fs::remove_all(folder);
    ArchiveReader zip;
    EXPECT_TRUE(zip.Open(source));
    zip.SetPassword(password);
    const ReadStatus unzipped = zip.ExtractAll(folder.string());
    EXPECT_TRUE(unzipped) << unzipped.error;
    std::vector<std::string> order;
    for (const EntryInfo& entry : zip.entries()) order.push_back(entry.name);
    edit(folder, order);
    const std::string target = setup.Target("rebuilt.wlm");
    ArchiveWriter out(target);
    for (const std::string& name : order) EXPECT_TRUE(out.AddFile((folder / name).string()));
    EXPECT_TRUE(out.Write(password)) << out.error();
    return target;
  }

  VerifyReport Verify(const std::string& path, const std::string& password) {
    const VerifyReport report = VerifyBackupFile(path, password, {scratch.string()});
    EXPECT_TRUE(fs::is_empty(scratch)) << "the check leaves nothing behind";
    return report;
  }
};

TEST_F(BackupVerifierTest, AGoodBackupVerifiesClean) {
  struct Case {
    std::string password;
    bool onlyAccounts;  // the message store then rides with the mail accounts
    std::size_t entries, innerArchives, registryFiles;
  };
  for (const Case& c : {Case{"", false, 26, 9, 5}, Case{"s\xc3\xa9same", false, 26, 9, 5},
                        Case{"pw", true, 6, 4, 0}}) {
    core::ItemSet items{};
    items[0] = true;
    const std::string path = Backup(c.password, c.onlyAccounts ? items : All());
    const std::string before = ReadFile(path);
    const VerifyReport report = Verify(path, c.password);
    EXPECT_TRUE(report.ok) << report.Text();
    EXPECT_TRUE(report.problems.empty());
    EXPECT_TRUE(report.warnings.empty()) << report.Text();
    EXPECT_EQ(report.summary.entries, c.entries);
    EXPECT_EQ(report.summary.innerArchives, c.innerArchives);
    EXPECT_EQ(report.summary.registryFiles, c.registryFiles);
    EXPECT_GT(report.summary.innerEntries, c.innerArchives);
    // The inner archives hold every byte of the folders they were made of.
    std::uint64_t folderBytes = 0;
    const auto addFolder = [&](const fs::path& folder) {
      for (const auto& item : fs::recursive_directory_iterator(folder))
        if (item.is_regular_file()) folderBytes += item.file_size();
    };
    const std::set<std::string> leftOut = {"Backup", "Your Feeds", "Calendars", "Sentinel"};
    for (const auto& item : fs::directory_iterator(setup.mailStore()))
      if (item.is_directory() && leftOut.count(item.path().filename().string()) == 0)
        addFolder(item.path());
    if (!c.onlyAccounts) {
      addFolder(setup.mailStore() / "Calendars");
      addFolder(setup.profile() / "AppData" / "Local" / "Microsoft" / "Windows Live Contacts");
    }
    EXPECT_EQ(report.summary.innerBytes, folderBytes);
    ArchiveReader zip;
    ASSERT_TRUE(zip.Open(path));
    std::uint64_t bytes = 0;
    for (const EntryInfo& entry : zip.entries()) bytes += entry.size;
    EXPECT_EQ(report.summary.bytes, bytes);
    EXPECT_EQ(ReadFile(path), before) << "verifying never changes the file";
    EXPECT_EQ(report.Text().rfind("The backup file reads whole", 0), 0u);
  }
}

TEST_F(BackupVerifierTest, DamageIsReportedAgainstTheEntryItHits) {
  struct Case {
    const char* what;
    std::string password;  // of the backup
    std::function<std::string(BackupVerifierTest&, const std::string& backup)> damage;
    std::string tried;  // the password the check is given
    std::string entry;  // "" for the file as a whole
    std::string says;
  };
  const auto rebuilt = [](const std::string& password, Edit edit) {
    return [password, edit](BackupVerifierTest& t, const std::string& backup) {
      return t.Rebuild(backup, password, edit);
    };
  };
  const auto descriptor = [](const std::string& from, const std::string& to) {
    return [from, to](const fs::path& folder, std::vector<std::string>&) {
      WriteFile(folder / "stowinfo.dat", Replace(ReadFile(folder / "stowinfo.dat"), from, to));
    };
  };
  const auto drop = [](const std::string& name) {
    return [name](const fs::path&, std::vector<std::string>& order) {
      order.erase(std::find(order.begin(), order.end(), name));
    };
  };
  const auto flip = [](const std::string& name) {
    return [name](BackupVerifierTest&, const std::string& backup) {
      FlipByteOfEntry(backup, name);
      return backup;
    };
  };
  const auto rulesFile = [](const std::string& text) {
    return [text](const fs::path& folder, std::vector<std::string>& order) {
      WriteFile(folder / order[4], text);
    };
  };
  const std::string all = "BackupItem=11111111111";
  const std::vector<Case> cases = {
      {"a flipped byte in an inner archive", "", flip("Hotmail (bob).zip"), "", "Hotmail (bob).zip",
       "does not read cleanly"},
      {"a flipped byte in a protected inner archive", "pw", flip("Anna's calendar.zip"), "pw",
       "Anna's calendar.zip", "does not read cleanly"},
      {"a flipped byte in a plain file", "pw", flip("Mail.MSMessageStore"), "pw",
       "Mail.MSMessageStore", "does not read cleanly"},
      {"a cut-short file", "",
       [](BackupVerifierTest&, const std::string& backup) {
         const std::string bytes = ReadFile(backup);
         WriteFile(backup, bytes.substr(0, bytes.size() * 2 / 3));
         return backup;
       },
       "", "", "plain.wlm cannot be read as a ZIP archive: it is cut short"},
      {"a wrong password", "pw", [](BackupVerifierTest&, const std::string& b) { return b; },
       "wrong", "", "The password does not fit protected.wlm"},
      {"no password", "pw", [](BackupVerifierTest&, const std::string& b) { return b; }, "", "",
       "protected.wlm is password-protected"},
      {"a 10-character BackupItem", "pw", rebuilt("pw", descriptor(all, "BackupItem=1111111111")),
       "pw", "stowinfo.dat", "\"1111111111\", 10 characters instead of 11"},
      {"a list naming a missing inner archive", "", rebuilt("", drop("news.example.org.zip")), "",
       "news.example.org.zip", "named by Backupmailaccountsandmessages in stowinfo.dat, is not"},
      {"a list naming a missing plain file", "pw", rebuilt("pw", drop("Autumn.jpg")), "pw",
       "Autumn.jpg", "named by BackupStationeries"},
      {"an inner archive replaced by garbage", "",
       rebuilt("",
               [](const fs::path& folder, std::vector<std::string>&) {
                 WriteFile(folder / "Birthday calendar.zip", Garbage(5000));
               }),
       "", "Birthday calendar.zip", "\"Birthday calendar.zip\" is not a ZIP archive"},
      {"a damaged entry inside an inner archive", "pw",
       rebuilt("pw",
               [](const fs::path& folder, std::vector<std::string>&) {
                 const fs::path inner = folder / "Hotmail (bob).zip";
                 ArchiveReader zip;
                 ASSERT_TRUE(zip.Open(inner.string()));
                 for (const EntryInfo& entry : zip.entries())
                   if (entry.size > 1000) return FlipByteOfEntry(inner, entry.name);
                 FAIL() << "no entry to damage";
               }),
       "pw", "Hotmail (bob).zip", "\"Hotmail (bob).zip\": its entry "},
      {"an inner entry that climbs out of its folder", "",
       rebuilt("",
               [](const fs::path& folder, std::vector<std::string>&) {
                 WriteArchiveWithEntry(folder / "anna@example.com.zip", "../escape.txt");
               }),
       "", "anna@example.com.zip", "\"../escape.txt\" is not a plain file or folder"},
      {"a missing descriptor", "pw", rebuilt("pw", drop("stowinfo.dat")), "pw", "stowinfo.dat",
       "The descriptor stowinfo.dat is missing"},
      {"a descriptor that is not the last entry", "",
       rebuilt("",
               [](const fs::path&, std::vector<std::string>& order) {
                 std::rotate(order.begin(), order.end() - 1, order.end());
               }),
       "", "stowinfo.dat", "is entry 1 of 26, not the last one"},
      {"a key for an item marked absent", "",
       rebuilt("", descriptor(all, "BackupItem=11111011111")), "", "stowinfo.dat",
       "BackupContacts is in stowinfo.dat although BackupItem marks"},
      {"an item marked present without a key", "",
       rebuilt("", descriptor("BackupContacts=", "ZBackupContacts=")), "", "stowinfo.dat",
       "marks the item BackupContacts as backed up, but stowinfo.dat names no entries"},
      {"a registry file that is not registry text", "pw",
       rebuilt("pw", rulesFile("Rules\r\n\"Flags\"= dw:1\r\n")), "pw", "<rules>",
       "at line 1: it does not begin with the key's header line"},
      {"a registry value that does not parse", "",
       rebuilt("", rulesFile("\\\r\n\"Flags\"= dw:1\r\n\\000\r\n\"Data\"=bin:1,256\r\n")), "",
       "<rules>", "at line 4: \"256\" is not a byte value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string backup = Backup(c.password);
    ArchiveReader zip;
    ASSERT_TRUE(zip.Open(backup));
    const std::string rules = zip.entries()[4].name;
    const std::string damaged = c.damage(*this, backup);
    const VerifyReport report = Verify(damaged, c.tried);
    EXPECT_FALSE(report.ok);
    const std::string entry = c.entry == "<rules>" ? rules : c.entry;
    const auto hit = std::find_if(
        report.problems.begin(), report.problems.end(), [&](const VerifyFinding& finding) {
          return finding.entry == entry && finding.message.find(c.says) != std::string::npos &&
                 finding.message.find(entry) != std::string::npos;
        });
    EXPECT_NE(hit, report.problems.end()) << report.Text();
    // Nothing but the damage is reported: every problem names the same entry.
    for (const VerifyFinding& finding : report.problems)
      EXPECT_EQ(finding.entry, entry) << finding.message;
  }
}

TEST_F(BackupVerifierTest, WhatARestoreWouldMerelyPassByIsAWarning) {
  struct Case {
    const char* what;
    Edit edit;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"an entry no item names",
       [](const fs::path& folder, std::vector<std::string>& order) {
         WriteFile(folder / "notes.txt", "left here");
         order.insert(order.end() - 1, "notes.txt");
       },
       "\"notes.txt\" is not named by any item"},
      {"a registry value of an unknown type",
       [](const fs::path& folder, std::vector<std::string>& order) {
         WriteFile(folder / order[4], "\\\r\n\"Old\"=qwd:17\r\n");
       },
       "line 2 holds a value of a type a restore does not know"},
      {"registry lines after an empty line",
       [](const fs::path& folder, std::vector<std::string>& order) {
         WriteFile(folder / order[4], "\\\r\n\r\n\\000\r\n");
       },
       "the lines from line 3 on follow an empty line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const VerifyReport report = Verify(Rebuild(Backup("pw"), "pw", c.edit), "pw");
    EXPECT_TRUE(report.ok) << report.Text();
    ASSERT_EQ(report.warnings.size(), 1u) << report.Text();
    EXPECT_NE(report.warnings[0].message.find(c.says), std::string::npos)
        << report.warnings[0].message;
  }
}

TEST_F(BackupVerifierTest, TwoItemsGivingOneEntryNameAreFlagged) {
  // A mail folder named like a contacts folder: both items add an entry of that name.
  const std::string shared = "{8F3B2E1A-6C5D-4E7F-9A0B-1C2D3E4F5A6B}";
  WriteFile(setup.mailStore() / shared / "x.eml", "Subject: x\r\n");
  const VerifyReport report = Verify(Backup(""), "");
  EXPECT_TRUE(report.ok) << report.Text();
  ASSERT_EQ(report.warnings.size(), 1u) << report.Text();
  EXPECT_EQ(report.warnings[0].entry, shared + ".zip");
  EXPECT_NE(report.warnings[0].message.find("2 times; a restore reads only the first"),
            std::string::npos);
}

TEST(ArchiveReaderTestAll, EachEntryThatDoesNotReadWholeIsNamedAndTheRestAreRead) {
  struct Case {
    const char* what;
    std::string password;
    std::function<void(const fs::path&)> damage;
    std::vector<std::string> named;
  };
  const std::vector<Case> cases = {
      {"nothing wrong", "pw", [](const fs::path&) {}, {}},
      {"a listed size one byte too large",
       "",
       [](const fs::path& file) { SetListedSize(file, "one.txt", 5001); },
       {"one.txt"}},
      {"a stored entry listed one byte short",
       "pw",
       [](const fs::path& file) { SetListedSize(file, "three.zip", 2999); },
       {"three.zip"}},
      {"damaged compressed data",
       "",
       [](const fs::path& file) { FlipByteOfEntry(file, "one.txt"); },
       {"one.txt"}},
      {"two damaged entries",
       "pw",
       [](const fs::path& file) {
         FlipByteOfEntry(file, "one.txt");
         FlipByteOfEntry(file, "three.zip");
       },
       {"one.txt", "three.zip"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    std::string letters = Garbage(5000);
    for (char& c : letters) c = static_cast<char>('a' + static_cast<unsigned char>(c) % 26);
    WriteFile(dir.path() / "one.txt", letters);
    WriteFile(dir.path() / "two.bin", Garbage(4000));
    WriteFile(dir.path() / "three.zip", Garbage(3000));
    const fs::path file = dir.path() / "test.zip";
    ArchiveWriter writer(file.string());
    for (const char* name : {"one.txt", "two.bin", "three.zip"})
      ASSERT_TRUE(writer.AddFile((dir.path() / name).string()));
    ASSERT_TRUE(writer.Write(c.password));
    c.damage(file);

    ArchiveReader zip;
    ASSERT_TRUE(zip.Open(file.string()));
    zip.SetPassword(c.password);
    std::vector<std::string> named;
    EXPECT_EQ(
        static_cast<bool>(zip.TestAll([&](const EntryInfo& entry, const std::string& problem) {
          named.push_back(entry.name);
          EXPECT_FALSE(problem.empty());
        })),
        c.named.empty());
    EXPECT_EQ(named, c.named);
    // The entries after a damaged one still read: the clean one reads back whole.
    std::string error;
    EXPECT_EQ(zip.Read(*zip.Find("two.bin"), 4000, error), Garbage(4000));
    EXPECT_FALSE(zip.Read(*zip.Find("two.bin"), 3999, error)) << "larger than the limit";
  }
}

}  // namespace
}  // namespace quill::archive
