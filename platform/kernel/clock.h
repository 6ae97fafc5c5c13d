// The one clock of the portable layer. Timers, GetLocalTime and the wave-input sources all
// read it, so that a session runs the same way in real time (a live window) and in virtual
// time (tests and offline rendering).
//
// In virtual time the clock stands still while the program works and moves only when the
// window thread's GetMessageA finds nothing to do: it then jumps to the earliest of the next
// due timer and the next scheduled callback. Callbacks due at that moment run one at a time
// on a worker thread (never the window thread), and GetMessageA waits for each to return
// before it looks at the queue again, so a virtual session is the same on every run. An
// offline renderer, which has no use for the worker, may have them run on the thread that
// advances the clock instead: the same callbacks at the same moments, without two thread
// switches for each.
//
// In real time the clock is the monotonic system clock and scheduled callbacks run on a
// worker thread when they fall due (or, without threads, in the idle wait: see Callbacks).
#ifndef ORVEL_KERNEL_CLOCK_H
#define ORVEL_KERNEL_CLOCK_H

#include <stdint.h>

#include <functional>

namespace orvel::clock {

enum class Mode { kReal, kVirtual };

// Where callbacks run: on the worker thread, or on the thread that calls AdvanceTo. In real
// time the latter serves a program without threads (the browser build): its idle wait calls
// AdvanceTo(NowMicros()) to run the callbacks that have fallen due, and no worker is started.
enum class Callbacks { kWorker, kAdvancingThread };

// Chooses the mode; call before any window, timer or wave device exists. Real is the default.
// Resets the clock to 0 and drops every scheduled callback.
void Use(Mode mode, Callbacks where = Callbacks::kWorker);
Mode Current();

// Microseconds since the clock was started (by Use, or at the first reading).
int64_t NowMicros();
inline int64_t NowMillis() {
  return NowMicros() / 1000;
}

// The local date and time that NowMicros() 0 stands for, in seconds since 1970 (UTC, as
// time() counts). Real time starts at the system's time; virtual time at a fixed moment,
// Sunday 6 December 2026, 08:16:00 local time, unless this sets another.
void SetEpoch(int64_t unixSeconds);
int64_t EpochSeconds();

using Callback = std::function<void()>;
using EventId = uint64_t;

// Runs fn once the clock reaches dueMicros (at once if that has passed). Safe from any thread.
EventId ScheduleAt(int64_t dueMicros, Callback fn);

// Drops a scheduled callback that has not started; a callback that is running finishes.
void Cancel(EventId id);

// For the message loop: the due time of the earliest scheduled callback, or -1 if none.
int64_t NextDueMicros();

// For the message loop in virtual time: moves the clock forward to `micros` (never back),
// running every callback due up to then in due order and waiting for each. In real time with
// Callbacks::kAdvancingThread it runs, here, the callbacks due by both `micros` and now;
// otherwise it does nothing in real time.
void AdvanceTo(int64_t micros);

// Blocks the calling thread until the clock reaches `micros`, something calls Wake(), or
// (real time) the moment passes. In virtual time it returns at once: moving time is
// AdvanceTo's job. Used by the message loop to sleep while idle in real time.
void WaitUntil(int64_t micros);
void Wake();

// For the message loop in virtual time: `work` runs on AdvanceTo's thread while AdvanceTo waits
// for a callback, each time that callback calls WakeAdvance(). The window layer serves messages
// that a callback sends to a window (and waits for) this way; nothing else of the window
// thread runs while a callback does.
void SetAdvanceWork(std::function<void()> work);
void WakeAdvance();

// Blocks until Wake() in either mode (returns at once if a Wake() came since the last wait).
// The message loop sleeps here in virtual time when neither a timer nor a callback is due, so
// that a thread outside the clock (posting a message) can still end the wait.
void WaitForWake();

}  // namespace orvel::clock

#endif
