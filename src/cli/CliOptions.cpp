#include "cli/CliOptions.h"

#include <algorithm>

#include "core/ItemCatalogue.h"

#ifndef QUILL_VERSION
#define QUILL_VERSION "0"
#endif

namespace quill::cli {

namespace {

struct OptionSpec {
  const char* name;
  char shortName;  // '\0' for none
  bool takesValue;
  const char* valueName;
  const char* help;
};

constexpr OptionSpec kItemsOption{"--items", '\0', true, "MASK",
                                  "the items, as eleven 0 or 1 (see below)"};
constexpr OptionSpec kPasswordOption{
    "--password", '\0', true, "PW",
    "the password; others on this machine can see it in the process list, so prefer "
    "--password-file or QUILLSTOW_PASSWORD"};
constexpr OptionSpec kPasswordFileOption{"--password-file", '\0', true, "FILE",
                                         "the password: the first line of FILE"};
constexpr OptionSpec kJsonOption{"--json", '\0', false, nullptr,
                                 "print the result as one JSON object, for scripts"};
constexpr OptionSpec kQuietOption{"--quiet", 'q', false, nullptr,
                                  "print neither progress nor the summary; errors still go "
                                  "to standard error"};
constexpr OptionSpec kHelpOption{"--help", 'h', false, nullptr, "show this help"};

struct CommandSpec {
  const char* name;
  const char* summary;      // one line for the program's help
  const char* description;  // the command's help
  std::vector<OptionSpec> options;
  bool takesFile = true;
};

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {"backup",
       "back up the mail profile's items into the backup file FILE",
       "Backs up the chosen items of the mail profile into FILE. The file is written whole or "
       "not at all: a file already there stays as it was until the new one is complete. It is "
       "protected when a password is given (--password, --password-file or "
       "QUILLSTOW_PASSWORD) or asked for (--ask-password).",
       {kItemsOption,
        {"--description", '\0', true, "TEXT", "a description, shown when the file is inspected"},
        kPasswordOption,
        kPasswordFileOption,
        {"--ask-password", '\0', false, nullptr,
         "protect the file with a password typed at a prompt, twice"},
        kQuietOption,
        kHelpOption}},
      {"rescue",
       "back up the profile of a user of a Windows that is not running into FILE",
       "Backs up the mail profile of a user of another Windows (a dead PC's disk, mounted here, "
       "or a copy of the user's folder) into FILE, as a backup on that Windows would have. The "
       "user's registry hive (NTUSER.DAT) and folders are only read, never written; the file "
       "restores on any machine.",
       {{"--from", '\0', true, "DIR",
         "the mounted Windows disk (holding Users\\NAME) or the user's folder (holding "
         "NTUSER.DAT); needed"},
        {"--user", '\0', true, "NAME", "the user whose profile is backed up; needed"},
        kItemsOption,
        {"--description", '\0', true, "TEXT", "a description, shown when the file is inspected"},
        kPasswordOption,
        kPasswordFileOption,
        kQuietOption,
        kHelpOption}},
      {"restore",
       "put the items of the backup file FILE back into the mail profile",
       "Puts the chosen items of FILE back into the mail profile, each in place of what the "
       "profile holds: every folder is replaced whole, contacts are added to the user's. By "
       "default every item FILE holds is restored.",
       {kItemsOption, kPasswordOption, kPasswordFileOption, kQuietOption, kHelpOption}},
      {"undo",
       "undo the last restore: put back what it replaced",
       "Puts back what the last restore replaced: before every restore, the items it restores "
       "are saved as the profile holds them (the newest three such safety backups are kept), "
       "and undo restores the newest of them.",
       {kQuietOption, kHelpOption},
       false},
      {"inspect",
       "show where the backup file FILE comes from and which items it holds",
       "Shows the computer, user, date and description FILE was made with, and the items it "
       "holds.",
       {kPasswordOption, kPasswordFileOption, kJsonOption, kHelpOption}},
      {"list",
       "show the entries of FILE with their sizes, times and items",
       "Lists the entries of FILE: each one's size, the time of its file, its name and the item "
       "it belongs to.",
       {kPasswordOption, kPasswordFileOption, kJsonOption, kHelpOption}},
      {"verify",
       "read FILE whole and check that a restore can read everything it names",
       "Reads every entry of FILE whole, opens every inner archive and checks every registry "
       "file the way a restore reads them, without changing anything. Needs no mail profile.",
       {kPasswordOption, kPasswordFileOption, kJsonOption, kHelpOption}},
  };
  return commands;
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& command : Commands())
    if (name == command.name) return &command;
  return nullptr;
}

