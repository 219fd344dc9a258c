#include "automation/UnattendedCommand.h"

#include <vector>

#include "core/TimeText.h"

namespace quill::automation {

std::optional<UnattendedCommand> ParseUnattendedCommandLine(const std::string& commandLine) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t equals = commandLine.find('=', start);
    pieces.push_back(commandLine.substr(
        start, equals == std::string::npos ? std::string::npos : equals - start));
    if (equals == std::string::npos) break;
    start = equals + 1;
  }
  // Each piece between two "=" ends with the name of the next field.
  for (std::size_t i = 1; i + 1 < pieces.size(); ++i)
    pieces[i] = pieces[i].size() >= 2 ? pieces[i].substr(0, pieces[i].size() - 2) : std::string();
  if (pieces.size() < 5 || pieces[0].empty() || pieces[2].empty() || pieces[4].empty())
    return std::nullopt;
  return UnattendedCommand{pieces[1], pieces[2], pieces[3], pieces[4]};
}

std::string DatedBackupName(const std::string& file, const std::tm& local) {
  const std::string stem = file.size() >= 4 ? file.substr(0, file.size() - 4) : std::string();
  return stem + "-" + core::DateTimeForFileName(local) + ".wlm";
}

}  // namespace quill::automation
