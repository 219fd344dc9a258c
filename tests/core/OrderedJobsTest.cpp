#include "core/OrderedJobs.h"

#include <gtest/gtest.h>

#include <mutex>

namespace quill::core {
namespace {

TEST(OrderedJobs, BeginsInTheGivenOrderAndAnswersInTheJobsOrder) {
  std::mutex lock;
  std::vector<int> begun;
  std::vector<OrderedJobs::Job> jobs;
  for (int i = 0; i < 4; ++i)
    jobs.push_back([&, i] {
      std::lock_guard<std::mutex> guard(lock);
      begun.push_back(i);
      return i % 2 == 0;
    });
  {
    OrderedJobs run(jobs, 1, {3, 1, 0, 2});
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(run.Wait(i), i % 2 == 0) << i;
  }
  EXPECT_EQ(begun, (std::vector<int>{3, 1, 0, 2}));
}

TEST(OrderedJobs, AJobThatThrowsFailsAloneAndUnwaitedJobsAreJoined) {
  std::vector<OrderedJobs::Job> jobs = {
      [] { return true; }, []() -> bool { throw std::runtime_error("boom"); }, [] { return true; }};
  OrderedJobs run(jobs, 2);
  EXPECT_TRUE(run.Wait(0));
  EXPECT_FALSE(run.Wait(1));
}

}  // namespace
}  // namespace quill::core
