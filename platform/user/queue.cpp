// The thread's message queue: sent, posted, WM_QUIT, input, WM_PAINT, WM_TIMER, in that order
// of retrieval, and the idle wait that moves virtual time.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "kernel/clock.h"
#include "user/host.h"
#include "user/internal.h"
#include "user/window_thread.h"
#include "user/windows_table.h"

namespace orvel::user {
namespace {

struct RawInput {
  InputKind kind;
  HWND window;
  int x;
  int y;
  int key;
};

// A message sent from another thread, waiting for the window thread to handle it.
struct CrossSend {
  MSG msg;
  LRESULT result = 0;
  bool done = false;
};

struct Queue {
  std::mutex lock;
  std::condition_variable sendDone;
  std::deque<std::function<void()>> tasks;
  std::deque<CrossSend*> sent;
  std::deque<MSG> posted;
  std::deque<RawInput> input;
  bool quit = false;
  int quitCode = 0;
};

Queue& Q() {
  static Queue* queue = new Queue;
  return *queue;
}

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

struct Mouse {
  bool down = false;
  HWND lastDownWindow = nullptr;
  int64_t lastDownMillis = -1;
  POINT lastDownAt = {};
};
Mouse g_mouse;

std::unique_ptr<Host>& HostSlot() {
  static std::unique_ptr<Host> host;
  return host;
}

bool g_dirty = true;
int g_dispatchDepth = 0;

// Window procedures run inside one of these; dead windows are freed only outside them all.
struct DispatchScope {
  DispatchScope() { ++g_dispatchDepth; }
  ~DispatchScope() { --g_dispatchDepth; }
};

void Answer(CrossSend* send) {
  DispatchScope scope;
  LRESULT r = CallProc(send->msg.hwnd, send->msg.message, send->msg.wParam, send->msg.lParam);
  std::lock_guard<std::mutex> hold(Q().lock);
  send->result = r;
  send->done = true;
  Q().sendDone.notify_all();
}

// Messages sent by a clock callback while the window thread waits for it in AdvanceTo.
void AnswerSends() {
  for (;;) {
    CrossSend* send = nullptr;
    {
      std::lock_guard<std::mutex> hold(Q().lock);
      if (Q().sent.empty()) return;
      send = Q().sent.front();
      Q().sent.pop_front();
    }
    Answer(send);
  }
}

// Runs window-thread tasks and messages sent from other threads.
void RunPending() {
  Queue& q = Q();
  for (;;) {
    std::function<void()> task;
    CrossSend* send = nullptr;
    {
      std::lock_guard<std::mutex> hold(q.lock);
      if (!q.tasks.empty()) {
        task = std::move(q.tasks.front());
        q.tasks.pop_front();
      } else if (!q.sent.empty()) {
        send = q.sent.front();
        q.sent.pop_front();
      } else {
        return;
      }
    }
    g_dirty = true;
    if (task) {
      DispatchScope scope;
      task();
    } else {
      Answer(send);
    }
  }
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

int64_t EarliestTimer() {
  int64_t earliest = -1;
  for (const Timer& t : Timers()) {
    if (!t.ready && (earliest < 0 || t.dueMicros < earliest)) earliest = t.dueMicros;
  }
  return earliest;
}

LPARAM MakePoint(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(x)),
                    static_cast<WORD>(static_cast<int16_t>(y)));
}

// The deepest visible, enabled window under (x, y) of `w`'s client area (w itself if no child).
Window* HitTest(Window* w, int x, int y, POINT* local) {
  for (HWND child : w->children) {
    Window* c = Find(child);
    if (c == nullptr || !c->visible) continue;
    if (x >= c->rect.left && x < c->rect.right && y >= c->rect.top && y < c->rect.bottom) {
      if (!c->enabled) break;
      return HitTest(c, x - c->rect.left, y - c->rect.top, local);
    }
  }
  *local = POINT{x, y};
  return w;
}

// Turns one piece of raw input into a message; false when it makes none.
bool ConvertInput(const RawInput& in, MSG* msg) {
  Window* w = Find(in.window);
  if (w == nullptr) return false;
  msg->time = static_cast<DWORD>(orvel::clock::NowMillis());
  switch (in.kind) {
    case InputKind::kKeyDown:
    case InputKind::kKeyUp:
      if (!TopLevelOf(w)->enabled) return false;  // disabled by a modal dialog
      *msg = MSG{in.window,
                 static_cast<UINT>(in.kind == InputKind::kKeyDown ? WM_KEYDOWN : WM_KEYUP),
                 static_cast<WPARAM>(in.key),
                 in.kind == InputKind::kKeyDown ? 1 : static_cast<LPARAM>(0xC0000001u),
                 msg->time,
                 POINT{0, 0}};
      return true;
    case InputKind::kClose:
      if (w->parent == nullptr && w->enabled) SendMessageA(in.window, WM_CLOSE, 0, 0);
      return false;
    default:
      break;
  }
  if (w->parent != nullptr) return false;
  HWND capture = CaptureWindow();
  Window* target = nullptr;
  POINT local{};
  if (capture != nullptr && TopLevelOf(Find(capture)) == w) {
    target = Find(capture);
    POINT o = SurfaceOrigin(target);
    local = POINT{in.x - o.x, in.y - o.y};
  } else {
    // A window disabled by a modal dialog takes no mouse input.
    if (!w->enabled) return false;
    if (in.x < 0 || in.y < 0 || in.x >= w->clientW || in.y >= w->clientH) return false;
    target = HitTest(w, in.x, in.y, &local);
  }
  UINT message = WM_MOUSEMOVE;
  if (in.kind == InputKind::kMouseDown) {
    message = WM_LBUTTONDOWN;
    int64_t now = clock::NowMillis();
    if (g_mouse.lastDownWindow == target->handle && g_mouse.lastDownMillis >= 0 &&
        now - g_mouse.lastDownMillis <= kDoubleClickMillis &&
        std::abs(in.x - g_mouse.lastDownAt.x) <= kDoubleClickSlop &&
        std::abs(in.y - g_mouse.lastDownAt.y) <= kDoubleClickSlop &&
        (target->cls->style & CS_DBLCLKS)) {
      message = WM_LBUTTONDBLCLK;
      g_mouse.lastDownMillis = -1;  // a third press starts over
    } else {
      g_mouse.lastDownWindow = target->handle;
      g_mouse.lastDownMillis = now;
      g_mouse.lastDownAt = POINT{in.x, in.y};
    }
    g_mouse.down = true;
  } else if (in.kind == InputKind::kMouseUp) {
    message = WM_LBUTTONUP;
    g_mouse.down = false;
  }
  *msg = MSG{target->handle,
             message,
             static_cast<WPARAM>(g_mouse.down ? MK_LBUTTON : 0),
             MakePoint(local.x, local.y),
             msg->time,
             POINT{in.x, in.y}};
  return true;
}

bool NextQueued(MSG* msg) {
  Queue& q = Q();
  for (;;) {
    RawInput in;
    {
      std::lock_guard<std::mutex> hold(q.lock);
      if (!q.posted.empty()) {
        *msg = q.posted.front();
        q.posted.pop_front();
        return true;
      }
      if (q.quit) {
        q.quit = false;
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, 0, POINT{0, 0}};
        return true;
      }
      if (q.input.empty()) return false;
      in = q.input.front();
      q.input.pop_front();
    }
    if (ConvertInput(in, msg)) return true;
  }
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
               static_cast<DWORD>(orvel::clock::NowMillis()),
               POINT{0, 0}};
    return true;
  }
  return false;
}

