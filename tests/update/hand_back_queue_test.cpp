#include "update/hand_back_queue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace tidewick {
namespace {

using namespace std::chrono_literals;

TEST(HandBackQueue, RunsTasksOnTheDrainingThreadWhileTheWorkerWaits) {
  THandBackQueue queue;
  std::atomic<bool> returned{false};
  std::thread::id ranOn;
  std::jthread worker([&] {
    EXPECT_TRUE(queue.RunOnMainThread([&] { ranOn = std::this_thread::get_id(); }));
    returned = true;
  });
  ASSERT_TRUE(queue.WaitForTask(5s));
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(returned.load());  // still waiting for its hand-back
  EXPECT_EQ(queue.Drain(), 1u);
  worker.join();
  EXPECT_TRUE(returned.load());
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(HandBackQueue, CallsTheWakeHookForEveryTask) {
  THandBackQueue queue;
  std::atomic<int> wakes{0};
  queue.SetWakeHook([&] { ++wakes; });
  std::vector<std::jthread> workers;
  for (int i = 0; i < 4; ++i) {
    workers.emplace_back([&] { queue.RunOnMainThread([] {}); });
  }
  size_t ran = 0;
  while (ran < 4) {
    queue.WaitForTask(100ms);
    ran += queue.Drain();
  }
  workers.clear();
  EXPECT_EQ(wakes.load(), 4);
}

TEST(HandBackQueue, ThrowingTaskStillReleasesItsWorker) {
  THandBackQueue queue;
  std::jthread worker([&] { EXPECT_TRUE(queue.RunOnMainThread([] { throw 1; })); });
  ASSERT_TRUE(queue.WaitForTask(5s));
  EXPECT_EQ(queue.Drain(), 1u);
}

TEST(HandBackQueue, CloseReleasesWaitingWorkersWithoutRunningTheirTasks) {
  THandBackQueue queue;
  std::atomic<bool> ran{false};
  std::atomic<bool> result{true};
  std::jthread worker([&] { result = queue.RunOnMainThread([&] { ran = true; }); });
  ASSERT_TRUE(queue.WaitForTask(5s));
  queue.Close();
  worker.join();
  EXPECT_FALSE(result.load());
  EXPECT_FALSE(ran.load());
  EXPECT_FALSE(queue.RunOnMainThread([&] { ran = true; }));  // refused at once, no wait
  EXPECT_EQ(queue.PendingCount(), 0u);
}

}  // namespace
}  // namespace tidewick
