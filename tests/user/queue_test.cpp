#include <windows.h>

#include <atomic>
#include <thread>

#include "fixture.h"
#include "user/window_thread.h"

namespace orvel::test {
namespace {

using MessageQueue = WindowTest;

TEST_F(MessageQueue, PostedBeforePaintBeforeTimer) {
  HWND main = MainWindow();
  Drain();
  Log().clear();
  SetTimer(main, 7, 10, nullptr);
  clock::AdvanceTo(clock::NowMicros() + 50'000);  // the timer is due
  InvalidateRect(main, nullptr, FALSE);
  PostMessageA(main, WM_USER, 0, 0);
  MSG msg;
  std::vector<UINT> order;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    order.push_back(msg.message);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));
}

TEST_F(MessageQueue, ALateTimerFiresOnceAndKeepsItsPhase) {
  HWND main = MainWindow();
  Drain();
  SetTimer(main, 1, 100, nullptr);
  clock::AdvanceTo(clock::NowMicros() + 450'000);  // four periods pass unhandled
  Log().clear();
  RunUntil(clock::NowMicros() + 1);
  EXPECT_EQ(Only(WM_TIMER).size(), 1u);
  Log().clear();
  RunUntil(550'000);  // the next tick is at 500 ms, on the original phase
  auto ticks = Only(WM_TIMER);
  ASSERT_EQ(ticks.size(), 1u);
  EXPECT_EQ(ticks[0].micros, 500'000);
}

TEST_F(MessageQueue, SetTimerOnALiveIdRestartsItAndKillTimerStopsIt) {
  HWND main = MainWindow();
  Drain();
  SetTimer(main, 3, 100, nullptr);
  clock::ScheduleAt(60'000, [] {});
  RunUntil(60'000);
  SetTimer(main, 3, 100, nullptr);  // restart at 60 ms
  Log().clear();
  RunUntil(200'000);
  auto ticks = Only(WM_TIMER);
  ASSERT_EQ(ticks.size(), 1u);
  EXPECT_EQ(ticks[0].micros, 160'000);
  EXPECT_EQ(ticks[0].wParam, 3u);
  EXPECT_TRUE(KillTimer(main, 3));
  EXPECT_FALSE(KillTimer(main, 3));
  Log().clear();
  RunUntil(1'000'000);
  EXPECT_TRUE(Only(WM_TIMER).empty());
}

TEST_F(MessageQueue, TenVirtualMinutesOfTwoTimersGiveExactTickCounts) {
  HWND main = MainWindow();
  Drain();
  int fast = 0, slow = 0;
  Hook() = [&](HWND, UINT msg, WPARAM wParam, LPARAM, bool* handled) -> LRESULT {
    if (msg == WM_TIMER) {
      (wParam == 2 ? fast : slow)++;
      *handled = true;
    }
    return 0;
  };
  int64_t start = clock::NowMicros();
  SetTimer(main, 1, 1000, nullptr);
  SetTimer(main, 2, 33, nullptr);
  Log().reserve(40'000);
  RunUntil(start + 600'000'000 + 1);  // up to and including the tick at ten minutes
  EXPECT_EQ(slow, 600);
  EXPECT_EQ(fast, 600'000 / 33);
}

TEST_F(MessageQueue, PostFromAnotherThreadWakesAnIdleLoop) {
  HWND main = MainWindow();
  Drain();
  Log().clear();
  // Nothing is scheduled: GetMessageA sleeps until the other thread posts.
  std::thread poster([main] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostMessageA(main, WM_USER + 5, 42, 0);
  });
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  poster.join();
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
  EXPECT_EQ(msg.wParam, 42u);
}

TEST_F(MessageQueue, TasksRunOnTheWindowThreadBeforePostedMessages) {
  HWND main = MainWindow();
  Drain();
  Log().clear();
  std::thread::id ranOn;
  PostMessageA(main, WM_USER + 6, 0, 0);
  std::thread other([&] { user::RunOnWindowThread([&] { ranOn = std::this_thread::get_id(); }); });
  other.join();
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 6));
}

TEST_F(MessageQueue, SendFromAnotherThreadIsHandledOnTheWindowThread) {
  HWND main = MainWindow();
  Drain();
  std::thread::id handledOn;
  Hook() = [&](HWND, UINT msg, WPARAM, LPARAM, bool* handled) -> LRESULT {
    if (msg != WM_USER + 7) return 0;
    handledOn = std::this_thread::get_id();
    *handled = true;
    return 99;
  };
  std::atomic<LRESULT> result{0};
  std::thread sender([&] {
    result = SendMessageA(main, WM_USER + 7, 0, 0);
    PostQuitMessage(0);
  });
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
  sender.join();
  EXPECT_EQ(result.load(), 99);
  EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST_F(MessageQueue, ClockCallbackMaySendToAWindowWhileTheLoopWaitsForIt) {
  HWND main = MainWindow();
  Drain();
  Hook() = [](HWND, UINT msg, WPARAM wParam, LPARAM, bool* handled) -> LRESULT {
    if (msg != WM_USER + 8) return 0;
    *handled = true;
    return static_cast<LRESULT>(wParam) * 2;
  };
  LRESULT answer = 0;
  clock::ScheduleAt(1'000, [&] { answer = SendMessageA(main, WM_USER + 8, 21, 0); });
  RunUntil(2'000);
  EXPECT_EQ(answer, 42);
}

TEST_F(MessageQueue, QuitComesAfterPostedMessagesAndCarriesItsCode) {
  HWND main = MainWindow();
  Drain();
  PostQuitMessage(3);
  PostMessageA(main, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MessageQueue, ADoubleClickNeedsTheSameSpotSoonAfterAndAThirdPressStartsOver) {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "DoubleClickClass";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND w = CreateWindowExA(0, "DoubleClickClass", "", WS_CAPTION, 0, 0, 200, 200, nullptr, nullptr,
                           nullptr, nullptr);
  ShowWindow(w, SW_SHOWNORMAL);
  struct Press {
    int64_t afterMillis;  // since the previous press
    int x, y;
  };
  struct Case {
    std::vector<Press> presses;
    std::vector<UINT> expected;
  };
  constexpr UINT kDown = WM_LBUTTONDOWN, kDouble = WM_LBUTTONDBLCLK;
  const Case cases[] = {
      {{{0, 50, 50}, {500, 50, 50}}, {kDown, kDouble}},
      {{{0, 50, 50}, {501, 50, 50}}, {kDown, kDown}},
      {{{0, 50, 50}, {10, 52, 48}}, {kDown, kDouble}},
      {{{0, 50, 50}, {10, 53, 50}}, {kDown, kDown}},
      {{{0, 50, 50}, {10, 50, 50}, {10, 50, 50}}, {kDown, kDouble, kDown}},
  };
  for (const Case& c : cases) {
    RunUntil(clock::NowMicros() + 1'000'000);  // forget the previous case's presses
    Log().clear();
    for (const Press& p : c.presses) {
      RunUntil(clock::NowMicros() + p.afterMillis * 1000);
      user::QueueInput(user::InputKind::kMouseDown, w, p.x, p.y);
      user::QueueInput(user::InputKind::kMouseUp, w, p.x, p.y);
      Drain();
    }
    std::vector<UINT> presses;
    for (const Seen& s : Log()) {
      if (s.msg == kDown || s.msg == kDouble) presses.push_back(s.msg);
    }
    EXPECT_EQ(presses, c.expected) << "case " << (&c - cases);
  }
}

}  // namespace
}  // namespace orvel::test
