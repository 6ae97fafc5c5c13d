#include "kernel/clock.h"

#include <time.h>

#include <algorithm>
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

struct State;

// What real and virtual time do differently. Use() picks one; everything else (the scheduled
// callbacks, the worker thread, the epoch, Wake) is shared and goes through the chosen one.
class Timeline {
 public:
  virtual ~Timeline() = default;
  virtual Mode Kind() const = 0;
  // Sets time 0 at this moment; the caller holds the state's lock.
  virtual void Restart() = 0;
  // Microseconds since the restart; any thread, without the lock.
  virtual int64_t Now() const = 0;
  // The local date and time, in seconds since 1970, that time 0 stands for by default.
  virtual int64_t DefaultEpoch() const = 0;
  // One turn of the worker thread when no hand-off waits; called and returns with the lock held.
  virtual void ServeWorker(State& s, std::unique_lock<std::mutex>& hold) = 0;
  // AdvanceTo with the lock held.
  virtual void AdvanceTo(State& s, std::unique_lock<std::mutex>& hold, int64_t micros) = 0;
  // WaitUntil without the lock.
  virtual void WaitUntil(State& s, int64_t micros) = 0;
};

// The monotonic system clock; callbacks run on the worker when they fall due.
class RealTimeline : public Timeline {
 public:
  Mode Kind() const override { return Mode::kReal; }
  void Restart() override { start_ = Steady::now().time_since_epoch().count(); }
  int64_t Now() const override {
    return std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - Start()).count();
  }
  int64_t DefaultEpoch() const override { return static_cast<int64_t>(time(nullptr)); }
  void ServeWorker(State& s, std::unique_lock<std::mutex>& hold) override;
  // Time moves alone; with callbacks on the advancing thread, runs those due by now.
  void AdvanceTo(State& s, std::unique_lock<std::mutex>& hold, int64_t micros) override;
  void WaitUntil(State& s, int64_t micros) override;
  // Set by Use() under the state's lock, before any callback is scheduled.
  void RunOnAdvancingThread(bool yes) { onAdvancingThread_ = yes; }
  bool OnAdvancingThread() const { return onAdvancingThread_; }

 private:
  bool onAdvancingThread_ = false;
  Steady::time_point Start() const { return Steady::time_point(Steady::duration(start_.load())); }
  std::atomic<Steady::rep> start_{0};
};

// Time that stands still until AdvanceTo moves it; callbacks run one at a time, on the worker
// when AdvanceTo hands them over, or on AdvanceTo's own thread if Use() chose that.
class VirtualTimeline : public Timeline {
 public:
  Mode Kind() const override { return Mode::kVirtual; }
  void Restart() override { now_ = 0; }
  // Set by Use() under the state's lock, before any callback is scheduled.
  void RunOnAdvancingThread(bool yes) { onAdvancingThread_ = yes; }
  int64_t Now() const override { return now_.load(); }
  int64_t DefaultEpoch() const override;
  void ServeWorker(State& s, std::unique_lock<std::mutex>& hold) override;
  void AdvanceTo(State& s, std::unique_lock<std::mutex>& hold, int64_t micros) override;
  void WaitUntil(State&, int64_t) override {}  // moving time is AdvanceTo's job

 private:
  std::atomic<int64_t> now_{0};
  bool onAdvancingThread_ = false;
};

