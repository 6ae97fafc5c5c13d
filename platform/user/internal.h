// The window layer's own state: classes, windows and the thread's message queue. Only the
// window thread changes windows; other threads read the handle table under its lock and talk
// to the queue (posting, input, tasks).
#ifndef ORVEL_USER_INTERNAL_H
#define ORVEL_USER_INTERNAL_H

#include <windows.h>

#include <stdint.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gdi/surface.h"

namespace orvel::user {

// Classic frame metrics (pixels).
constexpr int kFixedFrame = 3;  // a dialog-style frame on each side
constexpr int kCaption = 19;    // caption bar, its bottom line included
constexpr int kDoubleClickMillis = 500;
constexpr int kDoubleClickSlop = 2;  // pixels either way

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HBRUSH background = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
};

// Per-control state (button, scroll bar, dialog) owned by its window.
struct ControlState {
  virtual ~ControlState() = default;
};

struct Window {
  HWND handle = nullptr;
  const WindowClass* cls = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::string text;
  HWND parent = nullptr;  // WS_CHILD windows
  HWND owner = nullptr;   // owned top-level windows (dialogs)
  std::vector<HWND> children;
  std::thread::id thread;
  UINT_PTR id = 0;
  RECT rect = {};  // child: in the parent's client coordinates; top-level: screen
  int clientW = 0;
  int clientH = 0;
  bool visible = false;
  bool enabled = true;
  bool destroying = false;
  // Update region, as its bounding rectangle in client coordinates.
  bool updatePending = false;
  RECT update = {};
  bool erasePending = false;
  unsigned paints = 0;  // BeginPaint calls so far
  HDC ownDC = nullptr;
  HFONT font = nullptr;                   // WM_SETFONT; not owned
  std::unique_ptr<gdi::Surface> surface;  // top-level windows only
  std::unique_ptr<ControlState> control;
};

// What WM_NCCREATE and WM_CREATE point to (CREATESTRUCTA's layout).
struct CreateParams {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};

// Rectangles.
void Offset(RECT* r, int dx, int dy);
bool Contains(const RECT& r, int x, int y);

void SetEnabled(HWND hwnd, bool enabled);
HWND ChildById(HWND parent, UINT_PTR id);

// Lookup on the window thread: null for a null, stale or foreign handle.
Window* Find(HWND hwnd);
Window* TopLevelOf(Window* w);
// Client origin of `w` in its top-level window's surface.
POINT SurfaceOrigin(const Window* w);
// Client rectangle of `w` in surface coordinates, cut by its ancestors' client areas.
RECT VisibleInSurface(const Window* w);
// The window and all its ancestors are shown.
bool ReallyVisible(const Window* w);
gdi::Surface* SurfaceFor(Window* w);
// Client origin of a top-level window on the screen.
POINT ScreenClientOrigin(const Window* w);

// Calls the window procedure; 0 for a dead window.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Painting.
void InvalidateWindow(Window* w, const RECT* rect, bool erase);
void DrawNow(HWND hwnd);           // a WM_PAINT now if the window needs one
HDC CreateTransientDC(Window* w);  // a DC over the client area; free with DeleteDC
Window* NextToPaint();

// Timers.
void KillTimersOf(HWND hwnd);

// Message retrieval shared by GetMessageA and the modal dialog loop. Returns false for WM_QUIT.
bool Retrieve(MSG* msg);
// Queue clean-up when a window dies.
void ForgetWindow(HWND hwnd);
void NoteDispatched();

// Capture.
HWND CaptureWindow();

// Built-in classes.
LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
const WindowClass* FindClass(const char* name);

// Dialog state for the modal loop; ActiveDialog() reads it from any thread.
void SetActiveDialog(HWND hwnd);

// Classic 3-D drawing shared by the controls.
void FillSolid(HDC dc, const RECT& r, COLORREF color);
void DrawRaisedEdge(HDC dc, const RECT& r);  // white/light over grey/black
void DrawSunkenEdge(HDC dc, const RECT& r);
constexpr COLORREF kFace = 0x00C0C0C0;
constexpr COLORREF kShadow = 0x00808080;
constexpr COLORREF kHighlight = 0x00FFFFFF;
constexpr COLORREF kDark = 0x00000000;

// Forgets every window, class, timer and queued message: a fresh layer, for tests.
void ResetForTests();

}  // namespace orvel::user

#endif
