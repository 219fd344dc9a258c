// The bad-input corpus of tests/corpus/: every case goes through the program's own code
// path over a sample profile, must end as its table says, and must leave the profile
// folders, user.reg and system.reg byte for byte as they were.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <iostream>
#include <random>
#include <sstream>

#include "CorpusTable.h"
#include "archive/ArchiveWriter.h"
#include "automation/UnattendedBackup.h"
#include "cli/CliProgram.h"
#include "platform/Files.h"
#include "registry/RegistryText.h"
#include "support/BackupSetup.h"

namespace quill::test {
namespace {
namespace fs = std::filesystem;

const fs::path kCorpus = QUILL_CORPUS_DIR;

// A sample profile whose prefix is watched: every case must leave it as it found it.
class BadInputTest : public ::testing::Test {
 protected:
  BackupSetup setup;
  TempDir scratch;  // files a case may write, outside the watched prefix
  FolderState before;

  // A tree outside the profile that links planted in the profile point to.
  fs::path sentinel() const { return setup.root() / "sentinel"; }
  void SetUp() override {
    fs::create_directories(sentinel() / "inner");
    WriteFile(sentinel() / "keep.txt", "sentinel");
    WriteFile(sentinel() / "inner" / "keep.eml", "sentinel mail");
    Remember();
  }
  void Remember() { before = State(); }
  // The prefix (profile folders and registry files) and every folder beside it but the
  // application folder, so nothing written next to the profile goes unseen.
  FolderState State() const {
    FolderState state = StateOf(setup.root());
    for (auto it = state.begin(); it != state.end();) {
      const bool app = it->first == "app" || it->first.rfind("app/", 0) == 0;
      if (!app && maskKeyTimes && it->first.size() > 4 &&
          it->first.compare(it->first.size() - 4, 4, ".reg") == 0)
        it->second = WithoutKeyTimes(it->second);
      it = app ? state.erase(it) : std::next(it);
    }
    return state;
  }
  // A registry file without the times its keys were last written.
  static std::string WithoutKeyTimes(const std::string& text) {
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("#time=", 0) == 0) continue;
      const std::size_t close = line.rfind("] ");
      if (!line.empty() && line.front() == '[' && close != std::string::npos) line.erase(close + 1);
      out += line + '\n';
    }
    return out;
  }
  bool maskKeyTimes = false;
  void ExpectUnchanged(const std::string& label) const {
    EXPECT_EQ(Differences(before, State()), "") << label;
  }
  int Cli(std::vector<std::string> arguments, std::string& output) {
    std::ostringstream out, err;
    const int status = cli::RunCli(arguments, *setup.platform, out, err);
    output = out.str() + err.str();
    return status;
  }
  // quillstow-cli over a backup file: "restore" or "inspect", options after it.
  int CliOnFile(const std::string& command, const std::string& file, std::string& output) {
    std::istringstream words(command);
    std::vector<std::string> arguments;
    for (std::string word; words >> word;) arguments.push_back(word);
    arguments.insert(arguments.begin() + 1, file);
    return Cli(arguments, output);
  }
};

TEST_F(BadInputTest, BackupFilesEndAsTheTableSaysAndChangeNothing) {
  const auto rows = ReadCorpusTable(kCorpus / "wlm" / "cases.tsv");
  ASSERT_GE(rows.size(), 30u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 4u) << row[0];
    const std::string label = row[0] + " " + row[1];
    std::string output;
    EXPECT_EQ(CliOnFile(row[1], (kCorpus / "wlm" / row[0]).string(), output), std::stoi(row[2]))
        << label << "\n"
        << output;
    EXPECT_NE(output.find(row[3]), std::string::npos) << label << "\n" << output;
    ExpectUnchanged(label);
    for (const char* escaped :
         {"/tmp/quillstow-corpus-evil.zip", "/tmp/quillstow-corpus-escaped.eml", "/tmp/escaped.eml",
          "/tmp/evil.zip"})
      EXPECT_FALSE(fs::exists(escaped)) << label << ": " << escaped;
    const auto left = setup.AppFolderFiles();
    EXPECT_TRUE(left.empty() || left == std::vector<std::string>{"brlog.dat"})
        << label
        << ": scratch files left in the application folder: " << ::testing::PrintToString(left);
  }
}

// A backup file of the given entries (name, bytes), written by the program's own writer.
std::string WriteBackup(const fs::path& file,
                        const std::vector<std::pair<std::string, std::string>>& entries,
                        const std::string& password = "") {
  archive::ArchiveWriter writer(file.string());
  for (const auto& [name, bytes] : entries) writer.AddData(name, bytes);
  EXPECT_TRUE(writer.Write(password)) << file;
  return file.string();
}

