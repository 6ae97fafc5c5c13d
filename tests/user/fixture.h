// Shared set-up for window-layer tests: virtual clock, headless host, a clean layer per test,
// and a window procedure that records what it is sent.
#ifndef ORVEL_TESTS_USER_FIXTURE_H
#define ORVEL_TESTS_USER_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "host/headless.h"
#include "host/hosts.h"
#include "kernel/clock.h"
#include "user/host.h"
#include "user/internal.h"

namespace orvel::test {

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  UINT drawAction = 0;      // WM_DRAWITEM: itemAction
  UINT drawState = 0;       // WM_DRAWITEM: itemState
  HWND drawItem = nullptr;  // WM_DRAWITEM: hwndItem
  int64_t micros = 0;       // clock time when it arrived
};

// Messages the recording procedure saw, in order, and an optional hook run after recording.
inline std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}
inline std::function<LRESULT(HWND, UINT, WPARAM, LPARAM, bool*)>& Hook() {
  static std::function<LRESULT(HWND, UINT, WPARAM, LPARAM, bool*)> hook;
  return hook;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Seen s{hwnd, msg, wParam, lParam};
  s.micros = orvel::clock::NowMicros();
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    s.drawAction = dis->itemAction;
    s.drawState = dis->itemState;
    s.drawItem = dis->hwndItem;
  }
  Log().push_back(s);
  if (Hook()) {
    bool handled = false;
    LRESULT r = Hook()(hwnd, msg, wParam, lParam, &handled);
    if (handled) return r;
  }
  orvel::user::Window* w = orvel::user::Find(hwnd);
  if (msg == WM_DESTROY && w != nullptr && w->parent == nullptr) PostQuitMessage(0);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orvel::clock::Use(orvel::clock::Mode::kVirtual);
    orvel::host::UseHeadless();
    Log().clear();
    Hook() = nullptr;
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "RecordingClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  void TearDown() override {
    Hook() = nullptr;
    orvel::user::ResetForTests();
  }

  // A shown 567 x 436 main-style window (561 x 411 client).
  HWND MainWindow(DWORD extraStyle = 0) {
    HWND w = CreateWindowExA(0, "RecordingClass", "Test", WS_CAPTION | WS_SYSMENU | extraStyle, 10,
                             10, 567, 436, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(w, SW_SHOWNORMAL);
    return w;
  }

  HWND OwnerDrawButton(HWND parent, int x, int y, int w, int h) {
    HWND b = CreateWindowExA(0, "BUTTON", " ", WS_CHILD | BS_OWNERDRAW, x, y, w, h, parent, nullptr,
                             nullptr, nullptr);
    ShowWindow(b, SW_SHOWNORMAL);
    return b;
  }

  // Handles messages until virtual time `micros`, then returns (the loop ends by WM_QUIT).
  void RunUntil(int64_t micros) {
    orvel::clock::ScheduleAt(micros, [] { PostQuitMessage(0); });
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
  }

  // Handles everything that is waiting without moving time.
  void Drain() { RunUntil(orvel::clock::NowMicros()); }

  static std::vector<Seen> Only(UINT msg) {
    std::vector<Seen> result;
    for (const Seen& s : Log()) {
      if (s.msg == msg) result.push_back(s);
    }
    return result;
  }
};

}  // namespace orvel::test

#endif
