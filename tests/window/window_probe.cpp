// A small program for the real-window test: one 567 x 436 captioned window on the SDL2 host
// with a red block painted in WM_PAINT and an owner-drawn button (green, yellow while pressed).
// A click on the button prints "clicked", paints a blue block through the window DC and ends
// the program five seconds later; without a click it gives up after 30 seconds (exit code 1;
// deadlines scaled by ORVEL_TEST_WAIT_SCALE, tests/support/wait_scale.h).
// After the click another thread posts a message while the window thread sleeps with only a
// timer seconds away: it must wake for it, and otherwise sleep, using next to no processor
// time in those five seconds (else exit code 1 too).
#include <stdio.h>
#include <sys/resource.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "host/hosts.h"
#include "wait_scale.h"

namespace {

constexpr UINT kPosted = WM_USER + 1;
HWND g_button = nullptr;
bool g_clicked = false;
bool g_wokenLate = true;  // until the posted message arrives in time
std::thread g_poster;
std::chrono::steady_clock::time_point g_postedAt;
int64_t g_cpuAtClick = 0;

// Processor time of the whole process so far, in milliseconds.
int64_t CpuMillis() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1000 +
         (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1000;
}

// Posts kPosted to `hwnd` a moment from now, from a thread of its own.
void PostFromAnotherThread(HWND hwnd) {
  g_poster = std::thread([hwnd] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    g_postedAt = std::chrono::steady_clock::now();
    PostMessageA(hwnd, kPosted, 0, 0);
  });
}

void Fill(HDC dc, RECT r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Fill(dc, RECT{100, 100, 300, 200}, RGB(255, 0, 0));
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      bool pressed = dis->itemAction == ODA_SELECT && (dis->itemState & ODS_SELECTED);
      Fill(dis->hDC, dis->rcItem, pressed ? RGB(255, 255, 0) : RGB(0, 255, 0));
      return TRUE;
    }
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == g_button && HIWORD(wParam) == BN_CLICKED) {
        printf("clicked\n");
        fflush(stdout);
        g_clicked = true;
        HDC dc = GetDC(hwnd);
        Fill(dc, RECT{320, 100, 500, 200}, RGB(0, 0, 255));
        ReleaseDC(hwnd, dc);
        SetTimer(hwnd, 2, 5000, nullptr);
        g_cpuAtClick = CpuMillis();
        PostFromAnotherThread(hwnd);
      }
      return 0;
    case kPosted: {
      // A wake-up lost on the way would leave the message to the next timer, seconds away.
      const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - g_postedAt)
                              .count();
      g_wokenLate = waited > orvel::test::ScaledMillis(2000);
      printf("woken after %lld ms\n", static_cast<long long>(waited));
      fflush(stdout);
      return 0;
    }
    case WM_TIMER:
      if (wParam == 1) fprintf(stderr, "window_probe: no click in time\n");
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY: {
      if (g_clicked && g_wokenLate) fprintf(stderr, "window_probe: the posted message waited\n");
      // Five seconds of waiting cost a few milliseconds; a loop that polls costs seconds.
      const int64_t busy = g_clicked ? CpuMillis() - g_cpuAtClick : 0;
      if (busy > 1000)
        fprintf(stderr, "window_probe: %lld ms of CPU while idle\n", (long long)busy);
      PostQuitMessage(g_clicked && !g_wokenLate && busy <= 1000 ? 0 : 1);
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int main() {
  std::string error;
  if (!orvel::host::UseSdl(&error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = ProbeProc;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "ProbeClass";
  RegisterClassA(&wc);
  HWND main = CreateWindowExA(0, "ProbeClass", "Orvel window test", WS_CAPTION | WS_SYSMENU, 10, 10,
                              567, 436, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(main, SW_SHOWNORMAL);
  g_button = CreateWindowExA(0, "BUTTON", " ", WS_CHILD | BS_OWNERDRAW, 20, 8, 60, 25, main,
                             nullptr, nullptr, nullptr);
  ShowWindow(g_button, SW_SHOWNORMAL);
  SetTimer(main, 1, static_cast<UINT>(orvel::test::ScaledMillis(30000)), nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
  if (g_poster.joinable()) g_poster.join();
  orvel::host::Shutdown();
  return static_cast<int>(msg.wParam);
}