// One worker thread serves both timelines: in real time it runs callbacks as they fall due; in
// virtual time it runs only the callback that AdvanceTo hands it, while AdvanceTo waits.
struct State {
  std::mutex lock;
  std::condition_variable workerCv;  // new events, a hand-off, a mode change
  std::condition_variable doneCv;    // a handed-off callback has returned
  RealTimeline real;
  VirtualTimeline virtualTime;
  std::atomic<Timeline*> timeline{&real};
  std::atomic<bool> started{false};
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

// Starts the clock at the first reading; the caller holds the lock. The time is set before
// `started`, so that a thread which sees it started reads the new time.
void EnsureStartedLocked(State& s) {
  if (s.started) return;
  Timeline* t = s.timeline;
  t->Restart();
  if (!s.epochOverridden) s.epoch = t->DefaultEpoch();
  s.started = true;
}

// Takes the earliest event off the schedule.
Callback PopFirstLocked(State& s) {
  auto first = s.events.begin();
  Callback fn = std::move(first->second);
  s.dueOf.erase(first->first.second);
  s.events.erase(first);
  return fn;
}

void RealTimeline::ServeWorker(State& s, std::unique_lock<std::mutex>& hold) {
  if (s.events.empty()) {
    s.workerCv.wait(hold);
    return;
  }
  int64_t wait = s.events.begin()->first.first - Now();
  if (wait > 0) {
    s.workerCv.wait_for(hold, std::chrono::microseconds(wait));
    return;
  }
  Callback fn = PopFirstLocked(s);
  hold.unlock();
  fn();
  hold.lock();
}

void RealTimeline::AdvanceTo(State& s, std::unique_lock<std::mutex>& hold, int64_t micros) {
  if (!onAdvancingThread_) return;
  const int64_t until = std::min(micros, Now());
  while (!s.events.empty() && s.events.begin()->first.first <= until) {
    Callback fn = PopFirstLocked(s);
    hold.unlock();
    fn();
    hold.lock();
  }
}

void RealTimeline::WaitUntil(State& s, int64_t micros) {
  Steady::time_point deadline = Start() + std::chrono::microseconds(micros);
  std::unique_lock<std::mutex> hold(s.wakeLock);
  s.wakeCv.wait_until(hold, deadline, [&s] { return s.woken; });
  s.woken = false;
}

// Sunday 6 December 2026, 08:16:00 local time.
int64_t VirtualTimeline::DefaultEpoch() const {
  struct tm t = {};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 6;
  t.tm_hour = 8;
  t.tm_min = 16;
  t.tm_isdst = -1;
  return static_cast<int64_t>(mktime(&t));
}

void VirtualTimeline::ServeWorker(State& s, std::unique_lock<std::mutex>& hold) {
  s.workerCv.wait(hold);
}

void EnsureWorkerLocked(State& s);

// Has the worker run fn and waits for it to return, serving the window thread's work
// (SetAdvanceWork) each time the callback asks for it; called and returns with the lock held.
void HandOffLocked(State& s, std::unique_lock<std::mutex>& hold, Callback fn) {
  s.handoff = std::move(fn);
  s.handoffDone = false;
  EnsureWorkerLocked(s);
  s.workerCv.notify_all();
  for (;;) {
    s.doneCv.wait(hold, [&s] { return s.handoffDone || s.advanceWake; });
    if (s.handoffDone) return;
    s.advanceWake = false;
    Callback work = s.advanceWork;
    hold.unlock();
    if (work) work();
    hold.lock();
  }
}

void VirtualTimeline::AdvanceTo(State& s, std::unique_lock<std::mutex>& hold, int64_t micros) {
  while (!s.events.empty() && s.events.begin()->first.first <= micros) {
    int64_t due = s.events.begin()->first.first;
    if (due > now_) now_ = due;
    Callback fn = PopFirstLocked(s);
    if (onAdvancingThread_) {
      hold.unlock();
      fn();
      hold.lock();
    } else {
      HandOffLocked(s, hold, std::move(fn));
    }
  }
  if (micros > now_) now_ = micros;
}

void WorkerLoop() {
  State& s = S();
  std::unique_lock<std::mutex> hold(s.lock);
  for (;;) {
    if (!s.handoff) {
      s.timeline.load()->ServeWorker(s, hold);
      continue;
    }
    Callback fn = std::move(s.handoff);
    s.handoff = nullptr;
    hold.unlock();
    fn();
    hold.lock();
    s.handoffDone = true;
    s.doneCv.notify_all();
  }
}

void EnsureWorkerLocked(State& s) {
  if (s.workerRunning) return;
  s.workerRunning = true;
  std::thread(WorkerLoop).detach();
}

}  // namespace

void Use(Mode mode, Callbacks where) {
  State& s = S();
  std::lock_guard<std::mutex> hold(s.lock);
  s.started = false;
  s.virtualTime.RunOnAdvancingThread(where == Callbacks::kAdvancingThread);
  s.real.RunOnAdvancingThread(where == Callbacks::kAdvancingThread);
  s.timeline = mode == Mode::kVirtual ? static_cast<Timeline*>(&s.virtualTime) : &s.real;
  s.events.clear();
  s.dueOf.clear();
  EnsureStartedLocked(s);
  s.workerCv.notify_all();
}

Mode Current() {
  return S().timeline.load()->Kind();
}

int64_t NowMicros() {
  State& s = S();
  if (s.started) return s.timeline.load()->Now();
  std::lock_guard<std::mutex> hold(s.lock);
  EnsureStartedLocked(s);
  return s.timeline.load()->Now();
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
  EventId id = s.nextId++;
  s.events.emplace(std::make_pair(dueMicros, id), std::move(fn));
  s.dueOf[id] = dueMicros;
  // In virtual time the worker only runs what AdvanceTo hands it; waking it for every new
  // event would cost two thread switches for nothing.
  if (s.timeline.load()->Kind() == Mode::kReal && !s.real.OnAdvancingThread()) {
    EnsureWorkerLocked(s);
    s.workerCv.notify_all();
  }
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
  s.timeline.load()->AdvanceTo(s, hold, micros);
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
  Timeline* timeline;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    EnsureStartedLocked(s);
    timeline = s.timeline;
  }
  timeline->WaitUntil(s, micros);
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
