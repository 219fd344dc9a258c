#include "cli/Console.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace quill::cli {

namespace {

std::optional<std::string> ProcessEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string Duration(std::uint64_t seconds) {
  char text[32];
  if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
  else
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
  return text;
}

}  // namespace

std::string SizeText(std::uint64_t bytes) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes);
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  if (unit == 0)
    std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
  else
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

// ---- the host's console ----------------------------------------------------------------

#ifdef _WIN32

bool HostConsole::InputIsTerminal() {
  return _isatty(_fileno(stdin)) != 0;
}

bool HostConsole::ErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

std::optional<std::string> HostConsole::ReadSecret(const std::string& prompt) {
  std::cerr << prompt << std::flush;
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  const bool console = GetConsoleMode(input, &mode) != 0;
  if (console) SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::string line;
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  if (console) SetConsoleMode(input, mode);
  std::cerr << '\n';
  if (!read) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int HostConsole::Width() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
    return info.srWindow.Right - info.srWindow.Left + 1;
  return 80;
}

#else

bool HostConsole::InputIsTerminal() {
  return isatty(STDIN_FILENO) != 0;
}

bool HostConsole::ErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}

std::optional<std::string> HostConsole::ReadSecret(const std::string& prompt) {
  // The echo goes off before the prompt shows, so nothing typed after it is shown.
  termios saved{};
  const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    // No echo, but the line is still read whole, with its editing keys.
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::cerr << prompt << std::flush;
  std::string line;
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  if (terminal) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  if (!read) {
    std::cerr << '\n';
    return std::nullopt;
  }
  return line;
}

int HostConsole::Width() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

#endif

std::optional<std::string> HostConsole::Environment(const std::string& name) {
  return ProcessEnvironment(name);
}

std::optional<std::string> PlainConsole::Environment(const std::string& name) {
  return ProcessEnvironment(name);
}

// ---- the progress line ------------------------------------------------------------------

ProgressLine::ProgressLine(std::ostream& out, bool shown, int width, Clock clock)
    : out_(out), shown_(shown), width_(width < 20 ? 20 : width), clock_(std::move(clock)) {}

void ProgressLine::Show(const std::string& step, std::uint64_t done, std::uint64_t total) {
  if (!shown_) return;
  const auto now = clock_();
  if (step != step_) {
    step_ = step;
    stepStart_ = now;
  } else if (drawn_ && now - lastDrawn_ < std::chrono::milliseconds(100) && done < total) {
    return;
  }
  lastDrawn_ = now;
  std::string figures = "  " + SizeText(done) + " of " + SizeText(total);
  const double seconds = std::chrono::duration<double>(now - stepStart_).count();
  if (seconds >= 0.5 && done > 0) {
    const double rate = static_cast<double>(done) / seconds;
    figures += "  " + SizeText(static_cast<std::uint64_t>(rate)) + "/s";
    if (total > done)
      figures += "  " + Duration(static_cast<std::uint64_t>((total - done) / rate + 0.5)) + " left";
  }
  // The line never reaches the terminal's last column, so it never wraps.
  const std::size_t room = static_cast<std::size_t>(width_ - 1);
  std::string line = step;
  if (line.size() + figures.size() > room) {
    std::size_t keep = room > figures.size() + 3 ? room - figures.size() - 3 : 0;
    // A character of several bytes is kept whole or not at all.
    while (keep > 0 && (static_cast<unsigned char>(line[keep]) & 0xC0) == 0x80) --keep;
    line = line.substr(0, keep) + "...";
  }
  line += figures;
  if (line.size() > room) line.resize(room);
  out_ << '\r' << line << "\x1b[K" << std::flush;
  drawn_ = true;
}

void ProgressLine::Clear() {
  if (!drawn_) return;
  out_ << "\r\x1b[K" << std::flush;
  drawn_ = false;
}

}  // namespace quill::cli
