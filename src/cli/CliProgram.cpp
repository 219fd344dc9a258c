#include "cli/CliProgram.h"

#include <filesystem>
#include <map>
#include <optional>

#include "app/BackupInspection.h"
#include "app/BackupRun.h"
#include "app/RestoreRun.h"
#include "archive/BackupVerifier.h"
#include "core/SettingsFile.h"
#include "core/SharedServices.h"
#include "core/TimeText.h"
#include "platform/Files.h"
#include "registry/RegistryText.h"
#include "restore/ItemRestores.h"

namespace quill::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillstow-cli inspect FILE [--password PW]\n"
    "       quillstow-cli restore FILE [--items MASK] [--password PW]\n"
    "       quillstow-cli backup FILE [--items MASK] [--password PW] [--description TEXT]\n"
    "       quillstow-cli verify FILE [--password PW]\n"
    "MASK: eleven 0/1, one per item:\n"
    "  1 Mail Accounts & Messages/News Accounts & Messages, 2 Mail Rules, 3 LDAP Accounts,\n"
    "  4 Newsgroups Rules, 5 Junk Mail Settings, 6 Contacts, 7 Windows Live Mail Database,\n"
    "  8 Signatures, 9 Stationeries, 10 Settings, 11 Calendars\n";

struct Arguments {
  std::string command;
  std::string file;
  std::map<std::string, std::string> options;
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
  if (parsed.options.count("--items") != 0) {
    const std::string& mask = parsed.options["--items"];
    if (mask.size() != archive::kItemCount || mask.find_first_not_of("01") != std::string::npos) {
      problem = "--items takes eleven characters 0 or 1";
      return std::nullopt;
    }
  }
  return parsed;
}

// Messages go to the terminal; the password comes from the command line.
class CliPrompter : public platform::Prompter {
 public:
  CliPrompter(std::ostream& out, std::ostream& err, std::optional<std::string> password)
      : out_(out), err_(err), password_(std::move(password)) {}
  platform::MessageAnswer Message(const std::string& text, platform::MessageIcon icon,
                                  platform::MessageButtons, const std::string&) override {
    std::string plain;
    for (char c : text)
      if (c != '\r') plain += c;
    (icon == platform::MessageIcon::Error || icon == platform::MessageIcon::Warning ? err_ : out_)
        << plain << '\n';
    return platform::MessageAnswer::Ok;
  }
  std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskPassword() override { return password_; }
  std::string ChooseFolder(const std::string&) override { return std::string(); }

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::optional<std::string> password_;
};

class CliRestorePage : public app::RestorePageView, public app::QuietProgress {
 public:
  std::array<bool, archive::kItemCount> enabled{}, checked{};
  std::string user;
  void SetItemEnabled(std::size_t i, bool on) override { enabled[i] = on; }
  bool ItemEnabled(std::size_t i) override { return enabled[i]; }
  void SetItemChecked(std::size_t i, bool on) override { checked[i] = on; }
  bool ItemChecked(std::size_t i) override { return checked[i]; }
  void SetSourceFileText(const std::string&) override {}
  void SetFileInfoText(const std::string&) override {}
  void SetBackupInfoText(const std::string&) override {}
  std::string TargetUser() override { return user; }
};

class CliBackupPage : public app::BackupPageView, public app::QuietProgress {
 public:
  std::array<bool, archive::kItemCount> checked{};
  std::string user, password, description;
  void SetItemEnabled(std::size_t, bool) override {}
  bool ItemEnabled(std::size_t) override { return true; }
  void SetItemChecked(std::size_t i, bool on) override { checked[i] = on; }
  bool ItemChecked(std::size_t i) override { return checked[i]; }
  void SetTargetFileText(const std::string&) override {}
  std::string SourceUser() override { return user; }
  bool ProtectChecked() override { return !password.empty(); }
  std::string Password() override { return password; }
  std::string Password2() override { return password; }
  std::string AttachInfo() override { return description; }
};

// A file removed when the object goes.
struct ScratchFile {
  std::string path;
  ~ScratchFile() {
    std::error_code error;
    std::filesystem::remove(platform::HostPath(path), error);
  }
};