// Text broken into lines of at most width characters, each line after the first indented.
std::string Wrap(const std::string& text, std::size_t width, std::size_t indent) {
  std::string wrapped, line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      wrapped += line + "\n" + std::string(indent, ' ');
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  return wrapped + line;
}

std::string ItemsText() {
  std::string text = "Items, as MASK counts them (eleven 0 or 1, one per item):\n";
  std::string line = " ";
  for (std::size_t index = 0; index < core::kItemCount; ++index) {
    // Appended piece by piece: GCC 12 warns of a false overlap in the chained operator+.
    std::string item = " ";
    item += std::to_string(index + 1);
    item += ' ';
    item += core::kItems[index].caption;
    if (index + 1 < core::kItemCount) item += ',';
    if (line.size() + item.size() > 88) {
      text += line;
      text += '\n';
      line.assign(1, ' ');
    }
    line += item;
  }
  text += line;
  text += '\n';
  return text;
}

std::string PasswordText() {
  return "A protected backup file's password is taken from --password, else from\n"
         "--password-file, else from the environment variable QUILLSTOW_PASSWORD, else it is\n"
         "asked for when the input is a terminal.\n";
}

std::string ExitText() {
  return "Exit status:\n"
         "  0  everything asked was done\n"
         "  1  nothing was done: the backup file could not be written, or FILE could not be\n"
         "     read as a backup (not a backup file, or a wrong password), or the mail client\n"
         "     was not found\n"
         "  2  the command line is not understood\n"
         "  3  done in part: the backup file was written or the restore ran, but a chosen\n"
         "     item failed; each such item is named on standard error with the reason\n";
}

std::string OptionLine(const OptionSpec& option) {
  std::string left = option.shortName != '\0'
                         ? std::string("-") + option.shortName + ", " + option.name
                         : std::string("    ") + option.name;
  if (option.takesValue) left += std::string(" ") + option.valueName;
  left = "  " + left;
  if (left.size() < 26)
    left.resize(26, ' ');
  else
    left += "\n" + std::string(26, ' ');
  return left + Wrap(option.help, 62, 26) + "\n";
}

}  // namespace

std::optional<std::string> CommandLine::Option(const std::string& name) const {
  const auto it = options.find(name);
  return it == options.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& problem) {
  CommandLine line;
  if (arguments.empty()) {
    problem = "a command and a file are needed";
    return std::nullopt;
  }
  const std::string& first = arguments[0];
  if (first == "--help" || first == "-h" || first == "help") {
    line.ask = CommandLine::Ask::Help;
    if (first == "help" && arguments.size() > 1) {
      if (FindCommand(arguments[1]) == nullptr) {
        problem = "unknown command " + arguments[1];
        return std::nullopt;
      }
      line.command = arguments[1];
    }
    return line;
  }
  if (first == "--version") {
    line.ask = CommandLine::Ask::Version;
    return line;
  }
  if (first.size() > 1 && first[0] == '-') {
    problem = "unknown option " + first;
    return std::nullopt;
  }
  const CommandSpec* command = FindCommand(first);
  if (command == nullptr) {
    problem = arguments.size() < 2 ? "a command and a file are needed" : "unknown command " + first;
    return std::nullopt;
  }
  line.command = first;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      if (!line.file.empty()) {
        problem = "one file only: " + argument + " is one too many";
        return std::nullopt;
      }
      line.file = argument;
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = argument;
    std::optional<std::string> value;
    if (argument.rfind("--", 0) == 0) {
      if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
        name = argument.substr(0, equals);
        value = argument.substr(equals + 1);
      }
    }
    const auto spec = std::find_if(
        command->options.begin(), command->options.end(), [&](const OptionSpec& option) {
          return name == option.name ||
                 (option.shortName != '\0' && name == std::string("-") + option.shortName);
        });
    if (spec == command->options.end()) {
      problem = "unknown option " + name;
      return std::nullopt;
    }
    if (!spec->takesValue && value) {
      problem = std::string(spec->name) + " takes no value";
      return std::nullopt;
    }
    if (spec->takesValue && !value) {
      if (i + 1 >= arguments.size()) {
        problem = std::string(spec->name) + " needs a value";
        return std::nullopt;
      }
      value = arguments[++i];
    }
    line.options[spec->name] = value.value_or("");
  }
  if (line.Has("--help")) {
    line.ask = CommandLine::Ask::Help;
    return line;
  }
  if (line.file.empty() && command->takesFile) {
    problem = "a command and a file are needed";
    return std::nullopt;
  }
  if (!line.file.empty() && !command->takesFile) {
    problem = std::string(command->name) + " takes no file";
    return std::nullopt;
  }
  if (const auto mask = line.Option("--items")) {
    if (mask->size() != core::kItemCount || mask->find_first_not_of("01") != std::string::npos) {
      problem = "--items takes eleven characters 0 or 1";
      return std::nullopt;
    }
  }
  return line;
}

