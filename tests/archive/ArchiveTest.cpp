#include "archive/ArchiveReader.h"
#include "archive/ArchiveWriter.h"

#include <archive.h>
#include <archive_entry.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/statvfs.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <random>

#include "support/TempDir.h"
#include "support/TestPrefix.h"

namespace quill::archive {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using test::Tree;

// A mail-store-like folder: nested folders, an empty file, an empty folder, non-ASCII names.
void MakeStore(const fs::path& root) {
  WriteFile(root / "Inbox" / "message one.eml", "Subject: one\r\n\r\nbody\r\n");
  WriteFile(root / "Inbox" / "Newsletters" / "2024" /
                "Gr\xc3\xbc\xc3\x9f"
                "e.eml",
            test::RandomBytes(70000, 1));
  WriteFile(root / "Inbox" / "empty.eml", "");
  WriteFile(root / "Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac" / "x.eml", "x");
  WriteFile(root / "attachment.bin", test::RandomBytes(300000, 2));
  fs::create_directories(root / "Drafts");
}

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  char buffer[4096];
  while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  return status == 0 ? output : "FAILED(" + std::to_string(status) + "): " + output;
}

class ArchiveTest : public ::testing::Test {
 protected:
  TempDir dir;
  fs::path store = dir.path() / "store";
  fs::path backup = dir.path() / "backup.wlm";

  // A backup the way the program writes one: an inner archive of the store, a plain file.
  void WriteBackup(const std::string& password) {
    MakeStore(store);
    ArchiveWriter inner((dir.path() / "store.zip").string());
    ASSERT_TRUE(inner.AddFolderContents(store.string()));
    ASSERT_TRUE(inner.Write("")) << inner.error();
    ArchiveWriter zip(backup.string());
    ASSERT_TRUE(zip.AddFile((dir.path() / "store.zip").string()));
    zip.AddData("stowinfo.dat", "BackupItem=10000000000\r\n");
    ASSERT_TRUE(zip.Write(password)) << zip.error();
  }
};

TEST_F(ArchiveTest, FoldersComeBackByteForByteWithAndWithoutPassword) {
  MakeStore(store);
  for (const std::string password : {"", "s3cr\xc3\xa9t pass"}) {
    const fs::path zipFile = dir.path() / ("store" + std::to_string(password.size()) + ".zip");
    std::vector<std::string> added;
    ArchiveWriter zip(zipFile.string(),
                      {[&](const std::string& path) { added.push_back(path); }, nullptr});
    ASSERT_TRUE(zip.AddFolderContents(store.string()));
    EXPECT_FALSE(fs::exists(zipFile)) << "nothing is on disk before the write";
    ASSERT_TRUE(zip.Write(password)) << zip.error();
    EXPECT_EQ(added.size(), 5u);
    EXPECT_EQ(ArchiveReader::IsPasswordProtected(zipFile.string()), !password.empty());

    ArchiveReader reader;
    ASSERT_TRUE(reader.Open(zipFile.string())) << reader.error();
    reader.SetPassword(password);
    EXPECT_TRUE(reader.CheckPassword());
    ASSERT_NE(reader.Find("Inbox/Newsletters/2024/Gr\xc3\xbc\xc3\x9f"
                          "e.eml"),
              nullptr);
    EXPECT_TRUE(reader.Find("Drafts/")->directory);
    const fs::path out = dir.path() / ("out" + std::to_string(password.size()));
    const ReadStatus unzipped = reader.ExtractAll(out.string());
    ASSERT_TRUE(unzipped) << unzipped.error;
    EXPECT_EQ(Tree(out), Tree(store)) << password;
  }
}

TEST_F(ArchiveTest, AFilePathAddsOneEntryNamedByTheBareFileName) {
  WriteFile(dir.path() / "a" / "b" / "OBR1F.tmp", "\\\r\n");
  ArchiveWriter zip(backup.string());
  ASSERT_TRUE(zip.AddFile((dir.path() / "a" / "b" / "OBR1F.tmp").string()));
  EXPECT_FALSE(zip.AddFile((dir.path() / "missing.tmp").string()));
  EXPECT_FALSE(zip.AddFolderContents((dir.path() / "missing").string()));
  ASSERT_TRUE(zip.Write(""));
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(backup.string()));
  ASSERT_EQ(reader.entries().size(), 1u);
  EXPECT_EQ(reader.entries()[0].name, "OBR1F.tmp");
  ASSERT_TRUE(reader.Extract(*reader.Find("OBR1F.tmp"), (dir.path() / "x").string()));
  EXPECT_EQ(ReadFile(dir.path() / "x" / "OBR1F.tmp"), "\\\r\n");
  EXPECT_EQ(reader.Find("obr1f.tmp"), nullptr) << "names match exactly";
}

