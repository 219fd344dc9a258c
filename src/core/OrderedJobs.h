#pragma once
// Independent pieces of work run on a few threads, their results taken in the order the
// pieces were given: inner archives are packed or unpacked side by side while the archive
// they belong to keeps its entry order.

#include <atomic>
#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace quill::core {

class OrderedJobs {
 public:
  using Job = std::function<bool()>;

  // startOrder: the order in which the jobs are begun (the largest first, say); the jobs'
  // own order when empty.
  OrderedJobs(std::vector<Job> jobs, unsigned threads, std::vector<std::size_t> startOrder = {});
  // Hands out no further job and waits for the running ones.
  ~OrderedJobs();
  OrderedJobs(const OrderedJobs&) = delete;
  OrderedJobs& operator=(const OrderedJobs&) = delete;

  // The result of job i, once it is there.
  bool Wait(std::size_t i);

 private:
  void Work();

  std::vector<Job> jobs_;
  std::vector<std::size_t> startOrder_;
  std::vector<std::promise<bool>> results_;
  std::vector<std::future<bool>> futures_;
  std::vector<std::thread> workers_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
};

}  // namespace quill::core
