// quillstow-sample: writes a Wine prefix with a made-up Windows Live Mail profile.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "SampleCommandLine.h"
#include "SampleProfile.h"

int main(int argc, char** argv) {
  using namespace quill::sample;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const SampleCommandLine commandLine = ParseSampleCommandLine(arguments, CallerUserName());
  if (commandLine.help) {
    std::fputs(SampleUsage().c_str(), stdout);
    return 0;
  }
  if (!commandLine.error.empty()) {
    std::fprintf(stderr, "quillstow-sample: %s\n%s", commandLine.error.c_str(),
                 SampleUsage().c_str());
    return 2;
  }
  try {
    const SampleSummary summary = WriteSampleProfile(commandLine.options);
    std::printf(
        "quillstow-sample: wrote %llu files, %llu bytes (%llu messages, %llu bytes) to %s\n",
        static_cast<unsigned long long>(summary.files),
        static_cast<unsigned long long>(summary.bytes),
        static_cast<unsigned long long>(summary.messages),
        static_cast<unsigned long long>(summary.messageBytes),
        commandLine.options.directory.string().c_str());
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillstow-sample: %s\n", error.what());
    return 1;
  }
}