// Everything a command works with, over the profile start-up discovers.
struct Session {
  Session(platform::Platform& platform, CliPrompter& prompter)
      : reg(platform.registry()),
        services(platform, reg),
        settings(platform),
        found(core::Discovery(platform, reg, services, prompter).Run("")) {}
  registry::RegistryKeys reg;
  core::SharedServices services;
  core::SettingsFile settings;
  core::DiscoveryResult found;
};

}  // namespace

int RunCli(const std::vector<std::string>& arguments, platform::Platform& platform,
           std::ostream& out, std::ostream& err) {
  std::string problem;
  const auto args = Parse(arguments, problem);
  if (!args || (args->command != "inspect" && args->command != "restore" &&
                args->command != "backup" && args->command != "verify")) {
    err << "quillstow-cli: " << (args ? "unknown command " + args->command : problem) << "\n"
        << kUsage;
    return 2;
  }
  const auto option = [&](const char* name) -> std::optional<std::string> {
    const auto it = args->options.find(name);
    return it == args->options.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  if (args->command == "verify") {
    // A check reads the file alone: it needs no profile.
    const archive::VerifyReport report =
        archive::VerifyBackupFile(args->file, option("--password").value_or(""));
    out << report.Text();
    return report.ok ? 0 : 1;
  }
  CliPrompter prompter(out, err, option("--password"));
  Session session(platform, prompter);
  if (!session.found.mailFound) return 1;
  const auto timeStamp = [&] { return platform.system().GeneralDate(core::LocalNow()); };
  archive::ZipComponent zip1;
  zip1.SetWorkingFolder(platform.system().ApplicationFolder());

  if (args->command == "backup") {
    CliBackupPage page;
    const std::string mask = option("--items").value_or("11111111111");
    for (std::size_t i = 0; i < archive::kItemCount; ++i) page.checked[i] = mask[i] == '1';
    page.user = session.found.values.LogonUserName;
    page.password = option("--password").value_or("");
    page.description = option("--description").value_or("");
    backup::BackupEngine engine(platform, session.reg, session.services, zip1, session.found.values,
                                session.found.DescriptorPath, timeStamp);
    app::BackupRun run(engine, platform, session.services, session.settings, session.reg, prompter,
                       page, session.found.values, core::LocalNow);
    run.SetTargetFilePath(args->file);
    return run.RunBackup() ? 0 : 1;
  }

  // The descriptor copy an inspection takes out is scratch: it goes when the command ends.
  const ScratchFile descriptorCopy{session.found.DescriptorPath};
  CliRestorePage page;
  page.user = session.found.values.LogonUserName;
  archive::ZipComponent zip2;
  app::BackupInspection inspection(zip1, zip2, prompter, page, session.found.DescriptorPath);
  if (inspection.Inspect(args->file) != app::BackupInspection::Outcome::Accepted) return 1;
  const app::RestoreSource& source = inspection.source();
  if (args->command == "inspect") {
    const archive::DescriptorContents contents =
        archive::ReadDescriptor(session.found.DescriptorPath);
    std::string description;
    for (char c : contents.information)
      if (c != '\r') description += c;
    out << "Computer: " << contents.computer << "\nUser: " << contents.user
        << "\nDate: " << contents.time << "\nDescription: " << description << "\nItems:\n";
    for (std::size_t i = 0; i < archive::kItemCount; ++i)
      if (source.Holds(i)) out << "  " << (i + 1) << " " << archive::kItemCaptions[i] << '\n';
    return 0;
  }
  const std::string mask = option("--items").value_or(source.flags);
  for (std::size_t i = 0; i < archive::kItemCount; ++i) page.checked[i] = mask[i] == '1';
  registry::RegistryText text(platform.registry(), session.reg);
  restore::ItemRestores items(
      {session.found.values.MailDataFolder, session.found.values.ContactsFolder,
       session.found.values.StationeryFolder, platform.system().ApplicationFolder()},
      zip1, session.reg, text, nullptr);
  app::RestoreRun run(items, session.services, session.settings, prompter, page, timeStamp,
                      session.found.DescriptorPath);
  const app::RestoreOutcome outcome = run.Run(source);
  if (!outcome.ran) return 1;
  for (std::size_t i = 0; i < archive::kItemCount; ++i)
    if (outcome.attempted[i] && !outcome.restored[i]) return 1;
  return 0;
}

}  // namespace quill::cli
