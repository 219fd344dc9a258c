#include "core/TimeText.h"

#include <cstdio>

namespace quill::core {

std::tm LocalTime(std::int64_t secondsSince1970) {
  const auto time = static_cast<std::time_t>(secondsSince1970);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &time);
#else
  localtime_r(&time, &local);
#endif
  return local;
}

std::tm LocalNow() {
  return LocalTime(static_cast<std::int64_t>(std::time(nullptr)));
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
