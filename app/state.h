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

// The display area, where every frame draws; WindowDC is clipped to it between handlers.
constexpr int kDisplayLeft = 20, kDisplayTop = 100, kDisplayRight = 542, kDisplayBottom = 300;

extern HWND MainWindow;
extern HINSTANCE AppInstance;
extern HDC WindowDC;      // the main window's DC, taken at start-up, released at WM_DESTROY
extern HRGN DisplayClip;  // (20,100)-(542,300)

extern int DisplayMode;  // 0 dots, 1 Bezier, 2 extents, 3/4 chart, 5 gauge, 6 bars,
                         // 7 patterns, 8 sphere, 10 big clock
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

// Creates the gauge and the graph on the heap and sets their geometry and scale, as start-up
// does; they are never freed.
void CreateInstruments();

// The controls, in the order they are created.
extern HWND StopButton, PauseButton, PrevButton, PlayButton, NextButton, ClockButton;
extern HWND ColorCycleButton, DotsButton, EnvelopeButton, ExtentsButton, BarsButton;
extern HWND CirclesButton, RingsButton, TrianglesButton, TriRingsButton, StarsButton;
extern HWND StarRingsButton, RandomButton, GaugeButton, SphereButton;
extern HWND KeypadButtons[10];
extern HWND SpeedScrollBar;

// Selects a new rectangular clip region into WindowDC (the region is not kept).
void SelectClip(int left, int top, int right, int bottom);
// Selects the display area as WindowDC's clip region again.
void SelectDisplayClip();

#endif
