// The thread's message queue: sent, posted, WM_QUIT, input, WM_PAINT, WM_TIMER, in that order
// of retrieval, and the idle wait that moves virtual time.
#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "kernel/clock.h"
#include "kernel/trace.h"
#include "user/host.h"
#include "user/internal.h"
#include "user/retrieval.h"
#include "user/window_thread.h"
#include "user/windows_table.h"

namespace orvel::user {
namespace {

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

void NoteDispatched() {
  g_dirty = true;
}

void ResetQueueForTests() {
  std::lock_guard<std::mutex> hold(Q().lock);
  Q().tasks.clear();
  Q().posted.clear();
  Q().input.clear();
  Q().quit = false;
  ResetTimers();
  ResetInput();
}

}  // namespace orvel::user

using orvel::user::Find;
using orvel::user::Window;

extern "C" {

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  ORVEL_TRACE_CALL(kUser);
  if (lpMsg == nullptr) return -1;
  if (hWnd != nullptr && Find(hWnd) == nullptr) return -1;
  // Known gap: the filters are ignored; every message of the thread comes in its turn.
  if (hWnd != nullptr) ORVEL_TRACE_UNSUPPORTED(kUser, "window filter ignored", 0);
  if (wMsgFilterMin != 0 || wMsgFilterMax != 0)
    ORVEL_TRACE_UNSUPPORTED(kUser, "message range ignored (from %lld)", wMsgFilterMin);
  return orvel::user::Retrieve(lpMsg) ? TRUE : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  ORVEL_TRACE_CALL(kUser);
  // Known gap: keys make no character messages.
  if (lpMsg && lpMsg->message == WM_KEYDOWN)
    ORVEL_TRACE_UNSUPPORTED(kUser, "no WM_CHAR made for key %lld", lpMsg->wParam);
  return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  if (lpMsg == nullptr) return 0;
  DispatchScope scope;
  NoteDispatched();
  if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
    CallTimerProc(*lpMsg);
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
  ORVEL_TRACE_CALL(kUser);
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
  ORVEL_TRACE_CALL(kUser);
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
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  {
    std::lock_guard<std::mutex> hold(Q().lock);
    Q().quit = true;
    Q().quitCode = nExitCode;
  }
  CurrentHost().Wake();
}

}  // extern "C"
