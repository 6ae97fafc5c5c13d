// What message retrieval draws on besides its own queue: raw input turned into mouse and key
// messages (input.cpp) and the thread's timers (timers.cpp). Window thread only.
#ifndef ORVEL_USER_RETRIEVAL_H
#define ORVEL_USER_RETRIEVAL_H

#include <windows.h>

#include <stdint.h>

#include "user/host.h"

namespace orvel::user {

// One piece of input as a host reported it: client pixels of a top-level window.
struct RawInput {
  InputKind kind;
  HWND window;
  int x;
  int y;
  int key;
};

// Turns one piece of raw input into a message; false when it makes none (a dead or disabled
// window, a point outside the client area, a close request, which is sent at once).
bool ConvertInput(const RawInput& in, MSG* msg);
// Forgets the button state and the last press that a double-click would pair with.
void ResetInput();

// The earliest due time (clock microseconds) of a timer that is not yet ready, or -1.
int64_t EarliestTimer();
// Makes the WM_TIMER of the first ready timer, if any.
bool NextTimer(MSG* msg);
// Calls the timer procedure that a WM_TIMER message names, if a live timer still names it.
void CallTimerProc(const MSG& msg);
void ResetTimers();

}  // namespace orvel::user

#endif
