#include "support/TestPlatform.h"

namespace quill::test {

TestPlatform::TestPlatform() : platform_(root_.MakePlatform()) {}

TestPlatform::~TestPlatform() = default;

std::string TestPlatform::userProfile() const {
  return "C:\\users\\root";
}

}  // namespace quill::test
