// The main window's procedure: which handler each message goes to.
#include "app/handlers.h"
#include "app/state.h"
#include "audio/capture.h"
#include "audio/frame.h"
#include "cd/cd_audio.h"

namespace {

constexpr UINT_PTR kClockTimer = 1, kCaptureTimer = 2;

// Capture first (the device lets go of the buffer before it is freed), then the CD, the
// window's DC and its clip region, and the loop ends.
void Teardown(HWND hwnd) {
  FreeCaptureBuffer();
  CdClose(hwnd, CdDeviceId);
  ReleaseDC(hwnd, WindowDC);
  WindowDC = nullptr;
  DeleteObject(DisplayClip);
  DisplayClip = nullptr;
  PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      Teardown(hwnd);
      return 0;
    case WM_PAINT:
      PaintWindow(hwnd);
      return 0;
    case WM_DRAWITEM:
      DrawButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return 1;
    case WM_COMMAND:
      HandleCommand(wParam, lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kClockTimer) ClockTick(hwnd);
      if (LOWORD(wParam) == kCaptureTimer) RequeueCapture(hwnd);
      return 0;
    case WM_HSCROLL:
      HandleSpeedScroll(wParam);
      return 0;
    case WM_CTLCOLORSCROLLBAR:
      return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
    case WM_WAVEFRAME:
      ProcessFrame();
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}