// Nothing to retrieve: wait for the next timer, callback or outside event.
void Idle() {
  int64_t timer = EarliestTimer();
  if (clock::Current() == clock::Mode::kVirtual) {
    int64_t callback = clock::NextDueMicros();
    int64_t next = timer < 0 ? callback : (callback < 0 ? timer : std::min(timer, callback));
    if (next >= 0) {
      clock::AdvanceTo(next);
    } else {
      CurrentHost().Wait(-1);  // only another thread can bring work now
    }
    return;
  }
  CurrentHost().Wait(timer);
}

}  // namespace

void Host::Wait(int64_t deadlineMicros) {
  if (deadlineMicros < 0) {
    clock::WaitForWake();
  } else {
    clock::WaitUntil(deadlineMicros);
  }
}

void Host::Wake() {
  clock::Wake();
}

int Host::MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return IDOK;
}

void SetHost(std::unique_ptr<Host> host) {
  HostSlot() = std::move(host);
}

Host& CurrentHost() {
  static Host fallback;
  return HostSlot() ? *HostSlot() : fallback;
}

void QueueInput(InputKind kind, HWND window, int x, int y, int key) {
  {
    std::lock_guard<std::mutex> hold(Q().lock);
    Q().input.push_back(RawInput{kind, window, x, y, key});
  }
  CurrentHost().Wake();
}

void RunOnWindowThread(std::function<void()> task) {
  if (!task) return;
  {
    std::lock_guard<std::mutex> hold(Q().lock);
    Q().tasks.push_back(std::move(task));
  }
  CurrentHost().Wake();
}

bool Retrieve(MSG* msg) {
  static bool answering = [] {
    clock::SetAdvanceWork(AnswerSends);
    return true;
  }();
  (void)answering;
  if (g_dispatchDepth == 0) Table().Collect();
  for (;;) {
    RunPending();
    CurrentHost().Poll(g_dirty);
    g_dirty = false;
    if (NextQueued(msg)) break;
    if (Window* w = NextToPaint()) {
      *msg = MSG{w->handle,  WM_PAINT, 0, 0, static_cast<DWORD>(orvel::clock::NowMillis()),
                 POINT{0, 0}};
      break;
    }
    if (NextTimer(msg)) break;
    Idle();
  }
  g_dirty = true;
  return msg->message != WM_QUIT;
}