std::string Names(const char* format, std::size_t count) {
  std::string names;
  for (std::size_t i = 0; i < count; ++i)
    names += (i == 0 ? "" : ";") + Expand(format, {{"i", std::to_string(i)}});
  return names;
}

// Backups too large to keep in the corpus, made at run time: each is refused with its
// message, in a few seconds, and changes nothing.
TEST_F(BadInputTest, GeneratedBackupsBeyondTheLimitsAreRefusedQuickly) {
  const std::string flags = "\r\nBackupItem=10000000000\r\n";
  const struct {
    const char* label;
    std::string descriptor;
    int status;
    std::string text;
  } cases[] = {
      {"100,001 names", "Backupmailaccountsandmessages=" + Names("m{i}.zip", 100001) + flags, 1,
       "line 1 of the descriptor names more than 100000 entries"},
      {"100,000 missing names",
       "Backupmailaccountsandmessages=" + Names("m{i}.zip", 100000) + flags, 3,
       "Restore Mail Accounts & Messages/News Accounts & Messages: the backup file holds no "
       "entry m0.zip\n"},
      {"a 17 MiB descriptor", std::string(17u << 20, 'x') + flags, 1,
       "stowinfo.dat is larger than 16777216 bytes"},
  };
  for (const auto& c : cases) {
    const std::string file =
        WriteBackup(scratch.path() / "generated.wlm", {{"stowinfo.dat", c.descriptor}});
    const auto start = std::chrono::steady_clock::now();
    std::string output;
    EXPECT_EQ(CliOnFile("restore", file, output), c.status) << c.label << "\n" << output;
    EXPECT_NE(output.find(c.text), std::string::npos) << c.label << "\n" << output;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.label;
    ExpectUnchanged(c.label);
    const auto left = setup.AppFolderFiles();
    EXPECT_TRUE(left.empty() || left == std::vector<std::string>{"brlog.dat"}) << c.label;
  }
}

// Time grows with the entries, not with their square: 20,000 files of one item restore in
// seconds, taken out of the backup file in one pass.
TEST_F(BadInputTest, ManyEntriesRestoreInLinearTime) {
  constexpr std::size_t kFiles = 20000;
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t i = 0; i < kFiles; ++i)
    entries.emplace_back("n" + std::to_string(i) + ".htm", std::to_string(i));
  entries.emplace_back("stowinfo.dat", "BackupStationeries=" + Names("n{i}.htm", kFiles) +
                                           "\r\nBackupItem=00000000100\r\n");
  const std::string file = WriteBackup(scratch.path() / "many.wlm", entries);
  const auto start = std::chrono::steady_clock::now();
  std::string output;
  EXPECT_EQ(CliOnFile("restore", file, output), 0) << output;
  const auto took = std::chrono::steady_clock::now() - start;
  std::cout << kFiles << " files restored in "
            << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
  // A pass over the backup file per entry grows with the square of the entries; one pass
  // for all takes seconds here, sanitized too.
  EXPECT_LT(took, std::chrono::seconds(90));
  const fs::path stationery = platform::HostPath(setup.session().profile().stationeryFolder);
  EXPECT_EQ(ReadFile(stationery / "n19999.htm"), "19999");
}

// A link standing where a restored file goes, or where it was once written beside its place,
// is replaced or left alone, never written through: the tree outside the profile stays.
TEST_F(BadInputTest, LinksWhereRestoredFilesGoAreNotWrittenThrough) {
  const fs::path stationery = platform::HostPath(setup.session().profile().stationeryFolder);
  const std::string file =
      WriteBackup(scratch.path() / "note.wlm",
                  {{"note.htm", "<p>restored</p>"},
                   {"stowinfo.dat", "BackupStationeries=note.htm\r\nBackupItem=00000000100\r\n"}});
  for (const bool hard : {false, true})
    for (const char* name : {"note.htm.partial", "note.htm"}) {
      const std::string label = std::string(hard ? "hard link " : "link ") + name;
      fs::create_directories(stationery);
      fs::remove(stationery / "note.htm");
      fs::remove(stationery / "note.htm.partial");
      if (hard)
        fs::create_hard_link(sentinel() / "keep.txt", stationery / name);
      else
        fs::create_symlink(sentinel() / "keep.txt", stationery / name);
      std::string output;
      EXPECT_EQ(CliOnFile("restore", file, output), 0) << label << "\n" << output;
      EXPECT_EQ(ReadFile(sentinel() / "keep.txt"), "sentinel") << label;
      EXPECT_FALSE(fs::is_symlink(stationery / "note.htm")) << label;
      EXPECT_EQ(ReadFile(stationery / "note.htm"), "<p>restored</p>") << label;
    }
}

