// The signal handler only writes the signal's number to a pipe (write is async-signal-safe);
// a thread of its own reads the pipe and asks the window thread to close, which wakes the
// message loop through the host as any posted message does.
#include "host/ending.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include <windows.h>

#include "kernel/clock.h"
#include "user/host.h"
#include "user/window_thread.h"

namespace orvel::host {
namespace {

std::atomic<int> g_signals{0};
int g_pipe[2] = {-1, -1};

std::mutex& LastLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

std::function<void()>& Last() {
  static auto* last = new std::function<void()>;
  return *last;
}

void OnSignal(int number) {
  if (g_signals.fetch_add(1) > 0) _exit(128 + number);
  const unsigned char byte = static_cast<unsigned char>(number);
  if (write(g_pipe[1], &byte, 1) != 1) _exit(128 + number);
}

void WatchSignals() {
  for (;;) {
    unsigned char number = 0;
    const ssize_t got = read(g_pipe[0], &number, 1);
    if (got < 0) continue;  // interrupted
    if (got == 0) return;
    if (!CloseMainWindow()) _exit(128 + number);
  }
}

}  // namespace

void BeforeClose(std::function<void()> last) {
  std::lock_guard<std::mutex> hold(LastLock());
  Last() = std::move(last);
}

bool CloseMainWindow() {
  if (user::TopLevelWindows().empty()) return false;
  user::RunOnWindowThread([] {
    std::function<void()> last;
    {
      std::lock_guard<std::mutex> hold(LastLock());
      last = std::move(Last());
      Last() = nullptr;
    }
    if (last) last();
    // A modal dialog ends first, as cancelled, so that its loop does not outlive its owner.
    if (HWND dialog = user::ActiveDialog()) EndDialog(dialog, IDCANCEL);
    const std::vector<HWND> windows = user::TopLevelWindows();
    if (!windows.empty()) PostMessageA(windows.front(), WM_CLOSE, 0, 0);
  });
  return true;
}

void CloseAt(int64_t micros) {
  clock::ScheduleAt(micros, [] { CloseMainWindow(); });
}

void CloseOnSignals() {
  if (pipe(g_pipe) != 0) return;
  std::thread(WatchSignals).detach();
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

}  // namespace orvel::host
