// The program's global state: the main window and its controls, the settings that the
// buttons change and that every frame and tick reads, and the instruments made at start-up.
// Everything here lives for the whole run and is used only on the window's thread.
#ifndef ORVEL_APP_STATE_H
#define ORVEL_APP_STATE_H

#include <windows.h>

class gauge;
class graph;

// The private message that announces a filled capture buffer.
constexpr UINT WM_WAVEFRAME = WM_USER + 101;

// The values of DisplayMode: which display every audio frame draws. 9 is never set; in 9 and
// 10 a frame draws nothing.
constexpr int kModeDots = 0;       // oscilloscope dots
constexpr int kModeBezier = 1;     // oscilloscope Bezier trace
constexpr int kModeExtents = 2;    // oscilloscope extents
constexpr int kModeSlowChart = 3;  // level chart, 100 steps
constexpr int kModeFastChart = 4;  // level chart, 30 steps
constexpr int kModeGauge = 5;      // level gauge
constexpr int kModeBars = 6;       // spectrum bars
constexpr int kModePatterns = 7;   // spectrum shape patterns
constexpr int kModeSphere = 8;     // pulse sphere, the mode at start
constexpr int kModeBigClock = 10;  // big clock, drawn by timer 1

// The display area, where every frame draws; WindowDC is clipped to it between handlers.
constexpr RECT kDisplayArea = {20, 100, 542, 300};
// What a frame of modes 0 to 2 and the sphere black out before they draw, and what every
// command blanks: both larger than the display area, which the clip keeps them to.
constexpr RECT kFrameEraseBox = {13, 80, 542, 320};
constexpr RECT kCommandBlankBox = {13, 40, 542, 320};
// The clips of the handlers that draw above and below the display area: the status strip,
// display and track strip (clock button and tick), and the keypad's digits.
constexpr RECT kStatusClip = {20, 48, 542, 400};
constexpr RECT kKeypadClip = {20, 48, 542, 300};

extern HWND MainWindow;
extern HINSTANCE AppInstance;
extern HDC WindowDC;      // the main window's DC, taken at start-up, released at WM_DESTROY
extern HRGN DisplayClip;  // kDisplayArea

extern int DisplayMode;  // one of the kMode values above
extern COLORREF ColorTable[9];
extern int ColorIndex;     // 0..8
extern int SpeedSetting;   // 1..50
extern int SphereVariant;  // 0..3
extern int ClockStage;     // 0..2
extern int TrackEntryCount, FirstDigit, SecondDigit, EnteredTrack;
extern int CurrentTrack;  // the track PLAY starts
extern int CdPlaying;     // 1 once PREV, PLAY or NEXT has been pressed
extern WORD CdDeviceId;   // 0 when no CD device is open
// The text last written to the status strip or a track cell: the date line, a track number or
// the CD position ("T:02 00:03 ").
extern char StatusText[128];

extern gauge* TheGauge;
extern graph* TheGraph;

// Give the gauge and the graph the geometry and scale that start-up sets field by field: the
// gauge's scale runs across the middle of the display area, 0..100; the graph fills it, 70
// steps of 0..150.
void SetUpGauge(gauge& meter);
void SetUpGraph(graph& chart);
// Creates the gauge and the graph on the heap and sets them up as above; they are never freed.
void CreateInstruments();

// The controls, in the order they are created.
extern HWND StopButton, PauseButton, PrevButton, PlayButton, NextButton, ClockButton;
extern HWND ColorCycleButton, DotsButton, EnvelopeButton, ExtentsButton, BarsButton;
extern HWND CirclesButton, RingsButton, TrianglesButton, TriRingsButton, StarsButton;
extern HWND StarRingsButton, RandomButton, GaugeButton, SphereButton;
extern HWND KeypadButtons[10];
extern HWND SpeedScrollBar;

// Selects a new rectangular clip region into WindowDC (the region is not kept).
void SelectClip(const RECT& area);
// Selects the display area as WindowDC's clip region again.
void SelectDisplayClip();

#endif
