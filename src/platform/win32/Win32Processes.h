#pragma once
// Running processes through the Tool Help snapshot; starting programs with CreateProcessA.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace quill::platform::win32 {

class Win32Processes : public Processes {
 public:
  std::vector<ProcessEntry> Snapshot() override;
  bool Terminate(std::uint32_t id, std::uint32_t exitCode) override;
  bool Start(const std::string& commandLine, WindowStyle style) override;
  ProcessRun Run(const std::string& commandLine, WindowStyle style) override;
};

}  // namespace quill::platform::win32
