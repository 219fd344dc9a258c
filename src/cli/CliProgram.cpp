#include "cli/CliProgram.h"

#include <map>
#include <optional>

#include "archive/BackupFile.h"
#include "archive/BackupVerifier.h"
#include "backup/BackupEngine.h"
#include "restore/RestoreEngine.h"

namespace quill::cli {
namespace {
using core::kItemCount;
using core::kItems;

// The usage text, with the items numbered as the masks count them.
std::string Usage() {
  std::string usage =
      "usage: quillstow-cli inspect FILE [--password PW]\n"
      "       quillstow-cli restore FILE [--items MASK] [--password PW]\n"
      "       quillstow-cli backup FILE [--items MASK] [--password PW] [--description TEXT]\n"
      "       quillstow-cli verify FILE [--password PW]\n"
      "MASK: eleven 0/1, one per item:\n";
  std::string line = " ";
  for (std::size_t index = 0; index < kItemCount; ++index) {
    const std::string item = " " + std::to_string(index + 1) + " " + kItems[index].caption +
                             (index + 1 < kItemCount ? "," : "");
    if (line.size() + item.size() > 92) {
      usage += line + "\n";
      line = " ";
    }
    line += item;
  }
  return usage + line + "\n";
}

struct Arguments {
  std::string command;
  std::string file;
  std::map<std::string, std::string> options;

  std::optional<std::string> Option(const std::string& name) const {
    const auto it = options.find(name);
    return it == options.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
};

std::optional<Arguments> Parse(const std::vector<std::string>& arguments, std::string& problem) {
  if (arguments.size() < 2) {
    problem = "a command and a file are needed";
    return std::nullopt;
  }
  Arguments parsed{arguments[0], arguments[1], {}};
  for (std::size_t i = 2; i < arguments.size(); i += 2) {
    const std::string& name = arguments[i];
    if (name != "--password" && name != "--items" && name != "--description") {
      problem = "unknown option " + name;
      return std::nullopt;
    }
    if (i + 1 >= arguments.size()) {
      problem = name + " needs a value";
      return std::nullopt;
    }
    parsed.options[name] = arguments[i + 1];
  }
  if (const auto mask = parsed.Option("--items")) {
    if (mask->size() != kItemCount || mask->find_first_not_of("01") != std::string::npos) {
      problem = "--items takes eleven characters 0 or 1";
      return std::nullopt;
    }
  }
  return parsed;
}

bool AnyChosen(const core::ItemSet& items) {
  for (bool chosen : items)
    if (chosen) return true;
  return false;
}

int Backup(const Arguments& args, core::Session& session, std::ostream& out, std::ostream& err) {
  backup::BackupRequest request;
  request.items = core::ItemsOfMask(args.Option("--items").value_or(std::string(kItemCount, '1')));
  if (!AnyChosen(request.items)) {
    err << "Please select at least one item.\n";
    return 1;
  }
  request.target = args.file;
  request.password = args.Option("--password").value_or("");
  request.information = args.Option("--description").value_or("");
  request.logUser = session.profile().user;
  std::string summary;
  backup::BackupObserver observer;
  observer.itemFinished = [&](std::size_t index, bool succeeded) {
    summary +=
        std::string("\n") + kItems[index].backupName + "\t" + (succeeded ? "Successed!" : "Fail!");
  };
  const backup::BackupOutcome outcome = backup::BackupEngine(session).Run(request, observer);
  if (!outcome.written) {
    err << "The Backup file could not be written: " << outcome.error << "\n" << summary << "\n";
    return 1;
  }
  out << "The Backup was Completed!\n" << summary << "\n";
  return 0;
}

void Inspect(const archive::Descriptor& descriptor, std::ostream& out) {
  std::string description;
  for (char c : descriptor.information)
    if (c != '\r') description += c;
  out << "Computer: " << descriptor.computer << "\nUser: " << descriptor.user
      << "\nDate: " << descriptor.time << "\nDescription: " << description << "\nItems:\n";
  for (std::size_t index = 0; index < kItemCount; ++index)
    if (descriptor.Holds(index)) out << "  " << (index + 1) << " " << kItems[index].caption << '\n';
}

int Restore(const Arguments& args, const archive::OpenedBackup& backup, core::Session& session,
            std::ostream& out, std::ostream& err) {
  restore::RestoreRequest request;
  request.items = core::ItemsOfMask(args.Option("--items").value_or(backup.descriptor.flags));
  if (!AnyChosen(request.items)) {
    err << "Please select at least one item.\n";
    return 1;
  }
  request.logUser = session.profile().user;
  std::string summary;
  restore::RestoreObserver observer;
  observer.itemFinished = [&](std::size_t index, bool restored, const std::string&) {
    summary +=
        std::string("\n") + kItems[index].restoreName + "\t" + (restored ? "Successed!" : "Fail!");
  };
  const restore::RestoreOutcome outcome =
      restore::RestoreEngine(session).Run(backup, request, observer);
  out << "The Restore was Completed!\n" << summary << "\n";
  return outcome.AllRestored() ? 0 : 1;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, platform::Platform& platform,
           std::ostream& out, std::ostream& err, core::Clock clock) {
  std::string problem;
  const auto args = Parse(arguments, problem);
  if (!args || (args->command != "inspect" && args->command != "restore" &&
                args->command != "backup" && args->command != "verify")) {
    err << "quillstow-cli: " << (args ? "unknown command " + args->command : problem) << "\n"
        << Usage();
    return 2;
  }
  const std::string password = args->Option("--password").value_or("");
  if (args->command == "verify") {
    // A check reads the file alone: it needs no profile.
    const archive::VerifyReport report = archive::VerifyBackupFile(args->file, password);
    out << report.Text();
    return report.ok ? 0 : 1;
  }
  core::Session session(platform, std::move(clock));
  if (!session.found().mailFound) {
    err << session.found().problem << "\n";
    return 1;
  }
  if (args->command == "backup") return Backup(*args, session, out, err);

  const archive::BackupOpening opening =
      archive::OpenBackupFile(args->file, [&password] { return password; });
  switch (opening.result) {
    case archive::BackupOpening::Result::WrongPassword:
      out << "Incorect Password or Invalid backup file\n";
      return 1;
    case archive::BackupOpening::Result::NoDescriptor:
    case archive::BackupOpening::Result::InvalidFlags:
      err << "Invalid backup file\n";
      return 1;
    case archive::BackupOpening::Result::Opened:
      break;
  }
  if (args->command == "inspect") {
    Inspect(opening.backup->descriptor, out);
    return 0;
  }
  return Restore(*args, *opening.backup, session, out, err);
}

}  // namespace quill::cli
