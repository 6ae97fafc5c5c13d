// The thread's timers: SetTimer and KillTimer, and the WM_TIMER messages that retrieval makes
// from them, one per timer at most, only when nothing else waits.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "kernel/clock.h"
#include "kernel/trace.h"
#include "user/host.h"
#include "user/internal.h"
#include "user/retrieval.h"

namespace orvel::user {
namespace {

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  int64_t periodMicros;
  int64_t dueMicros;
  bool ready;
  TIMERPROC proc;
};

std::vector<Timer>& Timers() {
  static std::vector<Timer> timers;
  return timers;
}

// Marks due timers ready, keeping their phase; a timer that is already ready stays so once,
// however many periods passed.
void UpdateTimers(int64_t now) {
  for (Timer& t : Timers()) {
    if (t.dueMicros > now) continue;
    t.ready = true;
    int64_t late = now - t.dueMicros;
    t.dueMicros += (late / t.periodMicros + 1) * t.periodMicros;
  }
}

// A fresh id for a thread timer (no window): above every id in use.
UINT_PTR FreshThreadTimerId() {
  UINT_PTR id = 0x7FFF0000;
  for (const Timer& t : Timers()) id = std::max(id, t.id + 1);
  return id;
}

}  // namespace

int64_t EarliestTimer() {
  int64_t earliest = -1;
  for (const Timer& t : Timers()) {
    if (!t.ready && (earliest < 0 || t.dueMicros < earliest)) earliest = t.dueMicros;
  }
  return earliest;
}

bool NextTimer(MSG* msg) {
  UpdateTimers(clock::NowMicros());
  for (Timer& t : Timers()) {
    if (!t.ready) continue;
    t.ready = false;
    *msg = MSG{t.hwnd,
               WM_TIMER,
               t.id,
               reinterpret_cast<LPARAM>(t.proc),
               static_cast<DWORD>(clock::NowMillis()),
               POINT{0, 0}};
    return true;
  }
  return false;
}

void CallTimerProc(const MSG& msg) {
  for (const Timer& t : Timers()) {
    if (t.hwnd == msg.hwnd && t.id == msg.wParam &&
        reinterpret_cast<LPARAM>(t.proc) == msg.lParam) {
      t.proc(msg.hwnd, WM_TIMER, msg.wParam, static_cast<DWORD>(clock::NowMillis()));
      return;
    }
  }
}

void KillTimersOf(HWND hwnd) {
  auto& timers = Timers();
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
               timers.end());
}

void ResetTimers() {
  Timers().clear();
}

}  // namespace orvel::user

extern "C" {

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  if (hWnd != nullptr && Find(hWnd) == nullptr) return 0;
  auto& timers = Timers();
  if (hWnd == nullptr) {
    // Thread timers get a fresh id unless an existing one is named.
    bool known = false;
    for (const Timer& t : timers) known = known || (t.hwnd == nullptr && t.id == nIDEvent);
    if (!known) nIDEvent = FreshThreadTimerId();
  }
  // Win32 raises periods below 10 ms to 10 ms.
  int64_t period = std::max<UINT>(uElapse, 10) * int64_t{1000};
  Timer fresh{hWnd, nIDEvent, period, orvel::clock::NowMicros() + period, false, lpTimerFunc};
  UINT_PTR result = hWnd ? (nIDEvent ? nIDEvent : 1) : nIDEvent;
  for (Timer& t : timers) {
    if (t.hwnd == hWnd && t.id == nIDEvent) {
      t = fresh;  // a live timer restarts
      return result;
    }
  }
  timers.push_back(fresh);
  CurrentHost().Wake();
  return result;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  ORVEL_TRACE_CALL(kUser);
  auto& timers = orvel::user::Timers();
  for (auto it = timers.begin(); it != timers.end(); ++it) {
    if (it->hwnd == hWnd && it->id == uIDEvent) {
      timers.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}

}  // extern "C"
