#include "core/TimeText.h"

#include <cstdio>

namespace quill::core {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

std::string DateForFileName(const std::tm& local) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d", local.tm_mon + 1, local.tm_mday,
                local.tm_year + 1900);
  return text;
}

std::string DateTimeForFileName(const std::tm& local) {
  char text[16];
  std::snprintf(text, sizeof text, "-%02d-%02d", local.tm_hour, local.tm_min);
  return DateForFileName(local) + text;
}

}  // namespace quill::core
