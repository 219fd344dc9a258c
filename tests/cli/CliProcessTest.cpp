// quillstow-cli as its users run it: a process in a folder of their own, over the sample
// profile, its output read from pipes (or from a terminal), its exit status checked.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <functional>
#include <map>
#include <optional>

#include "archive/ArchiveReader.h"
#include "archive/BackupFile.h"
#include "support/BackupSetup.h"

extern char** environ;

namespace quill::cli {
namespace {
namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

struct Outcome {
  int status = -1;
  std::string out, err;  // on a terminal both are in out
};

// What is typed into a terminal once the program has shown the prompt.
struct Exchange {
  std::string prompt, answer;
};

// Runs program with the arguments in folder, the environment changed by env (an empty value
// takes the variable away). Standard input is input through a pipe; with terminal, standard
// input, output and error are one pseudo-terminal instead, and its answers are typed into it
// as their prompts show.
Outcome RunProgram(const fs::path& program, const std::vector<std::string>& arguments,
                   const fs::path& folder, const std::map<std::string, std::string>& env,
                   const std::string& input = "",
                   std::optional<std::vector<Exchange>> terminal = std::nullopt) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (!env.count(text.substr(0, text.find('=')))) environment.push_back(text);
  }
  for (const auto& [name, value] : env)
    if (!value.empty()) environment.push_back(name + "=" + value);
  std::vector<char*> envp, argv{const_cast<char*>(program.c_str())};
  for (std::string& text : environment) envp.push_back(text.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = arguments;
  for (std::string& text : args) argv.push_back(text.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
  std::vector<pollfd> reading;
  if (terminal) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    const std::string slave = ptsname(master);
    for (int fd : {0, 1, 2})
      posix_spawn_file_actions_addopen(&actions, fd, slave.c_str(), O_RDWR, 0);
    posix_spawn_file_actions_addclose(&actions, master);
    reading.push_back({master, POLLIN, 0});
  } else {
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
      posix_spawn_file_actions_addclose(&actions, fd);
    reading.push_back({out[0], POLLIN, 0});
    reading.push_back({err[0], POLLIN, 0});
  }
  pid_t child = 0;
  const int spawned =
      posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(spawned, 0) << program;
  if (!terminal) {
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (!input.empty()) {
      EXPECT_EQ(write(in[1], input.data(), input.size()), ssize_t(input.size()));
    }
    close(in[1]);
  }
  Outcome outcome;
  std::string* into[] = {&outcome.out, terminal ? &outcome.out : &outcome.err};
  std::size_t answered = 0, searched = 0, open = reading.size();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (open > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(reading.data(), reading.size(), 200) <= 0) continue;
    for (std::size_t i = 0; i < reading.size(); ++i) {
      if (reading[i].fd < 0 || reading[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = read(reading[i].fd, buffer, sizeof buffer);
      // A terminal reads as an error once the program, its last user, has ended.
      if (got <= 0) {
        close(reading[i].fd);
        reading[i].fd = -1;
        --open;
        continue;
      }
      into[i]->append(buffer, static_cast<std::size_t>(got));
    }
    if (terminal && answered < terminal->size() && reading[0].fd >= 0) {
      const Exchange& next = (*terminal)[answered];
      if (const std::size_t at = outcome.out.find(next.prompt, searched); at != std::string::npos) {
        EXPECT_EQ(write(reading[0].fd, next.answer.data(), next.answer.size()),
                  ssize_t(next.answer.size()));
        searched = at + next.prompt.size();
        ++answered;
      }
    }
  }
  for (pollfd& left : reading)
    if (left.fd >= 0) close(left.fd);
  int state = 0;
  if (open > 0) kill(child, SIGKILL);
  waitpid(child, &state, 0);
  outcome.status = WIFEXITED(state) ? WEXITSTATUS(state) : 128 + WTERMSIG(state);
  return outcome;
}

QJsonObject Json(const std::string& text) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
  EXPECT_TRUE(document.isObject()) << text;
  return document.object();
}

class CliProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program in a folder of its own, which is then its application folder: its log and
    // settings land there and nowhere else.
    fs::create_directories(setup.root() / "bin");
    fs::copy_file(QUILL_CLI, program);
    fs::create_directories(work / "sub");
  }
  Outcome Run(const std::vector<std::string>& arguments, const std::string& password = "",
              const std::string& input = "") {
    return RunProgram(program, arguments, work,
                      {{"WINEPREFIX", setup.prefix().string()},
                       {"QUILLSTOW_PASSWORD", password},
                       {"HOME", setup.root().string()}},
                      input);
  }
  bool OpensWith(const std::string& file, const std::string& password) {
    return archive::OpenBackupFile((work / file).string(), [&] { return password; }).result ==
           archive::BackupOpening::Result::Opened;
  }

  test::BackupSetup setup;
  fs::path program = setup.root() / "bin" / "quillstow-cli";
  fs::path work = setup.root() / "work";
};

