// The wave-input device's state machine: every transition, one row each.
#include <gtest/gtest.h>

#include "winmm/wave_state.h"

namespace orvel::wave {
namespace {

using S = DeviceState;
using E = DeviceEvent;

struct Row {
  S state;
  E event;
  int queued;
  S next;
  const char* actions;  // r: refused, c: complete head, h: halt head, a: return all, b: begin
};

const char* Name(S s) {
  static const char* names[] = {"stopped", "starved", "recording", "lost", "closed"};
  return names[static_cast<int>(s)];
}

const char* Name(E e) {
  static const char* names[] = {"add", "start", "head done", "stop", "reset", "lose", "close"};
  return names[static_cast<int>(e)];
}

std::string Actions(const Transition& t) {
  std::string a;
  if (t.refused) a += 'r';
  if (t.completeHead) a += 'c';
  if (t.haltHead) a += 'h';
  if (t.returnAll) a += 'a';
  if (t.beginHead) a += 'b';
  return a;
}

const Row kRows[] = {
    // Stopped: buffers wait; a start begins the head, or waits for one.
    {S::kStopped, E::kAdd, 1, S::kStopped, ""},
    {S::kStopped, E::kStart, 0, S::kStarved, ""},
    {S::kStopped, E::kStart, 2, S::kRecording, "b"},
    {S::kStopped, E::kHeadDone, 1, S::kStopped, "r"},
    {S::kStopped, E::kStop, 1, S::kStopped, ""},
    {S::kStopped, E::kReset, 2, S::kStopped, "a"},
    {S::kStopped, E::kLose, 1, S::kLost, ""},
    {S::kStopped, E::kClose, 0, S::kClosed, ""},
    {S::kStopped, E::kClose, 1, S::kStopped, "r"},
    // Starved: the next buffer added starts at once.
    {S::kStarved, E::kAdd, 1, S::kRecording, "b"},
    {S::kStarved, E::kStart, 0, S::kStarved, ""},
    {S::kStarved, E::kHeadDone, 0, S::kStarved, "r"},
    {S::kStarved, E::kStop, 0, S::kStopped, ""},
    {S::kStarved, E::kReset, 0, S::kStopped, "a"},
    {S::kStarved, E::kLose, 0, S::kLost, ""},
    {S::kStarved, E::kClose, 0, S::kClosed, ""},
    // Recording: a done head is returned and the next one goes on; stop and reset return it.
    {S::kRecording, E::kAdd, 2, S::kRecording, ""},
    {S::kRecording, E::kStart, 1, S::kRecording, ""},
    {S::kRecording, E::kHeadDone, 1, S::kStarved, "c"},
    {S::kRecording, E::kHeadDone, 3, S::kRecording, "cb"},
    {S::kRecording, E::kStop, 2, S::kStopped, "h"},
    {S::kRecording, E::kReset, 2, S::kStopped, "ha"},
    {S::kRecording, E::kLose, 1, S::kLost, ""},
    {S::kRecording, E::kClose, 1, S::kRecording, "r"},
    // Lost: buffers are kept until a reset; the loss is told once.
    {S::kLost, E::kAdd, 1, S::kLost, ""},
    {S::kLost, E::kStart, 1, S::kLost, ""},
    {S::kLost, E::kHeadDone, 1, S::kLost, "r"},
    {S::kLost, E::kStop, 1, S::kLost, ""},
    {S::kLost, E::kReset, 2, S::kLost, "a"},
    {S::kLost, E::kLose, 0, S::kLost, "r"},
    {S::kLost, E::kClose, 0, S::kClosed, ""},
    {S::kLost, E::kClose, 1, S::kLost, "r"},
    // Closed: nothing more.
    {S::kClosed, E::kAdd, 1, S::kClosed, "r"},
    {S::kClosed, E::kStart, 0, S::kClosed, "r"},
    {S::kClosed, E::kHeadDone, 1, S::kClosed, "r"},
    {S::kClosed, E::kStop, 0, S::kClosed, "r"},
    {S::kClosed, E::kReset, 0, S::kClosed, "r"},
    {S::kClosed, E::kLose, 0, S::kClosed, "r"},
    {S::kClosed, E::kClose, 0, S::kClosed, "r"},
};

TEST(WaveState, EveryTransition) {
  for (const Row& row : kRows) {
    const Transition t = Next(row.state, row.event, row.queued);
    EXPECT_EQ(Name(t.next), std::string(Name(row.next)))
        << Name(row.state) << " + " << Name(row.event) << " with " << row.queued << " queued";
    EXPECT_EQ(Actions(t), row.actions)
        << Name(row.state) << " + " << Name(row.event) << " with " << row.queued << " queued";
  }
}

}  // namespace
}  // namespace orvel::wave