// A folder of the profile that is a link to a folder outside it is replaced as the link it
// is, or, for the contacts, which are merged, refused; the folder it points to stays.
TEST_F(BadInputTest, FolderLinksInTheProfileAreNotFollowedOut) {
  const fs::path inner = scratch.path() / "inner.zip";
  archive::ArchiveWriter writer(inner.string());
  writer.AddData("Inbox/new.eml", "restored");
  ASSERT_TRUE(writer.Write(""));
  const fs::path contacts = platform::HostPath(setup.session().profile().contactsFolder);
  const struct {
    const char* label;
    fs::path folder;
    std::string descriptor;
    int status;
    std::string text;
  } cases[] = {
      {"the mail folder of an account", setup.mailStore() / "Hotmail (bob)",
       "Backupmailaccountsandmessages=Hotmail (bob).zip\r\nBackupItem=10000000000\r\n", 0,
       "Restore Mail Accounts & Messages/News Accounts & Messages\tSuccessed!"},
      {"a contacts folder", contacts / "Linked",
       "BackupContacts=Linked.zip\r\nBackupItem=00000100000\r\n", 3,
       "Restore Contacts: refused to merge into the link " + platform::PathText(contacts) +
           "/Linked\n"},
  };
  for (const auto& c : cases) {
    fs::remove_all(c.folder);
    fs::create_directory_symlink(sentinel() / "inner", c.folder);
    const std::string file =
        WriteBackup(scratch.path() / "linked.wlm",
                    {{platform::PathText(c.folder.filename()) + ".zip", ReadFile(inner)},
                     {"stowinfo.dat", c.descriptor}});
    std::string output;
    EXPECT_EQ(CliOnFile("restore", file, output), c.status) << c.label << "\n" << output;
    EXPECT_NE(output.find(c.text), std::string::npos) << c.label << "\n" << output;
    EXPECT_EQ(StateOf(sentinel()), (FolderState{{"inner", "dir"},
                                                {"inner/keep.eml", "file:sentinel mail"},
                                                {"keep.txt", "file:sentinel"}}))
        << c.label;
    if (c.status == 0) {
      EXPECT_FALSE(fs::is_symlink(c.folder)) << c.label;
      EXPECT_EQ(ReadFile(c.folder / "Inbox" / "new.eml"), "restored") << c.label;
    }
  }
}

// A backup of the profile itself, damaged: cut short or with one bit flipped. Any outcome
// is allowed but a changed profile: a restore that takes a damaged file must find the
// damage or bring back the very data the profile already holds. A restore rewrites the
// registry keys it restores (new key times), so the profile is first restored once from the
// good file and key times are not compared.
class DamagedBackupTest : public BadInputTest {
 protected:
  std::string good;
  void SetUp() override {
    maskKeyTimes = true;
    good = (scratch.path() / "good.wlm").string();
    std::string output;
    ASSERT_EQ(Cli({"backup", good}, output), 0) << output;
    ASSERT_EQ(Cli({"restore", good}, output), 0) << output;
    // From here on a restore of the good file changes nothing: the cases rest on that.
    Remember();
    ASSERT_EQ(Cli({"restore", good}, output), 0) << output;
    ASSERT_EQ(Differences(before, State()), "") << "a restore of its own backup";
  }
  std::string Damaged(const std::string& bytes) {
    const std::string file = (scratch.path() / "damaged.wlm").string();
    WriteFile(file, bytes);
    return file;
  }
};

TEST_F(DamagedBackupTest, ABackupCutShortIsInvalid) {
  const std::string bytes = ReadFile(good);
  std::mt19937 random(20261208);
  std::vector<std::size_t> lengths = {
      0, 1, 4, 30, bytes.size() / 2, bytes.size() - 22, bytes.size() - 1};
  while (lengths.size() < 16) lengths.push_back(random() % bytes.size());
  for (std::size_t length : lengths) {
    std::string output;
    EXPECT_EQ(Cli({"restore", Damaged(bytes.substr(0, length))}, output), 1) << length;
    EXPECT_NE(output.find("Invalid backup file"), std::string::npos) << length << "\n" << output;
    ExpectUnchanged("cut at " + std::to_string(length));
  }
}

