#include "core/RunLog.h"

#include "core/SharedServices.h"

namespace quill::core {

RunLog::RunLog(std::string path, std::function<std::string()> timeStamp)
    : path_(std::move(path)), timeStamp_(std::move(timeStamp)) {}

void RunLog::Line(const std::string& text, char end) {
  if (path_.empty()) return;
  core::SharedServices::AppendLogLine(path_, timeStamp_() + " " + text + end);
}

void RunLog::Separator() {
  if (path_.empty()) return;
  core::SharedServices::AppendLogLine(path_, std::string(84, '.') + '\r');
}

void RunLog::Start(const std::string& user, bool automatic) {
  Line(std::string(automatic ? "Start Auto Backup" : "Start Backup") + " User Profile " + user +
           " Data...",
       '\n');
}

void RunLog::Target(const std::string& path) {
  Line("Backup File is " + path, '\n');
}

void RunLog::Item(const std::string& name, bool succeeded) {
  Line(name + (succeeded ? " Succeeded!" : " Fail!"), '\n');
}

namespace {

// A registry name in a log line: a line break in it is shown as \r or \n, so that the entry
// stays one line.
std::string Shown(const std::string& name) {
  std::string shown;
  for (char c : name) {
    if (c == '\r')
      shown += "\\r";
    else if (c == '\n')
      shown += "\\n";
    else
      shown += c;
  }
  return shown;
}

}  // namespace

std::string OneLine(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

void RunLog::Reason(const std::string& name, const std::string& why) {
  Line(name + ": " + OneLine(why), '\n');
}

void RunLog::ValueLeftOut(const std::string& name, const std::string& key,
                          const std::string& value) {
  Line(name + " left out the registry value \"" + Shown(value) + "\" of " + Shown(key) +
           ": its name cannot be written to the backup.",
       '\n');
}

void RunLog::KeyLeftOut(const std::string& name, const std::string& key) {
  Line(name + " left out the registry key " + Shown(key) +
           " with everything beneath it: its name cannot be written to the backup.",
       '\n');
}

void RunLog::End(const std::string& user, bool automatic) {
  Line(std::string(automatic ? "Auto Backup" : "Backup") + " User Profile " + user +
           " Data was Completed!",
       '\r');
}

void RunLog::NotWritten(const std::string& user, bool automatic, const std::string& reason) {
  Line(std::string(automatic ? "Auto Backup" : "Backup") + " User Profile " + user +
           " Data was not saved: " + reason,
       '\r');
}

}  // namespace quill::core
