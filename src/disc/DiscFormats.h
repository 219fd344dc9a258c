#pragma once
// How the disc windows show numbers, sizes and dates.

#include <cstdint>
#include <string>

namespace quill::disc {

// Bytes as megabytes with two decimals and no group separators: 1,572,864 gives "1.50".
std::string MegabyteNumber(double bytes);
// The same followed by " MB".
std::string FormatMegabytes(double bytes);
// Bytes divided by 1000 with group separators and two decimals, then " KB":
// 1,234,567 gives "1,234.57 KB".
std::string FormatKilobytes(double bytes);
// "MM/DD/YYYY hh:mm:ss AM" in local time, a 12-hour clock.
std::string FormatFileDate(std::int64_t secondsSince1970);
// A speed factor with one decimal and no leading zero, then "x": 8 gives "8.0x", 0.5 ".5x".
std::string FormatSpeed(double factor);
// done / total * 100 rounded to the nearest integer, halves to even; 0 when total is 0.
int VerifyPercent(int done, int total);

}  // namespace quill::disc
