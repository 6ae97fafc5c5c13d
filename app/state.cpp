#include "state.h"

#include "displays/gauge.h"
#include "displays/graph.h"

HWND MainWindow = nullptr;
HINSTANCE AppInstance = nullptr;
HDC WindowDC = nullptr;
HRGN DisplayClip = nullptr;

int DisplayMode = kModeSphere;
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

void SelectClip(const RECT& area) {
  // SelectClipRgn copies the region, so it is deleted at once rather than leaked per call.
  HRGN region = CreateRectRgn(area.left, area.top, area.right, area.bottom);
  SelectClipRgn(WindowDC, region);
  DeleteObject(region);
}

void SelectDisplayClip() {
  SelectClipRgn(WindowDC, DisplayClip);
}

void SetUpGauge(gauge& meter) {
  meter.left = 30;
  meter.top = 175;
  meter.right = 530;
  meter.bottom = 225;
  meter.divisions = 5;
  meter.fullScale = 100.0f;
}

void SetUpGraph(graph& chart) {
  chart.left = 13;
  chart.top = 80;
  chart.right = 580;
  chart.bottom = 320;
  chart.fullScale = 150.0f;
  chart.steps = 70;
}

void CreateInstruments() {
  TheGauge = new gauge(255, 0, 0);
  SetUpGauge(*TheGauge);
  TheGraph = new graph(180, 180, 150, 2);
  SetUpGraph(*TheGraph);
}
