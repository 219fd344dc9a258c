#include "automation/TaskScheduler.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/Text.h"

#ifndef _WIN32
#include "platform/posix/PosixProcesses.h"
#endif

namespace quill::automation {
namespace {

constexpr const char* kQuote = "\"";

// A word for the shell: in single quotes, a single quote written as '\''.
std::string ShellWord(const std::string& text) {
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

// cron ends a command at an unescaped "%".
std::string CronCommand(const std::string& command) {
  std::string escaped;
  for (char c : command) escaped += c == '%' ? std::string("\\%") : std::string(1, c);
  return escaped;
}

// What a program wrote, as one line for a message: line breaks become blanks.
std::string OneLine(const std::string& output) {
  std::string line;
  for (char c : output) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  return std::string(platform::TrimBlanks(line));
}

// "what failed (exit status n): what it wrote."
std::string Failure(const std::string& what, int status, const std::string& output) {
  std::string text = what + " failed (exit status " + std::to_string(status) + ")";
  const std::string said = OneLine(output);
  if (!said.empty()) text += ": " + said;
  if (text.back() != '.') text += '.';
  return text;
}

// Two decimal digits, at most limit.
std::optional<int> TwoDigits(const std::string& text, std::size_t at, int limit) {
  if (at + 2 > text.size()) return std::nullopt;
  const char high = text[at];
  const char low = text[at + 1];
  if (high < '0' || high > '9' || low < '0' || low > '9') return std::nullopt;
  const int value = (high - '0') * 10 + (low - '0');
  return value <= limit ? std::optional<int>(value) : std::nullopt;
}

std::string CronDays(const std::string& days) {
  if (days == "*") return "*";
  static const std::map<std::string, std::string> kNumbers = {
      {"Sun", "0"}, {"Mon", "1"}, {"Tue", "2"}, {"Wed", "3"},
      {"Thu", "4"}, {"Fri", "5"}, {"Sat", "6"}};
  std::string list;
  std::stringstream names(days);
  for (std::string name; std::getline(names, name, ',');) {
    const auto it = kNumbers.find(name);
    if (it != kNumbers.end()) list += (list.empty() ? "" : ",") + it->second;
  }
  return list.empty() ? "*" : list;
}

}  // namespace

std::string SchtasksEndCommand() {
  return std::string("schtasks /end ") + " /tn " + kQuote + kTaskName + kQuote;
}

std::string SchtasksDeleteCommand() {
  return std::string("schtasks /delete /f ") + " /tn " + kQuote + kTaskName + kQuote;
}

std::string SchtasksCreateCommand(const WeeklyTask& task) {
  return "schtasks /create /sc WEEKLY /d " + task.days + " /st " + task.startTime + " /tn " +
         kQuote + kTaskName + kQuote + " /tr " + kQuote + "\\" + kQuote + task.applicationFolder +
         "\\quillstow.exe\\" + kQuote + " " + task.commandLine + kQuote;
}

TaskResult SchtasksScheduler::Run(const std::string& command) {
  const platform::ProcessRun run = processes_.Run(command, platform::WindowStyle::Hidden);
  if (!run.started) return {false, "schtasks could not be started."};
  if (run.exitCode != 0)
    return {false, Failure("schtasks", static_cast<int>(run.exitCode), run.output)};
  return {};
}

CrontabScheduler::CrontabScheduler(std::string crontab, std::string winePrefix)
    : crontab_(std::move(crontab)), winePrefix_(std::move(winePrefix)) {}

std::optional<std::string> CrontabScheduler::Entry(const WeeklyTask& task) const {
  // "hh:mm:00" gives the minute and the hour.
  const std::string& time = task.startTime;
  const auto hour = TwoDigits(time, 0, 23);
  const auto minute = TwoDigits(time, 3, 59);
  if (time.size() != 8 || time[2] != ':' || time.compare(5, 3, ":00") != 0 || !hour || !minute)
    return std::nullopt;
  const std::string command = "WINEPREFIX=" + ShellWord(winePrefix_) + " " +
                              ShellWord(task.program) + " " + ShellWord(task.commandLine);
  return std::to_string(*minute) + " " + std::to_string(*hour) + " * * " + CronDays(task.days) +
         " " + CronCommand(command) + " # " + kTaskName;
}

#ifndef _WIN32

CrontabScheduler::Table CrontabScheduler::Read() const {
  const platform::posix::HostRun run = platform::posix::RunHostProgram({crontab_, "-l"});
  if (!run.started) return {false, {}, "Could not run " + crontab_ + ": " + run.problem + "."};
  if (run.exitStatus == 0) return {true, run.out, {}};
  // A user without a crontab has an empty table; any other failure leaves the table unknown.
  if (OneLine(run.err).rfind("no crontab for ", 0) == 0) return {true, {}, {}};
  return {false, {}, Failure(crontab_ + " -l", run.exitStatus, run.err)};
}

TaskResult CrontabScheduler::Write(const std::string& table) const {
  const platform::posix::HostRun run = platform::posix::RunHostProgram({crontab_, "-"}, table);
  if (!run.started) return {false, "Could not run " + crontab_ + ": " + run.problem + "."};
  if (run.exitStatus != 0) return {false, Failure(crontab_ + " -", run.exitStatus, run.err)};
  return {};
}

#else

CrontabScheduler::Table CrontabScheduler::Read() const {
  return {false, {}, "There is no crontab on Windows."};
}

TaskResult CrontabScheduler::Write(const std::string&) const {
  return {false, "There is no crontab on Windows."};
}

#endif

std::string CrontabScheduler::WithoutTask(const std::string& table, bool* removed) {
  const std::string mark = std::string(" # ") + kTaskName;
  std::string kept;
  std::stringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() >= mark.size() &&
        line.compare(line.size() - mark.size(), mark.size(), mark) == 0) {
      if (removed != nullptr) *removed = true;
      continue;
    }
    kept += line + "\n";
  }
  return kept;
}

TaskResult CrontabScheduler::DeleteTask() {
  const Table table = Read();
  if (!table.read) return {false, table.error};
  bool removed = false;
  const std::string kept = WithoutTask(table.text, &removed);
  // Without the task's line there is nothing to change.
  return removed ? Write(kept) : TaskResult{};
}

TaskResult CrontabScheduler::CreateTask(const WeeklyTask& task) {
  const auto entry = Entry(task);
  if (!entry) return {false, "\"" + task.startTime + "\" is not a start time."};
  const Table table = Read();
  if (!table.read) return {false, table.error};
  return Write(WithoutTask(table.text) + *entry + "\n");
}

std::unique_ptr<TaskScheduler> CreateHostTaskScheduler(platform::Processes& processes) {
#ifdef _WIN32
  return std::make_unique<SchtasksScheduler>(processes);
#else
  (void)processes;
  const char* prefix = std::getenv("WINEPREFIX");
  const char* home = std::getenv("HOME");
  const std::string winePrefix = prefix != nullptr && *prefix != '\0'
                                     ? std::string(prefix)
                                     : std::string(home != nullptr ? home : "") + "/.wine";
  return std::make_unique<CrontabScheduler>("crontab", winePrefix);
#endif
}

}  // namespace quill::automation
