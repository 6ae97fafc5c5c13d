// Cost of presenting a 561 x 411 window through the SDL window surface: copying what was drawn
// since the last presentation, for a small change, the display area and nothing. It needs a
// display: run it under xvfb-run. ORVEL_BENCH_SCALE=N presents the window N times larger.
#include <windows.h>

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>

#include "host/hosts.h"
#include "kernel/clock.h"
#include "user/host.h"

namespace {

HWND g_window = nullptr;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool Setup() {
  if (g_window != nullptr) return true;
  const char* scale = getenv("ORVEL_BENCH_SCALE");
  orvel::host::SetScale(scale != nullptr ? atoi(scale) : 1);
  orvel::clock::Use(orvel::clock::Mode::kVirtual);  // the once-per-refresh limit reads it
  std::string error;
  if (!orvel::host::UseSdl(&error)) return false;
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = "PresentBench";
  RegisterClassA(&wc);
  g_window = CreateWindowExA(0, "PresentBench", "Bench", WS_CAPTION | WS_SYSMENU, 10, 10, 567, 436,
                             nullptr, nullptr, nullptr, nullptr);
  ShowWindow(g_window, SW_SHOWNORMAL);
  return g_window != nullptr;
}

// Draws a w x h block in a new colour, lets a display refresh pass and presents.
void PresentAfterChange(benchmark::State& state, int w, int h) {
  if (!Setup()) {
    state.SkipWithError("no display: run under xvfb-run");
    return;
  }
  HDC dc = GetDC(g_window);
  COLORREF colour = 0;
  for (auto _ : state) {
    state.PauseTiming();
    HBRUSH brush = CreateSolidBrush(colour++ & 0xFFFFFF);
    RECT r{100, 100, 100 + w, 100 + h};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    orvel::clock::AdvanceTo(orvel::clock::NowMicros() + 20'000);
    state.ResumeTiming();
    orvel::user::CurrentHost().Poll(true);
  }
}

void BM_PresentSmallChange(benchmark::State& state) {
  PresentAfterChange(state, 40, 20);
}
BENCHMARK(BM_PresentSmallChange)->Unit(benchmark::kMicrosecond);

void BM_PresentDisplayAreaChange(benchmark::State& state) {
  PresentAfterChange(state, 522, 200);
}
BENCHMARK(BM_PresentDisplayAreaChange)->Unit(benchmark::kMicrosecond);

void BM_PresentNothingChanged(benchmark::State& state) {
  PresentAfterChange(state, 0, 0);
}
BENCHMARK(BM_PresentNothingChanged)->Unit(benchmark::kMicrosecond);

}  // namespace
