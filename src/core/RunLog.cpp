#include "core/RunLog.h"

#include "core/SharedServices.h"

namespace quill::core {

RunLog::RunLog(std::string path, std::function<std::string()> timeStamp)
    : path_(std::move(path)), timeStamp_(std::move(timeStamp)) {}

void RunLog::Line(const std::string& text, char end) {
  core::SharedServices::AppendLogLine(path_, timeStamp_() + " " + text + end);
}

void RunLog::Separator() {
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