// The local time a ZIP tool shows for a file's time: DOS times count two seconds.
std::string DosTimeText(const fs::path& file) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::file_clock::to_sys(fs::last_write_time(file)).time_since_epoch());
  const std::time_t time = seconds.count();
  std::tm local{};
  localtime_r(&time, &local);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec / 2 * 2);
  return text;
}

TEST_F(ArchiveTest, CommonZipToolsReadWhatItWritesAndItReadsWhatTheyWrite) {
  MakeStore(store);
  // A long file is packed in pieces on every core; its stream must still read as one.
  std::string log;
  for (std::uint64_t line = 0; log.size() < (9u << 20); ++line)
    log += "line " + std::to_string(line * 7919 % 100003) + " of the message store\r\n";
  WriteFile(dir.path() / "Mail.MSMessageStore", log);
  const std::string script = (dir.path() / "read.py").string();
  WriteFile(script,
            "import sys, zipfile\n"
            "z = zipfile.ZipFile(sys.argv[1])\n"
            "if len(sys.argv) > 3: z.setpassword(sys.argv[3].encode())\n"
            "for i in z.infolist():\n"
            "  print(i.filename + '|%04d-%02d-%02d %02d:%02d:%02d' % i.date_time)\n"
            "z.extractall(sys.argv[2])\n");
  for (const std::string password : {"", "pass word"}) {
    ArchiveWriter zip(backup.string());
    ASSERT_TRUE(zip.AddFolderArchive("store.zip", store.string()));
    ASSERT_TRUE(zip.AddFile((dir.path() / "Mail.MSMessageStore").string()));
    zip.AddData("stowinfo.dat", "BackupItem=10000000000\r\n");
    ASSERT_TRUE(zip.Write(password)) << zip.error();
    const std::string quoted = "'" + password + "'";
    // Each tool unpacks the backup file, then the inner archive it holds.
    const std::vector<std::pair<std::string, std::string>> tools = {
        {"unzip", "unzip -q -P " + quoted + " {zip} -d {out}"},
        {"7z", "7z x -y -bd -p" + quoted + " -o{out} {zip} >/dev/null"},
        {"python", "python3 " + script + " {zip} {out} " + quoted},
    };
    const auto run = [](std::string command, const fs::path& zipFile, const fs::path& out) {
      command.replace(command.find("{zip}"), 5, zipFile.string());
      command.replace(command.find("{out}"), 5, out.string());
      return Shell(command);
    };
    for (const auto& [tool, command] : tools) {
      const fs::path out = dir.path() / (tool + std::to_string(password.size()));
      const std::string listed = run(command, backup, out);
      ASSERT_EQ(listed.find("FAILED"), std::string::npos) << tool << ": " << listed;
      EXPECT_EQ(ReadFile(out / "Mail.MSMessageStore"), log) << tool;
      EXPECT_EQ(ReadFile(out / "stowinfo.dat"), "BackupItem=10000000000\r\n") << tool;
      const std::string inner = run(command, out / "store.zip", out / "store");
      ASSERT_EQ(inner.find("FAILED"), std::string::npos) << tool << ": " << inner;
      EXPECT_EQ(Tree(out / "store"), Tree(store)) << tool;
      if (tool != "python") continue;
      // Times as the DOS fields give them, for the outer file and the inner archive's.
      EXPECT_NE(
          listed.find("Mail.MSMessageStore|" + DosTimeText(dir.path() / "Mail.MSMessageStore")),
          std::string::npos)
          << listed;
      EXPECT_NE(inner.find("Inbox/empty.eml|" + DosTimeText(store / "Inbox" / "empty.eml")),
                std::string::npos)
          << inner;
    }
    // libarchive: the program's own reader, and the exact times of the extended field.
    ArchiveReader reader;
    ASSERT_TRUE(reader.Open(backup.string())) << reader.error();
    reader.SetPassword(password);
    const fs::path out = dir.path() / ("libarchive" + std::to_string(password.size()));
    ASSERT_TRUE(reader.ExtractAll(out.string()));
    EXPECT_EQ(ReadFile(out / "Mail.MSMessageStore"), log);
    EXPECT_EQ(
        reader.Find("Mail.MSMessageStore")->modified,
        std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::file_clock::to_sys(fs::last_write_time(dir.path() / "Mail.MSMessageStore"))
                .time_since_epoch())
            .count());
    ArchiveReader innerReader;
    ASSERT_TRUE(innerReader.Open((out / "store.zip").string())) << innerReader.error();
    ASSERT_TRUE(innerReader.ExtractAll((out / "store").string()));
    EXPECT_EQ(Tree(out / "store"), Tree(store));
    EXPECT_TRUE(innerReader.Find("Drafts/")->directory);
  }
  // Inner archives are stored, not compressed again; names carry the UTF-8 flag.
  EXPECT_NE(Shell("unzip -v -P 'pass word' " + backup.string()).find("Stored"), std::string::npos);
  const std::string innerList =
      Shell("unzip -Z -v " + (dir.path() / "unzip9" / "store.zip").string());
  EXPECT_NE(innerList.find("Gr\xc3\xbc\xc3\x9f"
                           "e.eml"),
            std::string::npos)
      << innerList;

  // Archives made by zip -P and by 7-Zip with ZipCrypto open here.
  const std::vector<std::pair<std::string, std::string>> makers = {
      {"zip", "cd " + store.string() + " && zip -q -r -P 'pass word' ../byzip.zip ."},
      {"7z", "cd " + store.string() +
                 " && 7z a -bd -tzip -mem=ZipCrypto -p'pass word' ../by7z.zip . >/dev/null"},
  };
  for (const auto& [tool, command] : makers) {
    ASSERT_EQ(Shell(command).find("FAILED"), std::string::npos) << tool;
    const fs::path file = dir.path() / ("by" + tool + ".zip");
    EXPECT_TRUE(ArchiveReader::IsPasswordProtected(file.string())) << tool;
    ArchiveReader reader;
    ASSERT_TRUE(reader.Open(file.string())) << tool;
    reader.SetPassword("pass word");
    EXPECT_TRUE(reader.CheckPassword()) << tool;
    const fs::path out = dir.path() / ("from-" + tool);
    const ReadStatus unzipped = reader.ExtractAll(out.string());
    ASSERT_TRUE(unzipped) << tool << ": " << unzipped.error;
    auto expected = Tree(store);
    auto got = Tree(out);
    expected.erase("Drafts");  // an empty folder: the tools keep it too, as a folder entry
    got.erase("Drafts");
    EXPECT_EQ(got, expected) << tool;
  }
}

