#pragma once
// What the backup and the restore page share while a run works: the progress bar, which
// gains each item's share as the item is done and moves with the bytes within it, the file
// label, which changes no faster than the eye can follow, and the stop that Cancel requests.

#include <chrono>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "app/ProgressView.h"

namespace quill::app {

// The progress bar of one run. steps: what the bar gains after each item (every item in item
// order, chosen or not), in one or more steps; the bar is set once for every step.
class ProgressBar {
 public:
  ProgressBar(ProgressView& view, std::vector<std::vector<int>> steps);

  // The bar gains step (the run starting); the items' shares are counted from there.
  void Start(int step);
  // The bar reaches the start of item: it takes the steps of every item before it, one by one.
  void AdvanceTo(std::size_t item);
  // Within item, done of total bytes: the bar moves across the item's share, never back.
  void Within(std::size_t item, std::uint64_t done, std::uint64_t total);
  // After the last item, done of total bytes: the bar moves up to its maximum (the backup file
  // being written).
  void Closing(std::uint64_t done, std::uint64_t total);

 private:
  int ItemStart(std::size_t item) const;
  void Show(int value);

  ProgressView& view_;
  std::vector<std::vector<int>> steps_;
  int start_ = 0;
  int shown_ = 0;
  std::size_t reached_ = 0;  // the items whose steps the bar holds
};

// A label that changes at most once an interval: the newest text is shown when it is due,
// the texts between are passed over.
class PacedLabel {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  explicit PacedLabel(std::function<void(const std::string&)> show,
                      std::chrono::milliseconds interval = std::chrono::milliseconds(100),
                      Clock clock = std::chrono::steady_clock::now);

  void Set(const std::string& text);

 private:
  std::function<void(const std::string&)> show_;
  std::chrono::milliseconds interval_;
  Clock clock_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// The stop of the run under way: Cancel may come from another thread at any time.
class RunStop {
 public:
  // A fresh stop for a new run.
  std::stop_token Begin();
  void Request();

 private:
  std::mutex mutex_;
  std::stop_source source_;
};

}  // namespace quill::app
