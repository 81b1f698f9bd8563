// The hand-off from the setup thread to the user-interface thread.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "ui/SE_UiQueue.h"

TEST(UiQueue, ClosuresFromAnotherThreadRunInOrderWhenDrained) {
  TUiQueue queue;
  std::vector<int> ran;
  int wakes = 0;
  queue.SetWakeHook([&] { ++wakes; });
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) queue.Post([&ran, i] { ran.push_back(i); });
  });
  worker.join();
  EXPECT_TRUE(ran.empty());  // nothing runs on the posting thread
  EXPECT_EQ(queue.Pending(), 100u);
  EXPECT_EQ(wakes, 100);
  EXPECT_EQ(queue.Drain(), 100u);
  ASSERT_EQ(ran.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(ran[i], i);
  EXPECT_EQ(queue.Drain(), 0u);
}

TEST(UiQueue, CallWaitsForTheAnswerFromTheUiThread) {
  TUiQueue queue;
  EXPECT_EQ(queue.Call<int>([] { return 7; }), 7);  // on the UI thread: at once

  int answer = 0;
  std::thread worker([&] { answer = queue.Call<int>([] { return 42; }); });
  while (queue.Pending() == 0) std::this_thread::yield();
  queue.Drain();
  worker.join();
  EXPECT_EQ(answer, 42);

  bool thrown = false;
  std::thread failing([&] {
    try {
      queue.Call<int>([]() -> int { throw std::runtime_error("no"); });
    } catch (const std::runtime_error&) {
      thrown = true;
    }
  });
  while (queue.Pending() == 0) std::this_thread::yield();
  queue.Drain();
  failing.join();
  EXPECT_TRUE(thrown);
}

TEST(UiQueue, ClearedQuestionsDoNotLeaveTheAskerWaiting) {
  TUiQueue queue;
  bool broken = false;
  std::thread worker([&] {
    try {
      queue.Call<int>([] { return 1; });
    } catch (const std::future_error&) {
      broken = true;
    }
  });
  while (queue.Pending() == 0) std::this_thread::yield();
  queue.Clear();
  worker.join();
  EXPECT_TRUE(broken);
}
