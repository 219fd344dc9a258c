#include "cli/CliProgram.h"

#include <ctime>
#include <filesystem>
#include <fstream>

#include "archive/BackupFile.h"
#include "archive/BackupVerifier.h"
#include "backup/BackupEngine.h"
#include "cli/CliOptions.h"
#include "cli/Json.h"
#include "core/TimeText.h"
#include "platform/Files.h"
#include "restore/RestoreEngine.h"
#include "safety/SafetyBackups.h"
#ifdef QUILL_HAVE_RESCUE
#include "platform/rescue/RescuePlatform.h"
#endif

namespace quill::cli {
namespace {
using core::kItemCount;
using core::kItems;

// What one run of the program works with.
struct Run {
  const CommandLine& line;
  std::ostream& out;
  std::ostream& err;
  Console& console;

  bool quiet() const { return line.Has("--quiet"); }
  void Problem(const std::string& text) const { err << "quillstow-cli: " << text << "\n"; }
};

bool AnyChosen(const core::ItemSet& items) {
  for (bool chosen : items)
    if (chosen) return true;
  return false;
}

// A path as the user gave it, made whole against the current folder.
std::string WholePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path whole = std::filesystem::absolute(platform::HostPath(path), error);
  return error ? path : platform::PathText(whole.lexically_normal());
}

// The password the command line, a file or the environment gives. Nothing when none does;
// problem is set when a password file cannot be read.
std::optional<std::string> GivenPassword(const Run& run, std::string& problem) {
  if (const auto password = run.line.Option("--password")) return password;
  if (const auto file = run.line.Option("--password-file")) {
    std::ifstream in(platform::HostPath(*file), std::ios::binary);
    std::string password;
    if (!in || (!std::getline(in, password) && !in.eof())) {
      problem = "cannot read the password file " + *file;
      return std::nullopt;
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return password;
  }
  return run.console.Environment("QUILLSTOW_PASSWORD");
}

// The password that opens a protected file: given, else typed at a prompt on a terminal,
// else none.
std::string OpeningPassword(const Run& run, const std::string& file) {
  std::string problem;
  if (const auto given = GivenPassword(run, problem)) return *given;
  if (!problem.empty()) {
    run.Problem(problem);
    return "";
  }
  if (!run.console.InputIsTerminal()) return "";
  return run.console.ReadSecret("Password for " + file + ": ").value_or("");
}

// Opens the file of the command line as a backup; on failure says why and returns nothing.
std::unique_ptr<archive::OpenedBackup> Open(const Run& run, const std::string& file) {
  archive::BackupOpening opening =
      archive::OpenBackupFile(file, [&] { return OpeningPassword(run, file); });
  switch (opening.result) {
    case archive::BackupOpening::Result::WrongPassword:
      run.err << "Incorect Password or Invalid backup file\n";
      return nullptr;
    case archive::BackupOpening::Result::NoDescriptor:
    case archive::BackupOpening::Result::InvalidFlags:
      run.err << "Invalid backup file\n";
      if (!opening.reason.empty()) run.Problem(opening.reason);
      return nullptr;
    case archive::BackupOpening::Result::Opened:
      break;
  }
  return std::move(opening.backup);
}

// The items of the command line's mask, or of fallback when it gives none.
core::ItemSet ChosenItems(const Run& run, const std::string& fallback) {
  return core::ItemsOfMask(run.line.Option("--items").value_or(fallback));
}

// Each failed item on standard error, one line each: its name and why.
void TellFailures(const Run& run, const std::array<std::string, kItemCount>& errors,
                  const core::ItemSet& attempted, const core::ItemSet& done, bool backup) {
  for (std::size_t index = 0; index < kItemCount; ++index) {
    if (!attempted[index] || done[index]) continue;
    std::string why = errors[index].empty() ? "it failed" : errors[index];
    for (char& c : why)
      if (c == '\n' || c == '\r') c = ' ';
    run.err << (backup ? kItems[index].backupName : kItems[index].restoreName) << ": " << why
            << "\n";
  }
}

int Backup(const Run& run, core::Session& session, const std::string& file) {
  backup::BackupRequest request;
  request.items = ChosenItems(run, std::string(kItemCount, '1'));
  if (!AnyChosen(request.items)) {
    run.err << "Please select at least one item.\n";
    return kExitUsage;
  }
  std::string problem;
  if (const auto password = GivenPassword(run, problem)) request.password = *password;
  if (!problem.empty()) {
    run.Problem(problem);
    return kExitNothing;
  }
  if (run.line.Has("--ask-password")) {
    if (!run.console.InputIsTerminal()) {
      run.Problem("--ask-password needs a terminal to type the password in");
      return kExitUsage;
    }
    const auto typed = run.console.ReadSecret("Password for " + file + ": ");
    const auto again = run.console.ReadSecret("The same password again: ");
    if (!typed || typed->empty()) {
      run.err << "Please enter Password!\n";
      return kExitNothing;
    }
    if (typed != again) {
      run.err << "Incorect Password!\n";
      return kExitNothing;
    }
    request.password = *typed;
  }
  request.target = file;
  request.information = run.line.Option("--description").value_or("");
  request.logUser = session.profile().user;

  ProgressLine progress(run.err, !run.quiet() && run.console.ErrorIsTerminal(),
                        run.console.Width());
  const std::string fileName = platform::PathText(platform::HostPath(file).filename());
  std::string summary;
  backup::BackupObserver observer;
  observer.progress = [&](const backup::BackupProgress& step) {
    progress.Show(step.item < kItemCount ? kItems[step.item].caption : "Writing " + fileName,
                  step.done, step.total);
  };
  observer.itemFinished = [&](std::size_t index, bool succeeded) {
    summary +=
        std::string("\n") + kItems[index].backupName + "\t" + (succeeded ? "Successed!" : "Fail!");
  };
  const backup::BackupOutcome outcome = backup::BackupEngine(session).Run(request, observer);
  progress.Clear();
  if (!outcome.written) {
    run.err << "The Backup file could not be written: " << outcome.error << "\n";
    if (!summary.empty()) run.err << summary.substr(1) << "\n";
    return kExitNothing;
  }
  if (!run.quiet()) run.out << "The Backup was Completed!\n" << summary << "\n";
  TellFailures(run, outcome.errors, request.items, outcome.succeeded, true);
  return outcome.succeeded == request.items ? kExitDone : kExitPart;
}

// undo restores a safety backup: it takes none of its own.
int Restore(const Run& run, core::Session& session, const archive::OpenedBackup& backup,
            bool undo = false) {
  restore::RestoreRequest request;
  const bool given = run.line.Has("--items");
  request.items = ChosenItems(run, backup.descriptor.flags);
  if (!AnyChosen(request.items)) {
    run.err << "Please select at least one item.\n";
    return given ? kExitUsage : kExitNothing;
  }
  bool held = false;
  for (std::size_t index = 0; index < kItemCount; ++index)
    held = held || (request.items[index] && backup.descriptor.Holds(index));
  if (!held) {
    run.Problem(backup.reader.path() + " holds none of the chosen items");
    return kExitNothing;
  }
  request.logUser = session.profile().user;
  request.replaceMerged = undo;
  if (!undo) {
    const safety::SafetyBackup taken = safety::SafetyBackups(session).Take(backup, request.items);
    if (!taken.written) {
      run.err << safety::NotStartedText(taken) << "\n";
      return kExitNothing;
    }
    if (!run.quiet())
      run.out << "What the restore replaces was saved first in " << taken.file
              << "; 'quillstow-cli undo' puts it back.\n";
  }
  ProgressLine progress(run.err, !run.quiet() && run.console.ErrorIsTerminal(),
                        run.console.Width());
  std::string summary;
  restore::RestoreObserver observer;
  observer.progress = [&](const restore::RestoreProgress& step) {
    progress.Show(kItems[step.item].caption, step.done, step.total);
  };
  observer.itemFinished = [&](std::size_t index, bool restored, const std::string&) {
    summary +=
        std::string("\n") + kItems[index].restoreName + "\t" + (restored ? "Successed!" : "Fail!");
  };
  const restore::RestoreOutcome outcome =
      restore::RestoreEngine(session).Run(backup, request, observer);
  progress.Clear();
  if (!run.quiet()) run.out << "The Restore was Completed!\n" << summary << "\n";
  TellFailures(run, outcome.errors, outcome.attempted, outcome.restored, false);
  return outcome.AllRestored() ? kExitDone : kExitPart;
}

int Inspect(const Run& run, const archive::OpenedBackup& backup) {
  const archive::Descriptor& descriptor = backup.descriptor;
  std::string description;
  for (char c : descriptor.information)
    if (c != '\r') description += c;
  if (run.line.Has("--json")) {
    JsonWriter json;
    json.Open('{')
        .Key("file")
        .Text(backup.reader.path())
        .Key("computer")
        .Text(descriptor.computer)
        .Key("user")
        .Text(descriptor.user)
        .Key("date")
        .Text(descriptor.time)
        .Key("description")
        .Text(description)
        .Key("protected")
        .Truth(!backup.password.empty())
        .Key("items")
        .Open('[');
    for (std::size_t index = 0; index < kItemCount; ++index) {
      if (!descriptor.Holds(index)) continue;
      json.Open('{').Key("number").Number(index + 1).Key("name").Text(kItems[index].caption);
      json.Key("entries").Open('[');
      for (const std::string& entry : descriptor.entries[index]) json.Text(entry);
      json.Close(']').Close('}');
    }
    run.out << json.Close(']').Close('}').json() << "\n";
    return kExitDone;
  }
  run.out << "Computer: " << descriptor.computer << "\nUser: " << descriptor.user
          << "\nDate: " << descriptor.time << "\nDescription: " << description << "\nItems:\n";
  for (std::size_t index = 0; index < kItemCount; ++index)
    if (descriptor.Holds(index))
      run.out << "  " << (index + 1) << " " << kItems[index].caption << '\n';
  return kExitDone;
}

// The time of an entry as people read it, in the machine's time zone.
std::string EntryTime(std::int64_t seconds, bool forScripts) {
  const std::tm local = core::LocalTime(seconds);
  char text[32];
  std::strftime(text, sizeof text, forScripts ? "%Y-%m-%dT%H:%M:%S" : "%Y-%m-%d %H:%M", &local);
  return text;
}

int List(const Run& run, const archive::OpenedBackup& backup) {
  // Which item names each entry; the descriptor is its own.
  const auto itemOf = [&](const std::string& name) -> std::optional<std::size_t> {
    for (std::size_t index = 0; index < kItemCount; ++index)
      for (const std::string& entry : backup.descriptor.entries[index])
        if (entry == name && backup.descriptor.Holds(index)) return index;
    return std::nullopt;
  };
  const bool json = run.line.Has("--json");
  JsonWriter writer;
  writer.Open('{').Key("file").Text(backup.reader.path()).Key("entries").Open('[');
  std::uint64_t bytes = 0;
  for (const archive::EntryInfo& entry : backup.reader.entries()) {
    bytes += entry.size;
    const auto item = itemOf(entry.name);
    if (json) {
      writer.Open('{')
          .Key("name")
          .Text(entry.name)
          .Key("size")
          .Number(entry.size)
          .Key("modified")
          .Text(EntryTime(entry.modified, true))
          .Key("item");
      if (item)
        writer.Number(*item + 1);
      else
        writer.Null();
      writer.Close('}');
      continue;
    }
    std::string size = std::to_string(entry.size);
    if (size.size() < 12) size.insert(0, 12 - size.size(), ' ');
    const std::string owner = item                                     ? kItems[*item].caption
                              : entry.name == archive::kDescriptorName ? "(the descriptor)"
                                                                       : "(no item)";
    run.out << size << "  " << EntryTime(entry.modified, false) << "  " << entry.name << "  ["
            << owner << "]\n";
  }
  if (json) {
    run.out << writer.Close(']').Close('}').json() << "\n";
  } else {
    run.out << backup.reader.entries().size() << " entries, " << bytes << " bytes ("
            << SizeText(bytes) << ")\n";
  }
  return kExitDone;
}

int Verify(const Run& run, const std::string& file) {
  std::string problem;
  std::string password;
  if (const auto given = GivenPassword(run, problem)) {
    password = *given;
  } else if (!problem.empty()) {
    run.Problem(problem);
    return kExitNothing;
  } else if (archive::ArchiveReader::IsPasswordProtected(file) && run.console.InputIsTerminal()) {
    password = run.console.ReadSecret("Password for " + file + ": ").value_or("");
  }
  const archive::VerifyReport report = archive::VerifyBackupFile(file, password);
  if (run.line.Has("--json")) {
    const auto findings = [](JsonWriter& json, const std::vector<archive::VerifyFinding>& list) {
      json.Open('[');
      for (const archive::VerifyFinding& finding : list)
        json.Open('{')
            .Key("entry")
            .Text(finding.entry)
            .Key("message")
            .Text(finding.message)
            .Close('}');
      json.Close(']');
    };
    const archive::VerifySummary& summary = report.summary;
    JsonWriter json;
    json.Open('{')
        .Key("file")
        .Text(file)
        .Key("ok")
        .Truth(report.ok)
        .Key("entries")
        .Number(summary.entries)
        .Key("bytes")
        .Number(summary.bytes)
        .Key("innerArchives")
        .Number(summary.innerArchives)
        .Key("innerEntries")
        .Number(summary.innerEntries)
        .Key("innerBytes")
        .Number(summary.innerBytes)
        .Key("registryFiles")
        .Number(summary.registryFiles)
        .Key("problems");
    findings(json, report.problems);
    json.Key("warnings");
    findings(json, report.warnings);
    run.out << json.Close('}').json() << "\n";
  } else {
    std::string text = report.Text();
    if (!text.empty() && text.back() != '\n') text += '\n';
    run.out << text;
  }
  return report.ok ? kExitDone : kExitNothing;
}

// The last restore undone: the newest safety backup restored, every item it holds.
int Undo(const Run& run, core::Session& session) {
  const std::string latest = safety::SafetyBackups(session).Latest();
  if (latest.empty()) {
    run.err << "There is no restore to undo: no safety backup is in "
            << safety::SafetyBackups(session).Folder() << ".\n";
    return kExitNothing;
  }
  const auto backup = Open(run, latest);
  if (backup == nullptr) return kExitNothing;
  if (!run.quiet()) run.out << "Undoing the last restore with " << latest << "\n";
  const int status = Restore(run, session, *backup, true);
  // What the undone restore brought that was not there before goes again.
  const std::vector<std::string> left = safety::SafetyBackups(session).RemoveAdded(latest);
  for (const std::string& path : left) run.Problem("cannot remove " + path);
  return left.empty() ? status : kExitPart;
}

// The backup of a profile on another Windows's disk: the same backup, over a platform made of
// that disk.
int Rescue(const Run& run, platform::Platform& host, const std::string& file, core::Clock clock) {
  const auto from = run.line.Option("--from");
  const auto user = run.line.Option("--user");
  if (!from || !user || from->empty() || user->empty()) {
    run.Problem("rescue needs --from DIR and --user NAME");
    run.err << UsageText("rescue");
    return kExitUsage;
  }
#ifdef QUILL_HAVE_RESCUE
  const auto opening =
      platform::rescue::OpenRescue(WholePath(*from), *user, host.system().ApplicationFolder());
  if (!opening.platform) {
    run.err << opening.problem << "\n";
    return kExitNothing;
  }
  core::Session session(*opening.platform, std::move(clock));
  if (!session.found().mailFound) {
    run.err << session.found().problem << "\n";
    return kExitNothing;
  }
  return Backup(run, session, file);
#else
  static_cast<void>(host);
  static_cast<void>(clock);
  static_cast<void>(file);
  run.Problem(
      "this build cannot read another Windows's registry hive (it was built without hivex)");
  return kExitNothing;
#endif
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, platform::Platform& platform,
           std::ostream& out, std::ostream& err, Console& console, core::Clock clock) {
  std::string problem;
  const auto line = ParseCommandLine(arguments, problem);
  if (!line) {
    // The command the line was meant for, when it names one, gives the usage.
    err << "quillstow-cli: " << problem << "\n" << UsageText(arguments.empty() ? "" : arguments[0]);
    return kExitUsage;
  }
  if (line->ask == CommandLine::Ask::Help) {
    out << HelpText(line->command);
    return kExitDone;
  }
  if (line->ask == CommandLine::Ask::Version) {
    out << VersionText();
    return kExitDone;
  }
  const Run run{*line, out, err, console};
  const std::string file = WholePath(line->file);
  if (line->command == "verify") return Verify(run, file);  // the file alone: no profile
  if (line->command == "inspect" || line->command == "list") {
    const auto backup = Open(run, file);
    if (backup == nullptr) return kExitNothing;
    return line->command == "inspect" ? Inspect(run, *backup) : List(run, *backup);
  }
  if (line->command == "rescue") return Rescue(run, platform, file, std::move(clock));
  core::Session session(platform, std::move(clock));
  if (!session.found().mailFound) {
    err << session.found().problem << "\n";
    return kExitNothing;
  }
  if (line->command == "backup") return Backup(run, session, file);
  if (line->command == "undo") return Undo(run, session);
  const auto backup = Open(run, file);
  if (backup == nullptr) return kExitNothing;
  return Restore(run, session, *backup);
}

int RunCli(const std::vector<std::string>& arguments, platform::Platform& platform,
           std::ostream& out, std::ostream& err, core::Clock clock) {
  PlainConsole console;
  return RunCli(arguments, platform, out, err, console, std::move(clock));
}

}  // namespace quill::cli
