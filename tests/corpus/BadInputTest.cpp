// The bad-input corpus of tests/corpus/: every case goes through the program's own code
// path over a sample profile, must end as its table says, and must leave the profile
// folders, user.reg and system.reg byte for byte as they were.

#include <gtest/gtest.h>

#include <ctime>
#include <iostream>
#include <random>
#include <sstream>

#include "CorpusTable.h"
#include "automation/UnattendedBackup.h"
#include "cli/CliProgram.h"
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

  void SetUp() override { Remember(); }
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
