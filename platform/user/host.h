// Where top-level windows appear. The window layer keeps every window's pixels in a surface of
// its client size; a host shows those surfaces (or not), feeds input back and owns the wait of
// an idle message loop. platform/host implements the SDL2 and headless hosts; until one is
// chosen the layer behaves as the headless host.
#ifndef ORVEL_USER_HOST_H
#define ORVEL_USER_HOST_H

#include <windows.h>

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "gdi/surface.h"

namespace orvel::user {

class Host {
 public:
  virtual ~Host() = default;

  // A top-level window became visible, was hidden or is being destroyed. `screen` is the
  // window's client area in screen coordinates.
  virtual void TopLevelShown(HWND window, const RECT& screen, const std::string& title) {}
  virtual void TopLevelHidden(HWND window) {}
  virtual void TopLevelDestroyed(HWND window) {}

  // Called by the message loop each time round, on the window thread: pump OS events into the
  // input queue and present what has changed. `dirty` says that messages were handled since
  // the last call, so a window's pixels may have changed.
  virtual void Poll(bool dirty) {}

  // Idle wait of the message loop in real time, until `deadlineMicros` on the layer's clock
  // (-1: no deadline) or until Wake(). The default sleeps on the clock.
  virtual void Wait(int64_t deadlineMicros);
  // Ends a Wait from any thread.
  virtual void Wake();

  // MessageBoxA. The default writes caption and text to standard error and answers IDOK.
  virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                         UINT type);

  // The screen's work area, for centring dialogs.
  virtual RECT WorkArea() { return RECT{0, 0, 1024, 768}; }
};

// A message box drawn by the window layer itself, for a host with no boxes of its own: a modal
// dialog over `owner` with the caption, the text (wrapped to 5/8 of the work area's width) and
// an OK button, shown through the host like any dialog. Enter, Esc or a click on OK answers
// it. Returns IDOK, or 0 when the box could not be made or WM_QUIT ended it.
int ShowDrawnMessageBox(HWND owner, const std::string& text, const std::string& caption);

// Installs the host (null: back to the default); call before the first window exists.
void SetHost(std::unique_ptr<Host> host);
Host& CurrentHost();

// Input for the window thread, from any thread. Coordinates are client pixels of `window`
// (a top-level window) for the mouse; keys go to `window` itself.
enum class InputKind { kMouseDown, kMouseUp, kMouseMove, kKeyDown, kKeyUp, kClose };
void QueueInput(InputKind kind, HWND window, int x, int y, int key = 0);

// Live top-level windows, oldest first; the innermost running modal dialog. Any thread.
std::vector<HWND> TopLevelWindows();
HWND ActiveDialog();

// The icon resource (kIconFile) of the window's class, or 0 when it has none from the table.
int IconResourceOf(HWND window);

// The client-area pixels of a live top-level window, or null. Any thread, but the pixels are
// only stable while the window thread waits. A host clears the surface's damage once it has
// presented it.
gdi::Surface* TopLevelSurface(HWND window);

}  // namespace orvel::user

#endif
