#pragma once
// quillstow-cli's command line: its commands, their options, and the help texts that
// describe them.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quill::cli {

// Exit statuses, the same as the unattended run's.
inline constexpr int kExitDone = 0;     // everything asked was done
inline constexpr int kExitNothing = 1;  // nothing was done
inline constexpr int kExitUsage = 2;    // the command line is not understood
inline constexpr int kExitPart = 3;     // done in part: a chosen item failed

struct CommandLine {
  // What the command line asks for beyond a command: help or the version.
  enum class Ask { Command, Help, Version } ask = Ask::Command;
  std::string command;  // empty for the program's help
  std::string file;
  std::map<std::string, std::string> options;  // by long name; flags hold ""

  bool Has(const std::string& name) const { return options.count(name) != 0; }
  std::optional<std::string> Option(const std::string& name) const;
};

// Reads the arguments after the program's name. Nothing, with problem saying why (one line,
// without "quillstow-cli: "), when they are not understood.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& problem);

// The program's help (command empty) or a command's.
std::string HelpText(const std::string& command);
// The short usage shown with a command line that is not understood.
std::string UsageText(const std::string& command);
std::string VersionText();

}  // namespace quill::cli
