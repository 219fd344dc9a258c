#include "app/RunProgress.h"

#include <algorithm>
#include <numeric>

namespace quill::app {

namespace {

constexpr int kProgressMax = 100;

int Share(const std::vector<int>& steps) {
  return std::accumulate(steps.begin(), steps.end(), 0);
}

int Fraction(int share, std::uint64_t done, std::uint64_t total) {
  if (total == 0) return 0;
  return static_cast<int>(static_cast<std::uint64_t>(share) * std::min(done, total) / total);
}

}  // namespace

ProgressBar::ProgressBar(ProgressView& view, std::vector<std::vector<int>> steps)
    : view_(view), steps_(std::move(steps)) {}

void ProgressBar::Start(int step) {
  start_ = view_.Progress() + step;
  Show(start_);
}

int ProgressBar::ItemStart(std::size_t item) const {
  int value = start_;
  for (std::size_t i = 0; i < item && i < steps_.size(); ++i) value += Share(steps_[i]);
  return std::min(kProgressMax, value);
}

void ProgressBar::Show(int value) {
  shown_ = std::min(kProgressMax, value);
  view_.SetProgress(shown_);
}

void ProgressBar::AdvanceTo(std::size_t item) {
  for (; reached_ < item && reached_ < steps_.size(); ++reached_) {
    int value = ItemStart(reached_);
    for (int step : steps_[reached_]) Show(value += step);
  }
}

void ProgressBar::Within(std::size_t item, std::uint64_t done, std::uint64_t total) {
  if (item >= steps_.size() || item < reached_) return;
  AdvanceTo(item);
  const int value = ItemStart(item) + Fraction(Share(steps_[item]), done, total);
  if (value > shown_) Show(value);
}

void ProgressBar::Closing(std::uint64_t done, std::uint64_t total) {
  AdvanceTo(steps_.size());
  const int from = ItemStart(steps_.size());
  const int value = from + Fraction(kProgressMax - from, done, total);
  if (value > shown_) Show(value);
}

PacedLabel::PacedLabel(std::function<void(const std::string&)> show,
                       std::chrono::milliseconds interval, Clock clock)
    : show_(std::move(show)), interval_(interval), clock_(std::move(clock)) {}

void PacedLabel::Set(const std::string& text) {
  const auto now = clock_();
  if (shown_ && now - last_ < interval_) return;
  shown_ = true;
  last_ = now;
  show_(text);
}

std::stop_token RunStop::Begin() {
  const std::lock_guard lock(mutex_);
  source_ = std::stop_source();
  return source_.get_token();
}

void RunStop::Request() {
  const std::lock_guard lock(mutex_);
  source_.request_stop();
}

}  // namespace quill::app
