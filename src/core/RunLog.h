#pragma once
// The log brlog.dat: it only grows. Each entry is one AppendLogLine call, which adds CR LF
// to the text; the texts themselves end in LF, or in CR for the separator and the end, so on
// disk an entry ends in LF CR LF or CR CR LF.

#include <functional>
#include <string>

namespace quill::core {

// text on one line: each CR and LF in it a blank.
std::string OneLine(const std::string& text);

class RunLog {
 public:
  // timeStamp gives the current local date and time in the general date format. An empty
  // path writes nothing.
  RunLog(std::string path, std::function<std::string()> timeStamp);

  void Separator();
  // automatic: the unattended run ("Start Auto Backup ..."); otherwise the interactive one.
  void Start(const std::string& user, bool automatic);
  void Target(const std::string& path);
  // name: "Backup Mail Rules" and the like.
  void Item(const std::string& name, bool succeeded);
  // Why the item name (as in Item) failed, on a line of its own after its Item line.
  void Reason(const std::string& name, const std::string& why);
  // A registry value (or key) an item left out of the backup because its name cannot be
  // written into the registry text; name: the item's, as in Item.
  void ValueLeftOut(const std::string& name, const std::string& key, const std::string& value);
  void KeyLeftOut(const std::string& name, const std::string& key);
  void End(const std::string& user, bool automatic);
  // In place of the end entry when the backup file could not be written.
  void NotWritten(const std::string& user, bool automatic, const std::string& reason);

  // Restore entries use the same separator and line ends.
  void Line(const std::string& text, char end);

 private:
  std::string path_;
  std::function<std::string()> timeStamp_;
};

}  // namespace quill::core