void ForgetWindow(HWND hwnd) {
  std::lock_guard<std::mutex> hold(Q().lock);
  auto& posted = Q().posted;
  posted.erase(
      std::remove_if(posted.begin(), posted.end(), [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
      posted.end());
}

void KillTimersOf(HWND hwnd) {
  auto& timers = Timers();
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
               timers.end());
}

void NoteDispatched() {
  g_dirty = true;
}

void ResetQueueForTests() {
  std::lock_guard<std::mutex> hold(Q().lock);
  Q().tasks.clear();
  Q().posted.clear();
  Q().input.clear();
  Q().quit = false;
  Timers().clear();
  g_mouse = Mouse{};
}

}  // namespace orvel::user

using orvel::user::Find;
using orvel::user::Window;

extern "C" {

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (lpMsg == nullptr) return -1;
  if (hWnd != nullptr && Find(hWnd) == nullptr) return -1;
  return orvel::user::Retrieve(lpMsg) ? TRUE : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  using namespace orvel::user;
  if (lpMsg == nullptr) return 0;
  DispatchScope scope;
  NoteDispatched();
  if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
    // Only a timer procedure that a live timer names is called.
    for (const Timer& t : Timers()) {
      if (t.hwnd == lpMsg->hwnd && t.id == lpMsg->wParam &&
          reinterpret_cast<LPARAM>(t.proc) == lpMsg->lParam) {
        t.proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, static_cast<DWORD>(orvel::clock::NowMillis()));
        return 0;
      }
    }
    return 0;
  }
  Window* w = Find(lpMsg->hwnd);
  if (w == nullptr) return 0;
  unsigned paints = w->paints;
  LRESULT r = CallProc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
  if (lpMsg->message == WM_PAINT && (w = Find(lpMsg->hwnd)) != nullptr && w->paints == paints) {
    // A window procedure that never calls BeginPaint would otherwise be asked to paint for ever.
    w->updatePending = w->erasePending = false;
  }
  return r;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  using namespace orvel::user;
  if (hWnd != nullptr && !Table().IsLive(hWnd)) return FALSE;
  {
    std::lock_guard<std::mutex> hold(Q().lock);
    Q().posted.push_back(MSG{hWnd, Msg, wParam, lParam, 0, POINT{0, 0}});
  }
  CurrentHost().Wake();
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  using namespace orvel::user;
  Window* w = Find(hWnd);
  if (w == nullptr) return 0;
  if (w->thread == std::this_thread::get_id()) {
    DispatchScope scope;
    return CallProc(hWnd, Msg, wParam, lParam);
  }
  // From another thread: the window thread handles it in its next retrieval.
  CrossSend send;
  send.msg = MSG{hWnd, Msg, wParam, lParam, 0, POINT{0, 0}};
  std::unique_lock<std::mutex> hold(Q().lock);
  Q().sent.push_back(&send);
  hold.unlock();
  CurrentHost().Wake();
  orvel::clock::WakeAdvance();
  hold.lock();
  Q().sendDone.wait(hold, [&send] { return send.done; });
  return send.result;
}

void WINAPI PostQuitMessage(int nExitCode) {
  using namespace orvel::user;
  {
    std::lock_guard<std::mutex> hold(Q().lock);
    Q().quit = true;
    Q().quitCode = nExitCode;
  }
  CurrentHost().Wake();
}

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  using namespace orvel::user;
  if (hWnd != nullptr && Find(hWnd) == nullptr) return 0;
  auto& timers = Timers();
  if (hWnd == nullptr) {
    // Thread timers get a fresh id unless an existing one is named.
    bool known = false;
    for (const Timer& t : timers) known = known || (t.hwnd == nullptr && t.id == nIDEvent);
    if (!known) {
      UINT_PTR id = 0x7FFF0000;
      for (const Timer& t : timers) id = std::max(id, t.id + 1);
      nIDEvent = id;
    }
  }
  // Win32 raises periods below 10 ms to 10 ms.
  int64_t period = std::max<UINT>(uElapse, 10) * int64_t{1000};
  Timer fresh{hWnd, nIDEvent, period, orvel::clock::NowMicros() + period, false, lpTimerFunc};
  for (Timer& t : timers) {
    if (t.hwnd == hWnd && t.id == nIDEvent) {
      t = fresh;  // a live timer restarts
      return hWnd ? (nIDEvent ? nIDEvent : 1) : nIDEvent;
    }
  }
  timers.push_back(fresh);
  CurrentHost().Wake();
  return hWnd ? (nIDEvent ? nIDEvent : 1) : nIDEvent;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
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
