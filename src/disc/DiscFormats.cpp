#include "disc/DiscFormats.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/TimeText.h"

namespace quill::disc {

namespace {

std::string Fixed2(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace

std::string MegabyteNumber(double bytes) {
  return Fixed2(bytes / 1048576.0);
}

std::string FormatMegabytes(double bytes) {
  return MegabyteNumber(bytes) + " MB";
}

std::string FormatKilobytes(double bytes) {
  std::string digits = Fixed2(bytes / 1000.0);
  const bool negative = !digits.empty() && digits.front() == '-';
  if (negative) digits.erase(0, 1);
  const std::size_t point = digits.find('.');
  std::string whole = digits.substr(0, point);
  for (std::size_t at = whole.size(); at > 3; at -= 3) whole.insert(at - 3, ",");
  return (negative ? "-" : "") + whole + digits.substr(point) + " KB";
}

std::string FormatFileDate(std::int64_t secondsSince1970) {
  const std::tm local = core::LocalTime(secondsSince1970);
  int hour = local.tm_hour % 12;
  if (hour == 0) hour = 12;
  char text[64];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d %s", local.tm_mon + 1,
                local.tm_mday, local.tm_year + 1900, hour, local.tm_min, local.tm_sec,
                local.tm_hour < 12 ? "AM" : "PM");
  return text;
}

std::string FormatSpeed(double factor) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", factor);
  std::string shown = text;
  if (shown.rfind("0.", 0) == 0) shown.erase(0, 1);
  return shown + "x";
}

int VerifyPercent(int done, int total) {
  if (total <= 0) return 0;
  return static_cast<int>(std::nearbyint(static_cast<double>(done) / total * 100.0));
}

}  // namespace quill::disc
