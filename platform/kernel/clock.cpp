#include "kernel/clock.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace orvel::clock {
namespace {

using Steady = std::chrono::steady_clock;

// One worker thread serves both modes: in real time it runs callbacks as they fall due; in
// virtual time it runs only the callback that AdvanceTo hands it, while AdvanceTo waits.
struct State {
  std::mutex lock;
  std::condition_variable workerCv;  // new events, a hand-off, a mode change
  std::condition_variable doneCv;    // a handed-off callback has returned
  std::atomic<Mode> mode{Mode::kReal};
  std::atomic<bool> started{false};
  Steady::time_point start;
  std::atomic<int64_t> virtualNow{0};
  bool epochOverridden = false;
  int64_t epoch = 0;
  std::map<std::pair<int64_t, EventId>, Callback> events;  // by due time, then order
  std::map<EventId, int64_t> dueOf;
  EventId nextId = 1;
  Callback handoff;
  bool handoffDone = true;
  Callback advanceWork;
  bool advanceWake = false;
  bool workerRunning = false;

  std::mutex wakeLock;
  std::condition_variable wakeCv;
  bool woken = false;
};

// Never destroyed: the worker thread may still wait on it while the program exits.
State& S() {
  static State* state = new State;
  return *state;
}

// Sunday 6 December 2026, 08:16:00 local time.
int64_t DefaultVirtualEpoch() {
  struct tm t = {};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 6;
  t.tm_hour = 8;
  t.tm_min = 16;
  t.tm_isdst = -1;
  return static_cast<int64_t>(mktime(&t));
}

// Starts the clock at the first reading; the caller holds the lock.
void EnsureStartedLocked(State& s) {
  if (s.started) return;
  s.started = true;
  s.start = Steady::now();
  s.virtualNow = 0;
  if (!s.epochOverridden) {
    s.epoch =
        s.mode == Mode::kVirtual ? DefaultVirtualEpoch() : static_cast<int64_t>(time(nullptr));
  }
}

int64_t RealMicrosLocked(const State& s) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - s.start).count();
}

int64_t NowLocked(State& s) {
  EnsureStartedLocked(s);
  return s.mode == Mode::kVirtual ? s.virtualNow.load() : RealMicrosLocked(s);
}

void WorkerLoop() {
  State& s = S();
  std::unique_lock<std::mutex> hold(s.lock);
  for (;;) {
    if (s.handoff) {
      Callback fn = std::move(s.handoff);
      s.handoff = nullptr;
      hold.unlock();
      fn();
      hold.lock();
      s.handoffDone = true;
      s.doneCv.notify_all();
      continue;
    }
    if (s.mode == Mode::kReal && !s.events.empty()) {
      auto first = s.events.begin();
      int64_t wait = first->first.first - NowLocked(s);
      if (wait <= 0) {
        Callback fn = std::move(first->second);
        s.dueOf.erase(first->first.second);
        s.events.erase(first);
        hold.unlock();
        fn();
        hold.lock();
      } else {
        s.workerCv.wait_for(hold, std::chrono::microseconds(wait));
      }
      continue;
    }
    s.workerCv.wait(hold);
  }
}

void EnsureWorkerLocked(State& s) {
  if (s.workerRunning) return;
  s.workerRunning = true;
  std::thread(WorkerLoop).detach();
}

}  // namespace

void Use(Mode mode) {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  s.mode = mode;
  s.started = false;
  s.events.clear();
  s.dueOf.clear();
  EnsureStartedLocked(s);
  s.workerCv.notify_all();
}

Mode Current() {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.mode;
}

int64_t NowMicros() {
  State& s = S();
  if (s.mode == Mode::kVirtual && s.started) return s.virtualNow.load();
  std::lock_guard<std::mutex> hold(s.lock);
  return NowLocked(s);
}

void SetEpoch(int64_t unixSeconds) {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  s.epochOverridden = true;
  s.epoch = unixSeconds;
}

int64_t EpochSeconds() {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  EnsureStartedLocked(s);
  return s.epoch;
}

EventId ScheduleAt(int64_t dueMicros, Callback fn) {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  EnsureStartedLocked(s);
  EnsureWorkerLocked(s);
  EventId id = s.nextId++;
  s.events.emplace(std::make_pair(dueMicros, id), std::move(fn));
  s.dueOf[id] = dueMicros;
  s.workerCv.notify_all();
  return id;
}

void Cancel(EventId id) {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  auto it = s.dueOf.find(id);
  if (it == s.dueOf.end()) return;
  s.events.erase({it->second, id});
  s.dueOf.erase(it);
}

int64_t NextDueMicros() {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.events.empty() ? -1 : s.events.begin()->first.first;
}

void AdvanceTo(int64_t micros) {
  State& s = S();
  std::unique_lock<std::mutex> hold(s.lock);
  EnsureStartedLocked(s);
  if (s.mode != Mode::kVirtual) return;
  while (!s.events.empty() && s.events.begin()->first.first <= micros) {
    auto first = s.events.begin();
    if (first->first.first > s.virtualNow) s.virtualNow = first->first.first;
    s.handoff = std::move(first->second);
    s.dueOf.erase(first->first.second);
    s.events.erase(first);
    s.handoffDone = false;
    EnsureWorkerLocked(s);
    s.workerCv.notify_all();
    for (;;) {
      s.doneCv.wait(hold, [&s] { return s.handoffDone || s.advanceWake; });
      if (s.handoffDone) break;
      s.advanceWake = false;
      Callback work = s.advanceWork;
      hold.unlock();
      if (work) work();
      hold.lock();
    }
  }
  if (micros > s.virtualNow) s.virtualNow = micros;
}

void SetAdvanceWork(std::function<void()> work) {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  s.advanceWork = std::move(work);
}

void WakeAdvance() {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  s.advanceWake = true;
  s.doneCv.notify_all();
}

void WaitUntil(int64_t micros) {
  State& s = S();
  Steady::time_point deadline;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    EnsureStartedLocked(s);
    if (s.mode == Mode::kVirtual) return;
    deadline = s.start + std::chrono::microseconds(micros);
  }
  std::unique_lock<std::mutex> hold(s.wakeLock);
  s.wakeCv.wait_until(hold, deadline, [&s] { return s.woken; });
  s.woken = false;
}

void WaitForWake() {
  State& s = S();
  std::unique_lock<std::mutex> hold(s.wakeLock);
  s.wakeCv.wait(hold, [&s] { return s.woken; });
  s.woken = false;
}

void Wake() {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.wakeLock);
  s.woken = true;
  s.wakeCv.notify_all();
}

}  // namespace orvel::clock
