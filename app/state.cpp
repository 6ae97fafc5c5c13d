#include "state.h"

HWND MainWindow = nullptr;
HINSTANCE AppInstance = nullptr;
HDC WindowDC = nullptr;
HRGN DisplayClip = nullptr;

int DisplayMode = 8;
COLORREF ColorTable[9] = {};
int ColorIndex = 0;
int SpeedSetting = 0;
int SphereVariant = 0;
int ClockStage = 0;
int TrackEntryCount = 0, FirstDigit = 0, SecondDigit = 0, EnteredTrack = 0;
int CurrentTrack = 1;
int CdPlaying = 0;
WORD CdDeviceId = 0;

gauge* TheGauge = nullptr;
graph* TheGraph = nullptr;

HWND StopButton, PauseButton, PrevButton, PlayButton, NextButton, ClockButton;
HWND ColorCycleButton, DotsButton, EnvelopeButton, ExtentsButton, BarsButton;
HWND CirclesButton, RingsButton, TrianglesButton, TriRingsButton, StarsButton;
HWND StarRingsButton, RandomButton, GaugeButton, SphereButton;
HWND KeypadButtons[10];
HWND SpeedScrollBar;

void SelectClip(int left, int top, int right, int bottom) {
  // SelectClipRgn copies the region, so it is deleted at once rather than leaked per call.
  HRGN region = CreateRectRgn(left, top, right, bottom);
  SelectClipRgn(WindowDC, region);
  DeleteObject(region);
}

void SelectDisplayClip() {
  SelectClipRgn(WindowDC, DisplayClip);
}
