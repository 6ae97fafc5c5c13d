// How a run of the portable program ends from outside the window: a time limit, or SIGINT,
// SIGTERM and SIGHUP. Each closes the main window as its close box would (WM_CLOSE, so the
// program's WM_DESTROY lets go of the sound input and the CD) and the message loop ends.
#ifndef ORVEL_HOST_ENDING_H
#define ORVEL_HOST_ENDING_H

#include <stdint.h>

#include <functional>

namespace orvel::host {

// Runs `last` on the window thread just before the main window is closed by CloseMainWindow
// (for example to save its picture); at most once.
void BeforeClose(std::function<void()> last);

// Posts WM_CLOSE to the main window (the oldest top-level window) from the window thread,
// after the BeforeClose work. Safe from any thread. True if there was a window to close.
bool CloseMainWindow();

// Closes the main window when the layer's clock (real or virtual) reaches `micros`.
void CloseAt(int64_t micros);

// SIGINT, SIGTERM and SIGHUP close the main window; before any window exists, or at a second
// signal, the process exits at once with 128 + the signal's number. Call once, early.
void CloseOnSignals();

}  // namespace orvel::host

#endif
