#include "archive/TaskPool.h"

#include <algorithm>

namespace quill::archive {

TaskPool::TaskPool(unsigned threads) {
  if (threads == 0) threads = std::max(1U, std::thread::hardware_concurrency());
  for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

TaskPool::~TaskPool() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
  }
  ready_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void TaskPool::Push(std::function<void()> work) {
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
  }
  ready_.notify_one();
}

void TaskPool::Work() {
  for (;;) {
    std::function<void()> work;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return ending_ || !queue_.empty(); });
      if (queue_.empty()) return;
      work = std::move(queue_.front());
      queue_.pop_front();
    }
    work();
  }
}

}  // namespace quill::archive
