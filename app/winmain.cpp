// The entry function: builds the main window with its controls and instruments, opens the CD
// device, shows the About box once, starts capture and runs the message loop.
#include <stdlib.h>
#include <time.h>

#include "app/handlers.h"
#include "app/state.h"
#include "audio/capture.h"
#include "cd/cd_audio.h"
#include "displays/gauge.h"
#include "displays/graph.h"
#include "displays/pattern_cells.h"
#include "displays/pulse_sphere.h"
#include "displays/spectrum_bars.h"
#include "resources/resource_ids.h"

namespace {

const char kClassName[] = "PlayCDClass";

struct ControlSpec {
  HWND* handle;
  const char* text;
  int x, y, width, height;
};

// The buttons in the order they are created; the keypad and the scroll bar follow.
const ControlSpec kButtons[] = {
    {&StopButton, "STOP", 20, 8, 60, 25},
    {&PauseButton, "PAUSE", 85, 8, 60, 25},
    {&PrevButton, "PREV", 150, 8, 60, 25},
    {&PlayButton, "PLAY", 215, 8, 60, 25},
    {&NextButton, "NEXT", 280, 8, 60, 25},
    {&ClockButton, " ", 345, 8, 60, 25},
    {&ColorCycleButton, "Color Cyc.", 20, 341, 60, 25},
    {&DotsButton, " ", 85, 341, 60, 25},
    {&EnvelopeButton, " ", 150, 341, 60, 25},
    {&ExtentsButton, " ", 215, 341, 60, 25},
    {&BarsButton, " ", 280, 341, 60, 25},
    {&CirclesButton, " ", 345, 341, 60, 25},
    {&RingsButton, " ", 410, 341, 60, 25},
    {&TrianglesButton, " ", 475, 341, 60, 25},
    {&TriRingsButton, " ", 20, 371, 60, 25},
    {&StarsButton, " ", 85, 371, 60, 25},
    {&StarRingsButton, " ", 150, 371, 60, 25},
    {&RandomButton, " ", 215, 371, 60, 25},
    {&GaugeButton, " ", 280, 371, 60, 25},
    {&SphereButton, " ", 475, 371, 60, 25},
};

HWND CreateControl(const char* className, const char* text, DWORD style, int x, int y, int width,
                   int height) {
  HWND control = CreateWindowExA(0, className, text, style, x, y, width, height, MainWindow,
                                 nullptr, AppInstance, nullptr);
  ShowWindow(control, SW_SHOWNORMAL);
  return control;
}

// Controls have id 0: commands tell them apart by window handle.
void CreateControls() {
  const DWORD buttonStyle = WS_CHILD | BS_OWNERDRAW;
  for (const ControlSpec& spec : kButtons) {
    *spec.handle =
        CreateControl("BUTTON", spec.text, buttonStyle, spec.x, spec.y, spec.width, spec.height);
  }
  for (int k = 0; k < 10; ++k) {
    KeypadButtons[k] = CreateControl("BUTTON", " ", buttonStyle, 25 + 20 * k, 310, 15, 15);
  }
  SpeedScrollBar = CreateControl("SCROLLBAR", " ", WS_CHILD, 345, 386, 125, 10);
}

void FillColorTable() {
  const COLORREF colours[9] = {0x002AB0E2, 0x0000FF00, 0x00FF0000, 0x0000FFFF, 0x00FFFF00,
                               0x00FF00FF, 0x00FFFFFF, 0x00D7A8A8, 0x000000FF};
  for (int i = 0; i < 9; ++i) ColorTable[i] = colours[i];
}

bool RegisterMainClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = 0;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ORVEL));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
  srand(static_cast<unsigned>(time(nullptr)));
  InitPointTables();
  if (hPrevInstance == nullptr && !RegisterMainClass(hInstance)) return 0;

  // A caption with the close box only: the window has a fixed size and no menu bar.
  MainWindow = CreateWindowExA(0, kClassName, "Orvel!", WS_CAPTION | WS_SYSMENU, 10, 10, 567, 436,
                               nullptr, nullptr, hInstance, nullptr);
  AppInstance = hInstance;
  ShowWindow(MainWindow, nCmdShow);
  WindowDC = GetDC(MainWindow);
  DisplayClip =
      CreateRectRgn(kDisplayArea.left, kDisplayArea.top, kDisplayArea.right, kDisplayArea.bottom);
  SelectClipRgn(WindowDC, DisplayClip);

  CreateControls();
  CreateInstruments();
  SampleStep = 8;
  InitSpectrumBars();
  InitPatternCells();
  ThePulseSphere.scaleStep = 0.2f;
  SpeedSetting = static_cast<int>(PatternCells[0].speed);
  FillColorTable();

  CdDeviceId = CdOpen(MainWindow);
  DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_ABOUT), MainWindow, AboutDialogProc, 0);
  if (!StartCapture(MainWindow)) return 0;

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
  return static_cast<int>(msg.wParam);
}
