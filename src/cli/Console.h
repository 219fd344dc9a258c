#pragma once
// What quillstow-cli asks of the terminal it runs in: whether its standard input and standard
// error are terminals, a password typed without echo, the terminal's width, the environment.
// The host's console answers in a program; tests answer with their own.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace quill::cli {

class Console {
 public:
  virtual ~Console() = default;
  // Standard input is a terminal: a password can be asked for.
  virtual bool InputIsTerminal() = 0;
  // Standard error is a terminal: progress can be drawn there.
  virtual bool ErrorIsTerminal() = 0;
  // Shows the prompt on standard error and reads one line from standard input without
  // showing what is typed. Nothing when the input ends first.
  virtual std::optional<std::string> ReadSecret(const std::string& prompt) = 0;
  // The terminal's width in characters (80 when it is not known).
  virtual int Width() = 0;
  virtual std::optional<std::string> Environment(const std::string& name) = 0;
};

// The console of the process quillstow-cli runs in.
class HostConsole : public Console {
 public:
  bool InputIsTerminal() override;
  bool ErrorIsTerminal() override;
  std::optional<std::string> ReadSecret(const std::string& prompt) override;
  int Width() override;
  std::optional<std::string> Environment(const std::string& name) override;
};

// A console that is no terminal: nothing is asked and no progress is drawn; the environment
// is the process's.
class PlainConsole : public Console {
 public:
  bool InputIsTerminal() override { return false; }
  bool ErrorIsTerminal() override { return false; }
  std::optional<std::string> ReadSecret(const std::string&) override { return std::nullopt; }
  int Width() override { return 80; }
  std::optional<std::string> Environment(const std::string& name) override;
};

// One line on a terminal that redraws itself with what a run has done: the step, the bytes
// done of all there are, the rate and the time left. It is redrawn at most ten times a second
// and cut to the terminal's width; nothing is drawn when shown is false.
class ProgressLine {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  ProgressLine(std::ostream& out, bool shown, int width,
               Clock clock = std::chrono::steady_clock::now);
  ~ProgressLine() { Clear(); }

  void Show(const std::string& step, std::uint64_t done, std::uint64_t total);
  // Takes the line away, so that the next text starts at the line's beginning.
  void Clear();

 private:
  std::ostream& out_;
  bool shown_;
  int width_;
  Clock clock_;
  std::string step_;
  std::chrono::steady_clock::time_point stepStart_{}, lastDrawn_{};
  bool drawn_ = false;
};

// 1536 -> "1.5 KiB": a size as people read it.
std::string SizeText(std::uint64_t bytes);

}  // namespace quill::cli
