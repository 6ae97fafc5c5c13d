// Driving the headless host: input injection, window pictures and the message-box log.
//
// Coordinates are in the top-level window's client pixels. Every function is safe from any
// thread, in particular from a clock callback while the window thread waits in GetMessageA:
// input is queued and turned into messages by the window thread's next retrieval (so a
// callback's Click is handled after it returns, in the order injected).
#ifndef ORVEL_HOST_HEADLESS_H
#define ORVEL_HOST_HEADLESS_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "gdi/surface.h"

namespace orvel::headless {

// Live top-level windows (dialogs included), oldest first.
std::vector<HWND> TopLevelWindows();

// The innermost modal dialog that is running, or null.
HWND ActiveDialog();

// Left-button input. A press on a child control goes to that control (or to the window that
// holds the capture); a second press within 500 ms at nearly the same place becomes a
// double-click for classes with CS_DBLCLKS.
void MouseDown(HWND topLevel, int x, int y);
void MouseUp(HWND topLevel, int x, int y);
void MouseMove(HWND topLevel, int x, int y);
void Click(HWND topLevel, int x, int y);        // MouseDown then MouseUp
void DoubleClick(HWND topLevel, int x, int y);  // two clicks at once: the second is a double

// A key press and release (WM_KEYDOWN, WM_KEYUP) for `window`; a dialog turns Enter and Esc
// into IDOK and IDCANCEL.
void Key(HWND window, int virtualKey);

// Writes the window's client area as a PNG; false if the window or the file fails.
bool SaveWindow(HWND topLevel, const char* pngPath);

// The window's client-area pixels, or null for a handle that is not a live top-level window.
const orvel::gdi::Surface* WindowSurface(HWND topLevel);

// Every MessageBoxA shown so far on the headless host, and every dialog it answered (with an
// empty text), oldest first.
struct MessageBoxRecord {
  HWND owner;
  std::string caption;
  std::string text;
};
std::vector<MessageBoxRecord> MessageBoxes();

// Runs `look` each time a message box is shown, on the thread that shows it and before the box
// is answered, so that a test sees the window as a user sees it behind the box; null for none.
void WatchMessageBoxes(std::function<void(const MessageBoxRecord&)> look);

}  // namespace orvel::headless

#endif
