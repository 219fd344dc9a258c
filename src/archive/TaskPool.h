#pragma once
// A few threads that run the pieces of work handed to them, first come first served; each
// piece's result is taken through its future. The threads end when the pool goes, after the
// pieces already handed in.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quill::archive {

class TaskPool {
 public:
  // threads: 0 takes one per processor.
  explicit TaskPool(unsigned threads = 0);
  ~TaskPool();
  TaskPool(const TaskPool&) = delete;
  TaskPool& operator=(const TaskPool&) = delete;

  template <class Work>
  auto Submit(Work work) -> std::future<decltype(work())> {
    using Result = decltype(work());
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(work));
    std::future<Result> result = task->get_future();
    Push([task] { (*task)(); });
    return result;
  }

  unsigned threads() const { return static_cast<unsigned>(workers_.size()); }

 private:
  void Push(std::function<void()> work);
  void Work();

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> queue_;
  bool ending_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace quill::archive
