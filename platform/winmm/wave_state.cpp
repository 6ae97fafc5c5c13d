#include "wave_state.h"

namespace orvel::wave {

namespace {

using S = DeviceState;
using E = DeviceEvent;

Transition Stay(S state) {
  return Transition{state};
}

Transition Refuse(S state) {
  Transition t{state};
  t.refused = true;
  return t;
}

// Recording goes on with the head of the queue, or waits for a buffer.
Transition Record(bool haveBuffer) {
  Transition t{haveBuffer ? S::kRecording : S::kStarved};
  t.beginHead = haveBuffer;
  return t;
}

}  // namespace

Transition Next(DeviceState state, DeviceEvent event, int queued) {
  if (state == S::kClosed) return Refuse(state);
  switch (event) {
    case E::kClose: {
      // Windows refuses to close a device that still holds buffers.
      return queued > 0 ? Refuse(state) : Stay(S::kClosed);
    }
    case E::kLose:
      return state == S::kLost ? Refuse(state) : Stay(S::kLost);
    case E::kAdd:
      return state == S::kStarved ? Record(true) : Stay(state);
    case E::kStart:
      return state == S::kStopped ? Record(queued > 0) : Stay(state);
    case E::kHeadDone: {
      if (state != S::kRecording) return Refuse(state);  // a late clock callback
      Transition t = Record(queued > 1);
      t.completeHead = true;
      return t;
    }
    case E::kStop:
    case E::kReset: {
      Transition t{state == S::kLost ? S::kLost : S::kStopped};
      t.haltHead = state == S::kRecording;
      t.returnAll = event == E::kReset;
      return t;
    }
  }
  return Refuse(state);
}

}  // namespace orvel::wave
