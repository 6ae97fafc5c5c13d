// The wave-input device's life as one state machine. The device (wave_in.cpp) asks Next what
// an event means in the state it is in and carries out the answer; nothing else changes its
// state.
//
//   stopped    open, not recording; added buffers wait in the queue
//   starved    recording, but no buffer is queued: the next one added starts at once
//   recording  the head of the queue is being recorded
//   lost       the source went away: no more data; buffers wait until a reset returns them
//   closed     the handle is gone
#ifndef ORVEL_WINMM_WAVE_STATE_H
#define ORVEL_WINMM_WAVE_STATE_H

namespace orvel::wave {

enum class DeviceState { kStopped, kStarved, kRecording, kLost, kClosed };

enum class DeviceEvent {
  kAdd,       // waveInAddBuffer (the buffer is already at the end of the queue)
  kStart,     // waveInStart
  kHeadDone,  // the head's last sample is due (clock) or has arrived (stream)
  kStop,      // waveInStop
  kReset,     // waveInReset
  kLose,      // the source went away
  kClose,     // waveInClose
};

struct Transition {
  DeviceState next;
  bool refused = false;       // nothing happens: a stale event, or a close with buffers queued
  bool completeHead = false;  // return the head with every sample it holds (kHeadDone)
  bool haltHead = false;      // return the head with what it holds so far: on a stop only if
                              // that is something, on a reset always
  bool returnAll = false;     // return every queued buffer (reset), after the head
  bool beginHead = false;     // start recording the head of the queue (after the above)
};

// What `event` does in `state`; `queued` is the number of buffers in the queue when it comes
// (the head included; for kAdd, the added one included).
Transition Next(DeviceState state, DeviceEvent event, int queued);

}  // namespace orvel::wave

#endif
