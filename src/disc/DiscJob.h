#pragma once
// The one job a disc engine runs at a time (a write, an erase) on a thread of its own: busy
// from its start until it ends, asked to stop through its abort flag, joined once it has ended.

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

namespace quill::disc {

class DiscJob {
 public:
  DiscJob() = default;
  ~DiscJob() { Stop(); }
  DiscJob(const DiscJob&) = delete;
  DiscJob& operator=(const DiscJob&) = delete;

  // Starts the job; the one before it has ended.
  void Run(std::function<void()> job) {
    JoinFinished();
    abort_ = false;
    busy_ = true;
    thread_ = std::thread([this, job = std::move(job)] {
      job();
      busy_ = false;
    });
  }
  // Joins the thread of a job that has ended; one still running is left alone.
  void JoinFinished() {
    if (thread_.joinable() && !busy_) thread_.join();
  }
  // Asks the running job to stop and waits for it.
  void Stop() {
    abort_ = true;
    if (thread_.joinable()) thread_.join();
  }
  void Abort() { abort_ = true; }
  bool busy() const { return busy_; }
  // What the job reads to know it is asked to stop.
  std::atomic<bool>& abortFlag() { return abort_; }

 private:
  std::thread thread_;
  std::atomic<bool> busy_{false};
  std::atomic<bool> abort_{false};
};

}  // namespace quill::disc
