#pragma once

#include <string>

namespace quill::app {

// The list on the log page that shows the log, one line an entry.
class LogListView {
 public:
  virtual ~LogListView() = default;
  virtual void Clear() = 0;
  virtual void AddEntry(const std::string& line) = 0;
  virtual void SelectLast() = 0;
};

}  // namespace quill::app
