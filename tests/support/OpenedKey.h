#pragma once
// A registry key opened, or created, for the length of a scope.

#include <string>

#include "platform/Registry.h"

namespace quill::test {

struct Opened {
  platform::Registry& registry;
  platform::HKey handle = 0;
  long status;
  Opened(platform::Registry& r, platform::HKey root, const std::string& path, bool create = false)
      : registry(r),
        status(create ? r.CreateKey(root, path, handle)
                      : r.OpenKey(root, path, platform::kKeyRead, handle)) {}
  ~Opened() {
    if (status == platform::winerr::kSuccess) registry.CloseKey(handle);
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
};

}  // namespace quill::test
