// Costs of the window layer on the headless host with the virtual clock: a posted message's
// round trip, a full repaint of a window with 30 owner-drawn buttons, and one virtual second
// of the app's two timers.
#include <windows.h>

#include <benchmark/benchmark.h>

#include "host/hosts.h"
#include "kernel/clock.h"
#include "user/internal.h"

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    HBRUSH brush = CreateSolidBrush(RGB(200, 200, 160));
    FillRect(dis->hDC, &dis->rcItem, brush);
    DeleteObject(brush);
    return TRUE;
  }
  if (msg == WM_TIMER) return 0;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND Setup(int buttons) {
  orvel::user::ResetForTests();
  orvel::clock::Use(orvel::clock::Mode::kVirtual);
  orvel::host::UseHeadless();
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "BenchClass";
  RegisterClassA(&wc);
  HWND main = CreateWindowExA(0, "BenchClass", "Bench", WS_CAPTION | WS_SYSMENU, 10, 10, 567, 436,
                              nullptr, nullptr, nullptr, nullptr);
  ShowWindow(main, SW_SHOWNORMAL);
  for (int i = 0; i < buttons; ++i) {
    HWND b = CreateWindowExA(0, "BUTTON", " ", WS_CHILD | BS_OWNERDRAW, 5 + (i % 8) * 65,
                             5 + (i / 8) * 30, 60, 25, main, nullptr, nullptr, nullptr);
    ShowWindow(b, SW_SHOWNORMAL);
  }
  return main;
}

// Handles everything waiting, up to virtual time `micros`.
void RunUntil(int64_t micros) {
  orvel::clock::ScheduleAt(micros, [] { PostQuitMessage(0); });
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
}

void BM_PostedMessageRoundTrip(benchmark::State& state) {
  HWND main = Setup(0);
  RunUntil(0);
  MSG msg;
  for (auto _ : state) {
    PostMessageA(main, WM_USER, 0, 0);
    GetMessageA(&msg, nullptr, 0, 0);
    DispatchMessageA(&msg);
  }
}
BENCHMARK(BM_PostedMessageRoundTrip);

void BM_RepaintWindowWithThirtyButtons(benchmark::State& state) {
  HWND main = Setup(30);
  RunUntil(0);
  for (auto _ : state) {
    InvalidateRect(main, nullptr, TRUE);
    RunUntil(orvel::clock::NowMicros());
  }
}
BENCHMARK(BM_RepaintWindowWithThirtyButtons)->Unit(benchmark::kMicrosecond);

void BM_VirtualSecondOfTheAppTimers(benchmark::State& state) {
  HWND main = Setup(0);
  RunUntil(0);
  SetTimer(main, 1, 1000, nullptr);
  SetTimer(main, 2, 33, nullptr);
  for (auto _ : state) RunUntil(orvel::clock::NowMicros() + 1'000'000);
}
BENCHMARK(BM_VirtualSecondOfTheAppTimers)->Unit(benchmark::kMicrosecond);

}  // namespace