TEST_F(CliProcessTest, EveryCommandAndOptionAsAUserRunsThem) {
  const std::string mail = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";
  WriteFile(work / "pw.txt", "filepw\nnot this line\n");
  WriteFile(work / "note.wlm", "not a backup");
  const fs::path contacts = setup.profile() / "AppData/Local/Microsoft/Windows Live Contacts";
  struct Case {
    std::string label;
    std::vector<std::string> arguments;
    std::string environmentPassword;  // QUILLSTOW_PASSWORD, when not empty
    int status;
    std::string out;  // what standard output holds ("" for nothing at all)
    std::string err;  // what standard error holds ("" for nothing at all)
    std::function<void(const Outcome&)> check = nullptr;
    std::function<void()> before = nullptr;
  };
  const std::string completed =
      "The Backup was Completed!\n\nBackup Mail Rules\tSuccessed!\nBackup Contacts\tSuccessed!\n";
  const std::vector<Case> cases = {
      // Help, the version and command lines that are not understood.
      {"program help", {"--help"}, "", 0, "usage: quillstow-cli COMMAND FILE", ""},
      {"short help", {"-h"}, "", 0, "\nExit status:\n  0  everything asked was done\n", ""},
      {"help of a command", {"help", "list"}, "", 0, "usage: quillstow-cli list FILE", ""},
      {"backup help",
       {"backup", "--help"},
       "",
       0,
       "usage: quillstow-cli backup FILE [--items MASK] [--description TEXT] [--password PW]",
       ""},
      {"restore help", {"restore", "-h"}, "", 0, "others on this machine can see it", ""},
      {"inspect help", {"inspect", "x.wlm", "--help"}, "", 0, "    --json", ""},
      {"list help", {"list", "--help"}, "", 0, "usage: quillstow-cli list FILE", ""},
      {"verify help", {"verify", "--help"}, "", 0, "Needs no mail profile.", ""},
      {"version", {"--version"}, "", 0, "quillstow-cli 0.1.0\n", ""},
      {"nothing", {}, "", 2, "", "quillstow-cli: a command and a file are needed\nusage: "},
      {"no file", {"restore"}, "", 2, "", "quillstow-cli: a command and a file are needed\n"},
      {"unknown command", {"frob", "x.wlm"}, "", 2, "", "quillstow-cli: unknown command frob\n"},
      {"unknown option",
       {"backup", "x.wlm", "--frob"},
       "",
       2,
       "",
       "quillstow-cli: unknown option --frob\nusage: quillstow-cli backup FILE"},
      {"a flag with a value",
       {"inspect", "x.wlm", "--json=yes"},
       "",
       2,
       "",
       "quillstow-cli: --json takes no value\n"},
      {"two files",
       {"inspect", "x.wlm", "y.wlm"},
       "",
       2,
       "",
       "quillstow-cli: one file only: y.wlm is one too many\n"},
      {"short mask",
       {"backup", "x.wlm", "--items", "0101"},
       "",
       2,
       "",
       "quillstow-cli: --items takes eleven characters 0 or 1\n"},
      {"no item",
       {"backup", "x.wlm", "--items", "00000000000"},
       "",
       2,
       "",
       "Please select at least one item.\n"},
      {"value missing",
       {"backup", "x.wlm", "--password"},
       "",
       2,
       "",
       "quillstow-cli: --password needs a value\n"},
      // Backups: a relative name, each password source, --quiet.
      {"backup",
       {"backup", "plain.wlm", "--items", "01000100000", "--description", "weekly"},
       "",
       0,
       completed,
       "",
       [&](const Outcome&) {
         EXPECT_FALSE(archive::ArchiveReader::IsPasswordProtected((work / "plain.wlm").string()));
         // The log names the file by its whole path.
         EXPECT_NE(ReadFile(setup.root() / "bin" / "brlog.dat")
                       .find(" Backup File is " + (work / "plain.wlm").string() + "\n"),
                   std::string::npos);
       }},
      {"backup, password given",
       {"backup", "sub/../pw.wlm", "--items=01000100000", "--password", "pw"},
       "",
       0,
       completed,
       "",
       [&](const Outcome&) { EXPECT_TRUE(OpensWith("pw.wlm", "pw")); }},
      {"backup, password file",
       {"backup", "file.wlm", "--password-file", "pw.txt", "--items", "01000000000"},
       "",
       0,
       "Backup Mail Rules\tSuccessed!\n",
       "",
       [&](const Outcome&) { EXPECT_TRUE(OpensWith("file.wlm", "filepw")); }},
      {"backup, password from the environment, quietly",
       {"backup", "env.wlm", "--quiet", "--items", "01000000000"},
       "envpw",
       0,
       "",
       "",
       [&](const Outcome& run) {
         EXPECT_EQ(run.out, "");
         EXPECT_TRUE(OpensWith("env.wlm", "envpw"));
       }},
      {"backup, password file missing",
       {"backup", "x.wlm", "--password-file", "none.txt"},
       "",
       1,
       "",
       "quillstow-cli: cannot read the password file none.txt\n",
       [&](const Outcome&) { EXPECT_FALSE(fs::exists(work / "x.wlm")); }},
      {"backup that cannot be written",
       {"backup", "gone/x.wlm", "--items", "01000000000"},
       "",
       1,
       "",
       "The Backup file could not be written: "},
      // Inspections and lists.
      {"inspect",
       {"inspect", "plain.wlm"},
       "",
       0,
       "Computer: VM\nUser: anna\nDate: ",
       "",
       [&](const Outcome& run) {
         EXPECT_NE(run.out.find("\nDescription: weekly\nItems:\n  2 Mail Rules\n  6 Contacts\n"),
                   std::string::npos);
       }},
      {"inspect, no password on a pipe",
       {"inspect", "pw.wlm"},
       "",
       1,
       "",
       "Incorect Password or Invalid backup file\n"},
      {"inspect, password file",
       {"inspect", "file.wlm", "--password-file", "pw.txt"},
       "",
       0,
       "Items:\n  2 Mail Rules\n",
       ""},
      {"inspect, password from the environment",
       {"inspect", "env.wlm"},
       "envpw",
       0,
       "Items:\n  2 Mail Rules\n",
       ""},
      {"inspect, JSON",
       {"inspect", "pw.wlm", "--password=pw", "--json"},
       "",
       0,
       "{",
       "",
       [&](const Outcome& run) {
         const QJsonObject json = Json(run.out);
         EXPECT_EQ(json["file"].toString().toStdString(), (work / "pw.wlm").string());
         EXPECT_EQ(json["user"].toString(), "anna");
         EXPECT_EQ(json["computer"].toString(), "VM");
         EXPECT_TRUE(json["protected"].toBool());
         const QJsonArray items = json["items"].toArray();
         ASSERT_EQ(items.size(), 2);
         EXPECT_EQ(items[0].toObject()["number"].toInt(), 2);
         EXPECT_EQ(items[1].toObject()["name"].toString(), "Contacts");
         EXPECT_EQ(items[1].toObject()["entries"].toArray().size(), 2);
       }},
      {"inspect, not a backup", {"inspect", "note.wlm"}, "", 1, "", "Invalid backup file\n"},
      {"list",
       {"list", "plain.wlm"},
       "",
       0,
       "  [Mail Rules]\n",
       "",
       [&](const Outcome& run) {
         EXPECT_NE(run.out.find("  stowinfo.dat  [(the descriptor)]\n"), std::string::npos);
         EXPECT_NE(run.out.find(".zip  [Contacts]\n"), std::string::npos);
         EXPECT_NE(run.out.find("\n4 entries, "), std::string::npos) << run.out;
       }},
      {"list, JSON",
       {"list", "pw.wlm", "--json", "--password", "pw"},
       "",
       0,
       "{",
       "",
       [&](const Outcome& run) {
         const QJsonArray entries = Json(run.out)["entries"].toArray();
         archive::ArchiveReader zip;
         ASSERT_TRUE(zip.Open((work / "pw.wlm").string()));
         ASSERT_EQ(static_cast<std::size_t>(entries.size()), zip.entries().size());
         for (std::size_t i = 0; i < zip.entries().size(); ++i) {
           const QJsonObject entry = entries[static_cast<int>(i)].toObject();
           EXPECT_EQ(entry["name"].toString().toStdString(), zip.entries()[i].name);
           EXPECT_EQ(entry["size"].toInteger(), static_cast<qint64>(zip.entries()[i].size));
           EXPECT_EQ(entry["modified"].toString().size(), 19);
           const bool descriptor = zip.entries()[i].name == "stowinfo.dat";
           EXPECT_EQ(entry["item"].isNull(), descriptor);
         }
       }},
      // Checks.
      {"verify", {"verify", "pw.wlm", "--password", "pw"}, "", 0, "reads whole", ""},
      {"verify, wrong password, JSON",
       {"verify", "pw.wlm", "--password", "px", "--json"},
       "",
       1,
       "{",
       "",
       [&](const Outcome& run) {
         const QJsonObject json = Json(run.out);
         EXPECT_FALSE(json["ok"].toBool());
         EXPECT_FALSE(json["problems"].toArray().isEmpty());
       }},
      {"verify, JSON",
       {"verify", "file.wlm", "--json", "--password-file", "pw.txt"},
       "",
       0,
       "{",
       "",
       [&](const Outcome& run) {
         const QJsonObject json = Json(run.out);
         EXPECT_TRUE(json["ok"].toBool());
         EXPECT_EQ(json["entries"].toInt(), 2);
         EXPECT_EQ(json["registryFiles"].toInt(), 1);
       }},
      {"verify, no file", {"verify", "none.wlm"}, "", 1, "Problem:", ""},
      // Restores.
      {"restore",
       {"restore", "plain.wlm"},
       "",
       0,
       "The Restore was Completed!\n\nRestore Mail Rules\tSuccessed!\nRestore "
       "Contacts\tSuccessed!\n",
       "",
       [&](const Outcome&) {
         EXPECT_TRUE(fs::exists(contacts / "{2A4C6E8F-1B3D-4F5A-8C7E-9D0F1A2B3C4D}" / "DBStore" /
                                "contacts.edb"));
       },
       [&] { fs::remove_all(contacts); }},
      {"restore, an item the file does not hold",
       {"restore", "plain.wlm", "--items", "00000001000"},
       "",
       1,
       "",
       " holds none of the chosen items\n"},
      {"restore with a failed item",
       {"restore", "pw.wlm", "--password", "pw"},
       "",
       3,
       "Restore Mail Rules\tFail!\nRestore Contacts\tSuccessed!\n",
       "Restore Mail Rules: Windows Live Mail keeps no settings for this user\n",
       nullptr,
       [&] {
         for (const std::string& key : setup.reg->GetSubKeys(mail))
           setup.reg->DeleteKeyTree(mail + "\\" + key);
       }},
      {"backup with a failed item",
       {"backup", "part.wlm", "--items", "01000100000"},
       "",
       3,
       "Backup Mail Rules\tFail!\nBackup Contacts\tSuccessed!\n",
       "Backup Mail Rules: Windows Live Mail keeps no settings for this user\n",
       [&](const Outcome&) { EXPECT_TRUE(OpensWith("part.wlm", "")); }},
  };
  for (const Case& c : cases) {
    if (c.before) c.before();
    const Outcome run = Run(c.arguments, c.environmentPassword);
    EXPECT_EQ(run.status, c.status) << c.label << "\n" << run.out << run.err;
    if (c.out.empty())
      EXPECT_EQ(run.out, "") << c.label;
    else
      EXPECT_NE(run.out.find(c.out), std::string::npos) << c.label << "\n" << run.out;
    if (c.err.empty())
      EXPECT_EQ(run.err, "") << c.label;
    else
      EXPECT_NE(run.err.find(c.err), std::string::npos) << c.label << "\n" << run.err;
    // Every message ends its line; no progress is drawn where the output is no terminal.
    for (const std::string* text : {&run.out, &run.err}) {
      EXPECT_TRUE(text->empty() || text->back() == '\n') << c.label << ": " << *text;
      EXPECT_EQ(text->find_first_of("\r\x1b"), std::string::npos) << c.label << ": " << *text;
    }
    if (c.check) c.check(run);
  }
}