TEST_F(ArchiveTest, EveryWrongPasswordIsRefusedAndTheRightOneAlwaysPasses) {
  WriteBackup("correct horse");
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(backup.string()));
  std::mt19937 random(7);
  int accepted = 0;
  for (int i = 0; i < 5000; ++i) {
    std::string guess(1 + random() % 12, ' ');
    for (char& c : guess) c = static_cast<char>(' ' + random() % 95);
    if (guess == "correct horse") continue;
    reader.SetPassword(guess);
    accepted += reader.CheckPassword() ? 1 : 0;
  }
  EXPECT_EQ(accepted, 0);
  reader.SetPassword("correct horse");
  EXPECT_TRUE(reader.CheckPassword());
  reader.SetPassword("");
  EXPECT_FALSE(reader.CheckPassword());
  EXPECT_FALSE(reader.Extract(*reader.Find("stowinfo.dat"), (dir.path() / "w").string()));
  EXPECT_FALSE(fs::exists(dir.path() / "w" / "stowinfo.dat")) << "a failed read leaves no file";
}

// Writes an archive with entries no honest backup holds.
void WriteCrafted(const fs::path& file) {
  ::archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  archive_write_open_filename(a, file.c_str());
  const auto add = [&](const char* name, int type, const char* data, const char* link = nullptr) {
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, name);
    archive_entry_set_filetype(e, static_cast<unsigned>(type));
    archive_entry_set_perm(e, 0644);
    if (link != nullptr) archive_entry_set_symlink(e, link);
    archive_entry_set_size(e, static_cast<la_int64_t>(std::strlen(data)));
    archive_write_header(a, e);
    archive_write_data(a, data, std::strlen(data));
    archive_entry_free(e);
  };
  add("good.txt", AE_IFREG, "good");
  add("../escaped.txt", AE_IFREG, "bad");
  add("sub/../../escaped2.txt", AE_IFREG, "bad");
  add((file.parent_path() / "absolute.txt").c_str(), AE_IFREG, "bad");
  add("C:\\windows\\drive.txt", AE_IFREG, "bad");
  add("link", AE_IFLNK, "", file.parent_path().c_str());
  add("link/through-link.txt", AE_IFREG, "bad");
  add("planted/through-link.txt", AE_IFREG, "bad");
  archive_write_close(a);
  archive_write_free(a);
}

