#include "kernel/clock.h"
#include "kernel/heap.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace clk = orvel::clock;

namespace {

// Whichever thread runs them, the callbacks run one at a time, in due order, at their moments,
// and AdvanceTo returns only when each has.
class VirtualClockCallbacks : public ::testing::TestWithParam<clk::Callbacks> {};

TEST_P(VirtualClockCallbacks, RunInDueOrderOnTheChosenThreadAndAdvanceWaitsForEach) {
  clk::Use(clk::Mode::kVirtual, GetParam());
  std::vector<int> order;
  std::vector<int64_t> seen;
  std::thread::id main = std::this_thread::get_id();
  bool onWorker = true, onMain = true;
  auto note = [&](int tag) {
    return [&, tag] {
      order.push_back(tag);
      seen.push_back(clk::NowMicros());
      onWorker = onWorker && std::this_thread::get_id() != main;
      onMain = onMain && std::this_thread::get_id() == main;
    };
  };
  clk::ScheduleAt(3000, note(3));
  clk::ScheduleAt(1000, note(1));
  clk::EventId dropped = clk::ScheduleAt(2000, note(2));
  clk::ScheduleAt(9000, note(9));
  clk::ScheduleAt(5000, note(5));  // due at the very moment advanced to
  clk::Cancel(dropped);
  EXPECT_EQ(clk::NextDueMicros(), 1000);

  clk::AdvanceTo(5000);
  EXPECT_EQ(order, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(seen, (std::vector<int64_t>{1000, 3000, 5000}));
  EXPECT_TRUE(GetParam() == clk::Callbacks::kWorker ? onWorker : onMain);
  EXPECT_EQ(clk::NowMicros(), 5000);
  EXPECT_EQ(clk::NextDueMicros(), 9000);

  clk::AdvanceTo(4000);  // never backwards
  EXPECT_EQ(clk::NowMicros(), 5000);
  clk::Use(clk::Mode::kVirtual);  // drops what is scheduled
  EXPECT_EQ(clk::NextDueMicros(), -1);
  EXPECT_EQ(clk::NowMicros(), 0);
}

INSTANTIATE_TEST_SUITE_P(Threads, VirtualClockCallbacks,
                         ::testing::Values(clk::Callbacks::kWorker,
                                           clk::Callbacks::kAdvancingThread),
                         [](const ::testing::TestParamInfo<clk::Callbacks>& info) {
                           return info.param == clk::Callbacks::kWorker ? "OnTheWorker"
                                                                        : "OnTheAdvancingThread";
                         });

TEST(VirtualClock, CallbackMayScheduleAnotherThatRunsInTheSameAdvance) {
  clk::Use(clk::Mode::kVirtual);
  std::vector<int64_t> seen;
  clk::ScheduleAt(100, [&] {
    seen.push_back(clk::NowMicros());
    clk::ScheduleAt(200, [&] { seen.push_back(clk::NowMicros()); });
  });
  clk::AdvanceTo(1000);
  EXPECT_EQ(seen, (std::vector<int64_t>{100, 200}));
}

TEST(RealClock, RunsACallbackWhenDueAndWakeEndsAWait) {
  clk::Use(clk::Mode::kReal);
  std::mutex lock;
  std::condition_variable cv;
  bool ran = false;
  int64_t due = clk::NowMicros() + 2000, ranAt = 0;
  clk::ScheduleAt(due, [&] {
    std::lock_guard<std::mutex> hold(lock);
    ran = true;
    ranAt = clk::NowMicros();
    cv.notify_all();
  });
  std::unique_lock<std::mutex> hold(lock);
  EXPECT_TRUE(cv.wait_for(hold, std::chrono::seconds(10), [&] { return ran; }));
  EXPECT_GE(ranAt, due);  // never early
  hold.unlock();

  std::thread waker([] { clk::Wake(); });
  clk::WaitUntil(clk::NowMicros() + 60'000'000);  // ends at the Wake, not after a minute
  waker.join();
  clk::Use(clk::Mode::kVirtual);
}

// Without threads (the browser build) real-time callbacks run only in AdvanceTo, on its
// caller, once due: not before their moment, and not on their own.
TEST(RealClock, RunsCallbacksOnTheAdvancingThreadOnlyWhenDue) {
  clk::Use(clk::Mode::kReal, clk::Callbacks::kAdvancingThread);
  std::vector<int> ran;
  const std::thread::id main = std::this_thread::get_id();
  bool onMain = true;
  const int64_t soon = clk::NowMicros() + 1000;
  clk::ScheduleAt(soon, [&] {
    ran.push_back(1);
    onMain = onMain && std::this_thread::get_id() == main;
  });
  clk::ScheduleAt(soon + 60'000'000, [&] { ran.push_back(2); });
  clk::AdvanceTo(soon - 1);  // not yet due by the moment asked for
  EXPECT_TRUE(ran.empty());
  clk::WaitUntil(soon);
  while (clk::NowMicros() < soon) clk::WaitUntil(soon);
  clk::AdvanceTo(soon + 60'000'000);  // runs only what is due by now
  EXPECT_EQ(ran, (std::vector<int>{1}));
  EXPECT_TRUE(onMain);
  EXPECT_EQ(clk::NextDueMicros(), soon + 60'000'000);
  clk::Use(clk::Mode::kVirtual);
}

TEST(LocalTime, FollowsTheVirtualClockFromItsFixedStart) {
  clk::Use(clk::Mode::kVirtual);
  SYSTEMTIME t = {};
  GetLocalTime(&t);
  EXPECT_EQ(t.wYear, 2026);
  EXPECT_EQ(t.wMonth, 12);
  EXPECT_EQ(t.wDay, 6);
  EXPECT_EQ(t.wDayOfWeek, 0);  // Sunday
  EXPECT_EQ(t.wHour, 8);
  EXPECT_EQ(t.wMinute, 16);
  EXPECT_EQ(t.wSecond, 0);

  clk::AdvanceTo(90'250'000);
  GetLocalTime(&t);
  EXPECT_EQ(t.wMinute, 17);
  EXPECT_EQ(t.wSecond, 30);
  EXPECT_EQ(t.wMilliseconds, 250);
  EXPECT_EQ(GetTickCount(), 90'250u);
}

TEST(ProcessHeap, ZeroesCountsAndRefusesForeignPointers) {
  int before = orvel::kernel::LiveHeapBlocks();
  HANDLE heap = GetProcessHeap();
  ASSERT_NE(heap, nullptr);
  auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 64));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(orvel::kernel::LiveHeapBlocks(), before + 1);

  int local = 0;
  EXPECT_FALSE(HeapFree(heap, 0, &local));
  EXPECT_EQ(HeapAlloc(&local, 0, 8), nullptr);
  EXPECT_TRUE(HeapFree(heap, 0, block));
  EXPECT_FALSE(HeapFree(heap, 0, block));  // a second free is refused
  EXPECT_EQ(orvel::kernel::LiveHeapBlocks(), before);
}

}  // namespace