TEST_F(CliProcessTest, WithoutTheMailClientNothingIsDone) {
  const fs::path empty = setup.root() / "empty-prefix";
  fs::create_directories(empty);
  const Outcome run = RunProgram(program, {"backup", "x.wlm"}, work,
                                 {{"WINEPREFIX", empty.string()}, {"HOME", setup.root().string()}});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(run.err.empty());
  EXPECT_FALSE(fs::exists(work / "x.wlm"));
}

TEST_F(CliProcessTest, OnATerminalProgressIsDrawnAndThePasswordIsAskedWithoutEcho) {
  const std::map<std::string, std::string> env = {{"WINEPREFIX", setup.prefix().string()},
                                                  {"HOME", setup.root().string()},
                                                  {"QUILLSTOW_PASSWORD", ""}};
  const std::vector<Exchange> none;
  Outcome run =
      RunProgram(program, {"backup", "t.wlm", "--password", "s3cret"}, work, env, "", none);
  EXPECT_EQ(run.status, 0) << run.out;
  // One line redrawn in place: a carriage return, the step, its bytes, the rest erased.
  EXPECT_NE(run.out.find("\rMail Accounts & Messages/News Accounts & Messages  "),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(" of "), std::string::npos);
  EXPECT_NE(run.out.find("\x1b[K"), std::string::npos);
  EXPECT_NE(run.out.find("\rWriting t.wlm  "), std::string::npos);
  // The line is gone before the summary.
  EXPECT_NE(run.out.find("\r\x1b[KThe Backup was Completed!"), std::string::npos) << run.out;

  run = RunProgram(program, {"backup", "q.wlm", "--quiet"}, work, env, "", none);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "") << "--quiet draws nothing";

  run = RunProgram(program, {"inspect", "t.wlm"}, work, env, "",
                   std::vector<Exchange>{{"t.wlm: ", "s3cret\n"}});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("Password for " + (work / "t.wlm").string() + ": "), std::string::npos);
  EXPECT_EQ(run.out.find("s3cret"), std::string::npos) << "the password is not echoed";
  EXPECT_NE(run.out.find("Items:"), std::string::npos) << run.out;

  run = RunProgram(program, {"backup", "a.wlm", "--ask-password", "--items", "00000001000"}, work,
                   env, "", std::vector<Exchange>{{"a.wlm: ", "one\n"}, {"again: ", "two\n"}});
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.out.find("Incorect Password!"), std::string::npos) << "the second answer differs";
  EXPECT_FALSE(fs::exists(work / "a.wlm"));
}

}  // namespace
}  // namespace quill::cli
