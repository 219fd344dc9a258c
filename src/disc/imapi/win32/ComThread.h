#pragma once
// A thread of its own for the disc-writing service's COM objects: it joins the
// multi-threaded apartment, runs the calls handed to it one after another, and leaves COM
// when it ends. The window's thread keeps the apartment Qt gave it. Windows only.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quill::disc {

class ComThread {
 public:
  ComThread();
  ~ComThread();
  ComThread(const ComThread&) = delete;
  ComThread& operator=(const ComThread&) = delete;

  // False when COM could not be started on the thread (then Run does nothing).
  bool started() const { return started_; }
  // Runs the call on the thread and returns when it has ended.
  void Run(const std::function<void()>& call);

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> calls_;
  bool stopping_ = false;
  bool started_ = false;
  bool ready_ = false;
  std::thread thread_;
};

}  // namespace quill::disc
