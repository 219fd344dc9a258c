#include <cstdlib>

#include "platform/Files.h"
#include "support/TestPlatform.h"

namespace quill::test {

TestPlatform::TestPlatform() {
  std::filesystem::create_directories(app());
  platform_ = platform::CreateHostPlatform(platform::PathText(app()));
}

TestPlatform::~TestPlatform() = default;

std::string TestPlatform::userProfile() const {
  const char* profile = std::getenv("USERPROFILE");
  return profile != nullptr ? profile : "";
}

}  // namespace quill::test
