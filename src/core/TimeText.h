#pragma once
// Dates in the forms file names carry.

#include <cstdint>
#include <ctime>
#include <string>

namespace quill::core {

// The local time of a moment given in seconds since 1970 (UTC), and of now.
std::tm LocalTime(std::int64_t secondsSince1970);
std::tm LocalNow();
// "MM-DD-YYYY": two-digit month, two-digit day, four-digit year.
std::string DateForFileName(const std::tm& local);
// "MM-DD-YYYY-HH-MM", the hour of a 24-hour clock.
std::string DateTimeForFileName(const std::tm& local);

}  // namespace quill::core
