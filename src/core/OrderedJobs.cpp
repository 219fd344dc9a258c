#include "core/OrderedJobs.h"

#include <algorithm>

namespace quill::core {

OrderedJobs::OrderedJobs(std::vector<Job> jobs, unsigned threads,
                         std::vector<std::size_t> startOrder)
    : jobs_(std::move(jobs)), startOrder_(std::move(startOrder)) {
  if (startOrder_.size() != jobs_.size()) {
    startOrder_.resize(jobs_.size());
    for (std::size_t i = 0; i < startOrder_.size(); ++i) startOrder_[i] = i;
  }
  results_.resize(jobs_.size());
  for (auto& result : results_) futures_.push_back(result.get_future());
  const auto wanted = std::min<std::size_t>(std::max(1u, threads), jobs_.size());
  for (std::size_t i = 0; i < wanted; ++i) workers_.emplace_back([this] { Work(); });
}

OrderedJobs::~OrderedJobs() {
  stop_ = true;
  for (auto& worker : workers_) worker.join();
}

void OrderedJobs::Work() {
  for (std::size_t n = next_++; n < jobs_.size(); n = next_++) {
    const std::size_t i = startOrder_[n];
    if (stop_) {
      results_[i].set_value(false);
      continue;
    }
    bool ok = false;
    try {
      ok = jobs_[i]();
    } catch (...) {
      ok = false;
    }
    results_[i].set_value(ok);
  }
}

bool OrderedJobs::Wait(std::size_t i) {
  return futures_[i].get();
}

}  // namespace quill::core