TEST_F(ArchiveTest, ExtractionNeverWritesOutsideItsFolder) {
  const fs::path outside = dir.path() / "outside";
  fs::create_directories(outside / "target");
  fs::create_directories(outside / "elsewhere");
  // A link already in the target folder is not followed either.
  fs::create_directory_symlink(outside / "elsewhere", outside / "target" / "planted");
  WriteCrafted(outside / "crafted.zip");
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open((outside / "crafted.zip").string()));
  const ReadStatus unzipped = reader.ExtractAll((outside / "target").string());
  EXPECT_FALSE(unzipped);
  EXPECT_NE(unzipped.error.find("../escaped.txt"), std::string::npos) << unzipped.error;
  EXPECT_EQ(ReadFile(outside / "target" / "good.txt"), "good");
  auto tree = Tree(outside);
  std::vector<std::string> names;
  for (const auto& [name, content] : tree) names.push_back(name);
  // The link entry is refused, so "link" is a plain folder of the target.
  EXPECT_EQ(names, (std::vector<std::string>{"crafted.zip", "elsewhere", "target",
                                             "target/good.txt", "target/link",
                                             "target/link/through-link.txt", "target/planted"}));
  EXPECT_FALSE(fs::is_symlink(outside / "target" / "link"));
  EXPECT_FALSE(fs::exists(dir.path() / "escaped.txt"));
  EXPECT_FALSE(fs::exists(outside / "absolute.txt"));
}

TEST_F(ArchiveTest, ASourceThatChangesSizeWhileAddedFailsTheWrite) {
  ArchiveWriter zip(backup.string());
  // The kernel reports no size for this file, yet it has content: it "grows" while read.
  ASSERT_TRUE(zip.AddFile("/proc/self/status"));
  EXPECT_FALSE(zip.Write(""));
  EXPECT_NE(zip.error().find("grew"), std::string::npos) << zip.error();
  EXPECT_FALSE(fs::exists(backup));
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(ArchiveTest, AFullDiskFailsTheWriteAndLeavesNoFile) {
  WriteFile(dir.path() / "big.bin", test::RandomBytes(1 << 20, 3));
  WriteFile(backup, "an older backup");
  ArchiveWriter zip(backup.string());
  ASSERT_TRUE(zip.AddFile((dir.path() / "big.bin").string()));
  // A file size limit makes writes fail as a full disk does.
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_IGN);
  rlimit limited = old;
  limited.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool written = zip.Write("");
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFile(backup), "an older backup") << "the old file stays until a new one is whole";
  EXPECT_FALSE(fs::exists(dir.path() / "backup.wlm.partial"));
}

TEST_F(ArchiveTest, ADamagedBackupIsRefusedCleanly) {
  WriteBackup("");
  std::string bytes = ReadFile(backup);
  // A flipped byte inside the stored inner archive: its CRC no longer fits.
  std::string flipped = bytes;
  flipped[200] = static_cast<char>(flipped[200] ^ 0x55);
  WriteFile(dir.path() / "flipped.wlm", flipped);
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open((dir.path() / "flipped.wlm").string()));
  EXPECT_FALSE(reader.Extract(*reader.Find("store.zip"), (dir.path() / "f").string()));
  EXPECT_FALSE(fs::exists(dir.path() / "f" / "store.zip"));

  WriteFile(dir.path() / "cut.wlm", bytes.substr(0, bytes.size() / 2));
  EXPECT_FALSE(reader.Open((dir.path() / "cut.wlm").string()));
  WriteFile(dir.path() / "text.wlm", "not an archive at all");
  EXPECT_FALSE(reader.Open((dir.path() / "text.wlm").string()));
  EXPECT_FALSE(reader.Open((dir.path() / "missing.wlm").string()));
  EXPECT_FALSE(ArchiveReader::IsPasswordProtected((dir.path() / "text.wlm").string()));
}

TEST_F(ArchiveTest, WriteProgressRunsUpToOneHundred) {
  WriteFile(dir.path() / "a.bin", test::RandomBytes(400000, 4));
  WriteFile(dir.path() / "b.bin", test::RandomBytes(400000, 5));
  std::vector<int> progress;
  ArchiveWriter zip(backup.string(), {nullptr, [&](int percent) { progress.push_back(percent); }});
  zip.AddFile((dir.path() / "a.bin").string());
  zip.AddFile((dir.path() / "b.bin").string());
  ASSERT_TRUE(zip.Write(""));
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 100);
  EXPECT_GT(progress.size(), 2u);
}