TEST_F(DamagedBackupTest, AFlippedBitIsFoundOrHarmless) {
  const std::string bytes = ReadFile(good);
  std::mt19937 random(20261208);
  int refused = 0;
  constexpr int kFlips = 24;
  for (int i = 0; i < kFlips; ++i) {
    std::string damaged = bytes;
    const std::size_t at = random() % bytes.size();
    const int bit = static_cast<int>(random() % 8);
    damaged[at] = static_cast<char>(damaged[at] ^ (1 << bit));
    std::string output;
    const int status = Cli({"restore", Damaged(damaged)}, output);
    refused += status != 0;
    ExpectUnchanged("bit " + std::to_string(bit) + " of byte " + std::to_string(at) + ", status " +
                    std::to_string(status) + "\n" + output);
  }
  std::cout << refused << " of " << kFlips << " files with a flipped bit refused\n";
  // Most of the file is compressed data under a checksum.
  EXPECT_GT(refused, kFlips / 2);
  // The good file still restores.
  std::string output;
  EXPECT_EQ(Cli({"restore", good}, output), 0) << output;
}

TEST_F(BadInputTest, RegistryTextIsRefusedWholeAndNamesTheLine) {
  const auto rows = ReadCorpusTable(kCorpus / "registry_text" / "cases.tsv");
  ASSERT_GE(rows.size(), 20u);
  const std::string key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail\\Rules\\Mail";
  ASSERT_TRUE(setup.reg->KeyExists(key));
  registry::RegistryText text(setup.platform->registry(), *setup.reg);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 2u) << row[0];
    const std::string file = (kCorpus / "registry_text" / row[0]).string();
    const auto result = text.ImportKeyFile(key, file);
    EXPECT_FALSE(result.ok) << row[0];
    EXPECT_EQ(result.error, Expand(row[1], {{"file", file}})) << row[0];
    ExpectUnchanged(row[0]);
  }
}

TEST_F(BadInputTest, SettingsFilesReadAsTheTableSays) {
  const auto rows = ReadCorpusTable(kCorpus / "settings" / "cases.tsv");
  ASSERT_GE(rows.size(), 12u);
  const std::string path = setup.settings->Path();
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 4u) << row[0];
    const std::string content = ReadFile(kCorpus / "settings" / row[0]);
    WriteFile(path, content);
    EXPECT_EQ(setup.settings->GetSettingValue(path, row[1], row[2]), row[3])
        << row[0] << " " << row[2];
    // The options that hang on the file answer without harm.
    (void)setup.settings->BackupFolder();
    (void)setup.settings->IsOn({row[1].c_str(), row[2].c_str()});
    EXPECT_EQ(ReadFile(path), content) << row[0] << ": reading changed the file";
    ExpectUnchanged(row[0]);
  }
}

TEST_F(BadInputTest, UnattendedLinesOutsideTheGrammarWriteNothing) {
  const auto rows = ReadCorpusTable(kCorpus / "command_line" / "unattended.tsv");
  ASSERT_GE(rows.size(), 10u);
  setup.now = std::tm{};
  setup.now.tm_year = 2026 - 1900;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 2u) << row[0];
    const std::string line = Expand(row[0], {{"dir", scratch.text()}});
    automation::UnattendedBackup run(setup.session(), setup.engine());
    EXPECT_EQ(run.Run(line), std::stoi(row[1])) << line;
    if (row[1] != "0") {
      EXPECT_TRUE(fs::is_empty(scratch.path())) << line;
    }
    if (row[1] == "2") {
      EXPECT_TRUE(setup.AppFolderFiles().empty()) << line << ": nothing logged";
    }
    ExpectUnchanged(line);
    for (const fs::path& folder : {scratch.path(), setup.app()})
      for (const auto& item : fs::directory_iterator(folder)) fs::remove_all(item.path());
  }
}

TEST_F(BadInputTest, CliArgumentsOutsideTheGrammarAreRefusedWithTheUsage) {
  const auto rows = ReadCorpusTable(kCorpus / "command_line" / "cli.tsv");
  ASSERT_GE(rows.size(), 10u);
  for (const auto& row : rows) {
    std::vector<std::string> arguments;
    for (std::size_t i = 2; i < row.size(); ++i)
      arguments.push_back(Expand(row[i], {{"dir", scratch.text()}}));
    std::string output;
    EXPECT_EQ(Cli(arguments, output), std::stoi(row[0])) << row[1];
    EXPECT_EQ(output.substr(0, output.find('\n')), row[1]);
    EXPECT_NE(output.find("usage: quillstow-cli"), std::string::npos) << row[1];
    EXPECT_TRUE(fs::is_empty(scratch.path())) << row[1];
    EXPECT_TRUE(setup.AppFolderFiles().empty()) << row[1];
    ExpectUnchanged(row[1]);
  }
}

}  // namespace
}  // namespace quill::test
