#include "automation/TaskScheduler.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

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

CrontabScheduler::CrontabScheduler(std::string crontab, std::string winePrefix)
    : crontab_(std::move(crontab)), winePrefix_(std::move(winePrefix)) {}

std::string CrontabScheduler::Entry(const WeeklyTask& task) const {
  // "hh:mm:00" gives the minute and the hour.
  const std::string hour = task.startTime.substr(0, 2);
  const std::string minute = task.startTime.substr(3, 2);
  const std::string command = "WINEPREFIX=" + ShellWord(winePrefix_) + " " +
                              ShellWord(task.program) + " " + ShellWord(task.commandLine);
  return std::to_string(std::stoi(minute)) + " " + std::to_string(std::stoi(hour)) + " * * " +
         CronDays(task.days) + " " + CronCommand(command) + " # " + kTaskName;
}

std::string CrontabScheduler::Read() const {
  std::string table;
  FILE* pipe = popen((ShellWord(crontab_) + " -l 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return table;
  char buffer[4096];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    table.append(buffer, got);
  // "no crontab for user" is an empty table.
  if (pclose(pipe) != 0) table.clear();
  return table;
}

void CrontabScheduler::Write(const std::string& table) const {
  FILE* pipe = popen((ShellWord(crontab_) + " -").c_str(), "w");
  if (pipe == nullptr) return;
  fwrite(table.data(), 1, table.size(), pipe);
  pclose(pipe);
}

std::string CrontabScheduler::WithoutTask(const std::string& table) {
  const std::string mark = std::string(" # ") + kTaskName;
  std::string kept;
  std::stringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() >= mark.size() &&
        line.compare(line.size() - mark.size(), mark.size(), mark) == 0)
      continue;
    kept += line + "\n";
  }
  return kept;
}

void CrontabScheduler::DeleteTask() {
  Write(WithoutTask(Read()));
}

void CrontabScheduler::CreateTask(const WeeklyTask& task) {
  Write(WithoutTask(Read()) + Entry(task) + "\n");
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