TEST_F(ArchiveTest, ExtractionSideBySideGivesWhatOneByOneGives) {
  // More files than one piece of parallel work takes, and names that are other files' names
  // while they are written (".partial"), before them and after them, in the same piece of
  // work and at the start of the next.
  ArchiveWriter zip(backup.string());
  std::vector<std::pair<std::string, std::string>> files;
  const auto add = [&](const std::string& name) { files.emplace_back(name, name + " holds this"); };
  for (int i = 0; i < 70; ++i) {
    if (i == 31) {
      add("y/b.eml");
      add("y/b.eml.partial");
    }
    files.emplace_back("m/" + std::to_string(i) + ".eml", test::RandomBytes(3000 + i * 97, i));
  }
  for (const char* name : {"x/a.eml.partial", "x/a.eml", "z/c.eml", "z/c.eml.partial"}) add(name);
  for (const auto& [name, data] : files) zip.AddData(name, data);
  ASSERT_TRUE(zip.Write("pw")) << zip.error();
  // A copy with one byte of m/40.eml's data flipped.
  std::string bytes = ReadFile(backup);
  bytes[bytes.find("m/40.eml") + 40] ^= 0x20;
  WriteFile(dir.path() / "damaged.wlm", bytes);

  for (const fs::path& file : {backup, dir.path() / "damaged.wlm"}) {
    std::map<unsigned, std::pair<std::vector<std::string>, std::string>> runs;
    for (unsigned threads : {1U, 3U}) {
      ArchiveReader reader;
      ASSERT_TRUE(reader.Open(file.string()));
      reader.SetPassword("pw");
      reader.SetThreads(threads);
      const fs::path out = dir.path() / ("out-" + file.stem().string() + std::to_string(threads));
      auto& [reported, error] = runs[threads];
      reader.OnFileExtracted([&](const std::string& path, std::uint64_t) {
        reported.push_back(fs::path(path).lexically_relative(out).generic_string());
      });
      error = reader.ExtractAll(out.string()).error;
      if (file != backup) continue;
      EXPECT_EQ(error, "");
      std::map<std::string, std::string> expected(files.begin(), files.end());
      for (const char* folder : {"m", "x", "y", "z"}) expected[folder] = "/";
      const auto tree = Tree(out);
      for (const auto& [name, data] : expected)
        EXPECT_TRUE(tree.count(name) != 0 && tree.at(name) == data) << name << ", " << threads;
      EXPECT_EQ(tree.size(), expected.size()) << threads << " threads";
    }
    EXPECT_EQ(runs[3], runs[1]) << "the reports and the failure come as one by one";
    if (file != backup) {
      EXPECT_NE(runs[1].second.find("m/40.eml"), std::string::npos) << runs[1].second;
    }
  }
}

TEST_F(ArchiveTest, AFileOver4GiBComesBackWhole) {
#ifdef QUILL_SANITIZED
  GTEST_SKIP() << "too slow under the sanitizers";
#endif
  struct statvfs disk {};
  statvfs(dir.text().c_str(), &disk);
  const std::uint64_t free = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
  const std::uint64_t size = (4ULL << 30) + 4096;
  if (free < 3 * size) GTEST_SKIP() << "the disk is short for a 4 GiB file";
  // A sparse file with data at both ends.
  const fs::path big = dir.path() / "big.edb";
  WriteFile(big, "head");
  fs::resize_file(big, size);
  {
    std::fstream out(big, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(size - 4));
    out << "tail";
  }
  ArchiveWriter zip(backup.string());
  ASSERT_TRUE(zip.AddFile(big.string()));
  ASSERT_TRUE(zip.Write("")) << zip.error();
  fs::remove(big);
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(backup.string()));
  EXPECT_EQ(reader.Find("big.edb")->size, size);
  ASSERT_TRUE(reader.Extract(*reader.Find("big.edb"), (dir.path() / "out").string()));
  const fs::path back = dir.path() / "out" / "big.edb";
  ASSERT_EQ(fs::file_size(back), size);
  std::ifstream in(back, std::ios::binary);
  char head[5] = {};
  in.read(head, 4);
  in.seekg(static_cast<std::streamoff>(size - 4));
  char tail[5] = {};
  in.read(tail, 4);
  EXPECT_STREQ(head, "head");
  EXPECT_STREQ(tail, "tail");
}

}  // namespace
}  // namespace quill::archive
