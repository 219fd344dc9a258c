#pragma once
// The registry files of a freshly made Wine prefix (tests/fixtures), compiled into the
// sample generator.

#include <string_view>

namespace quill::sample {

std::string_view UserRegFixture();
std::string_view SystemRegFixture();

}  // namespace quill::sample