std::string UsageText(const std::string& command) {
  if (const CommandSpec* spec = FindCommand(command)) {
    std::string usage = "usage: quillstow-cli ";
    usage += spec->name;
    if (spec->takesFile) usage += " FILE";
    for (const OptionSpec& option : spec->options) {
      if (std::string(option.name) == "--help") continue;
      usage += std::string(" [") + option.name +
               (option.takesValue ? std::string(" ") + option.valueName : "") + "]";
    }
    return Wrap(usage, 88, 7) + "\nRun 'quillstow-cli " + spec->name +
           " --help' for what each option does.\n";
  }
  std::string usage = "usage: quillstow-cli COMMAND FILE [OPTIONS]\n";
  for (const CommandSpec& spec : Commands()) {
    usage += "       quillstow-cli ";
    usage += spec.name;
    usage += spec.takesFile ? " FILE\n" : "\n";
  }
  return usage + "Run 'quillstow-cli --help' for the commands and their options.\n";
}

std::string HelpText(const std::string& command) {
  if (const CommandSpec* spec = FindCommand(command)) {
    std::string help = UsageText(command).substr(0, UsageText(command).find("\nRun ") + 1) + "\n" +
                       Wrap(spec->description, 88, 0) + "\n\nOptions:\n";
    for (const OptionSpec& option : spec->options) help += OptionLine(option);
    bool items = false, password = false;
    for (const OptionSpec& option : spec->options) {
      items = items || std::string(option.name) == "--items";
      password = password || std::string(option.name) == "--password";
    }
    if (items) help += "\n" + ItemsText();
    if (password) help += "\n" + PasswordText();
    return help + "\n" + ExitText();
  }
  std::string help =
      "quillstow-cli backs up and restores a Windows Live Mail user's data from a terminal.\n"
      "\n"
      "usage: quillstow-cli COMMAND FILE [OPTIONS]\n"
      "\n"
      "Commands:\n";
  for (const CommandSpec& spec : Commands()) {
    std::string left = "  ";
    left += spec.name;
    if (spec.takesFile) left += " FILE";
    left.resize(17, ' ');
    help += left + Wrap(spec.summary, 70, 17) + "\n";
  }
  help +=
      "\n"
      "Options:\n"
      "  -h, --help     show this help\n"
      "  --version      show the program's version\n"
      "\n"
      "Run 'quillstow-cli COMMAND --help' for a command's options.\n"
      "\n"
#ifdef _WIN32
      "The mail profile is the Windows Live Mail profile of the user running the program.\n"
#else
      "The mail profile is the Windows Live Mail profile in the Wine prefix $WINEPREFIX\n"
      "(~/.wine when it is not set). FILE may be given relative to the current folder.\n"
#endif
      "\n";
  return help + ItemsText() + "\n" + PasswordText() + "\n" + ExitText();
}

std::string VersionText() {
  return std::string("quillstow-cli ") + QUILL_VERSION + "\n";
}

}  // namespace quill::cli
