// WindowThreadQueue: tasks from other threads run on the thread that runs
// the main context, in order; a waiting thread gets the task's answer, or
// the fallback once the queue has closed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "window_thread_queue.h"

namespace kvn::app {
namespace {

class QueueTest : public ::testing::Test {
 protected:
  QueueTest() : context_(g_main_context_new()), queue_(context_) {}
  ~QueueTest() override { g_main_context_unref(context_); }

  // Runs the context on this thread until done() holds.
  template <typename Done>
  void RunUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) g_main_context_iteration(context_, FALSE);
    ASSERT_TRUE(done());
  }

  GMainContext *context_;
  WindowThreadQueue queue_;
};

TEST_F(QueueTest, TasksRunOnTheContextThreadInPostingOrder) {
  const std::thread::id self = std::this_thread::get_id();
  std::vector<int> order;  // touched by the context thread only
  std::atomic<bool> wrongThread{false};
  std::thread poster([&] {
    for (int i = 0; i < 200; ++i) {
      queue_.Post([&, i] {
        if (std::this_thread::get_id() != self) wrongThread = true;
        order.push_back(i);
      });
    }
  });
  poster.join();
  RunUntil([&] { return order.size() == 200; });
  for (int i = 0; i < 200; ++i) ASSERT_EQ(order[i], i);
  EXPECT_FALSE(wrongThread);
}

TEST_F(QueueTest, WaitingThreadGetsTheAnswerGivenLater) {
  std::function<void(bool)> later;
  std::atomic<int> result{-1};
  std::thread asker([&] { result = queue_.PostAndWait([&](std::function<void(bool)> answer) { later = answer; }, false) ? 1 : 0; });
  RunUntil([&] { return static_cast<bool>(later); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(result, -1);  // still waiting for the answer
  later(true);
  asker.join();
  EXPECT_EQ(result, 1);
}

TEST_F(QueueTest, ClosingDropsPendingWorkAndReleasesWaiters) {
  bool ran = false;
  queue_.Post([&] { ran = true; });
  std::atomic<int> result{-1};
  std::thread asker([&] { result = queue_.PostAndWait([](std::function<void(bool)>) {}, true) ? 1 : 0; });
  // The asker's task is dropped unanswered: its answer is the fallback.
  RunUntil([&] { return ran && result != -1; });
  asker.join();
  EXPECT_EQ(result, 1);

  std::atomic<int> pending{-1};
  std::thread second([&] { pending = queue_.PostAndWait([](std::function<void(bool)>) {}, true) ? 1 : 0; });
  // Left pending (nobody runs the context), then dropped by the close.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  queue_.Close();
  second.join();
  EXPECT_EQ(pending, 1);
  bool late = false;
  EXPECT_FALSE(queue_.Post([&] { late = true; }));
  g_main_context_iteration(context_, FALSE);
  EXPECT_FALSE(late);
}

}  // namespace
}  // namespace kvn::app
