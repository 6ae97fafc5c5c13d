// A small program for the real-window test: one 567 x 436 captioned window on the SDL2 host
// with a red block painted in WM_PAINT and an owner-drawn button (green, yellow while pressed).
// A click on the button prints "clicked", paints a blue block through the window DC and ends
// the program five seconds later; without a click it gives up after 30 seconds (exit code 1).
#include <stdio.h>

#include <windows.h>

#include <string>

#include "host/hosts.h"

namespace {

HWND g_button = nullptr;
bool g_clicked = false;

void Fill(HDC dc, RECT r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Fill(dc, RECT{100, 100, 300, 200}, RGB(255, 0, 0));
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      bool pressed = dis->itemAction == ODA_SELECT && (dis->itemState & ODS_SELECTED);
      Fill(dis->hDC, dis->rcItem, pressed ? RGB(255, 255, 0) : RGB(0, 255, 0));
      return TRUE;
    }
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == g_button && HIWORD(wParam) == BN_CLICKED) {
        printf("clicked\n");
        fflush(stdout);
        g_clicked = true;
        HDC dc = GetDC(hwnd);
        Fill(dc, RECT{320, 100, 500, 200}, RGB(0, 0, 255));
        ReleaseDC(hwnd, dc);
        SetTimer(hwnd, 2, 5000, nullptr);
      }
      return 0;
    case WM_TIMER:
      if (wParam == 1) fprintf(stderr, "window_probe: no click within 30 s\n");
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(g_clicked ? 0 : 1);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int main() {
  std::string error;
  if (!orvel::host::UseSdl(&error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = ProbeProc;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "ProbeClass";
  RegisterClassA(&wc);
  HWND main = CreateWindowExA(0, "ProbeClass", "Orvel window test", WS_CAPTION | WS_SYSMENU, 10, 10,
                              567, 436, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(main, SW_SHOWNORMAL);
  g_button = CreateWindowExA(0, "BUTTON", " ", WS_CHILD | BS_OWNERDRAW, 20, 8, 60, 25, main,
                             nullptr, nullptr, nullptr);
  ShowWindow(g_button, SW_SHOWNORMAL);
  SetTimer(main, 1, 30000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
  orvel::host::Shutdown();
  return static_cast<int>(msg.wParam);
}
