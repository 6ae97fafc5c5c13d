// The window's chrome (WM_PAINT), the owner-drawn button faces (WM_DRAWITEM) and the
// once-a-second date, clock, track strip and CD position (timer 1).
#include <stdio.h>

#include <windows.h>
#include <mmsystem.h>

#include "app/handlers.h"
#include "app/state.h"
#include "draw/draw.h"
#include "cd/cd_audio.h"
#include "displays/gauge.h"
#include "displays/graph.h"
#include "displays/spectrum_bars.h"
#include "resources/resource_ids.h"

char StatusText[128];

namespace {

const char kFace[] = "Ariel";
constexpr int kLeft = -1, kCentre = 0;

const char DayNames[7][30] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                              "Thursday", "Friday", "Saturday"};
const char MonthNames[12][30] = {"January",   "February", "March",    "April",
                                 "May",       "June",     "July",     "August",
                                 "September", "October",  "November", "December"};

struct Picture {
  HWND* button;
  int bitmap;
};

const Picture kPictures[] = {
    {&StopButton, IDB_STOP},
    {&PauseButton, IDB_PAUSE},
    {&PlayButton, IDB_PLAY},
    {&NextButton, IDB_NEXT},
    {&PrevButton, IDB_PREV},
    {&DotsButton, IDB_DOTS},
    {&EnvelopeButton, IDB_ENVELOPE},
    {&ExtentsButton, IDB_EXTENTS},
    {&ColorCycleButton, IDB_COLOR_CYCLE},
    {&BarsButton, IDB_BARS},
    {&CirclesButton, IDB_CIRCLES},
    {&RingsButton, IDB_RINGS},
    {&TrianglesButton, IDB_TRIANGLES},
    {&TriRingsButton, IDB_TRIANGLE_RINGS},
    {&StarsButton, IDB_STARS},
    {&StarRingsButton, IDB_STAR_RINGS},
    {&RandomButton, IDB_RANDOM_PATTERNS},
    {&GaugeButton, IDB_GAUGE},
    {&SphereButton, IDB_SPHERE},
    {&ClockButton, IDB_CLOCK},
};

// The bitmap resource of a button; 0 for a window that is none of them.
int PictureOf(HWND button) {
  for (const Picture& p : kPictures) {
    if (*p.button == button) return p.bitmap;
  }
  for (int k = 0; k < 10; ++k) {
    if (KeypadButtons[k] == button) return IDB_KEY_1 + k;
  }
  return 0;
}

bool IsKeypad(HWND button) {
  for (HWND key : KeypadButtons) {
    if (key == button) return true;
  }
  return false;
}

// XORs the button's picture onto its face, so the black ground leaves the face alone.
void InvertPicture(HDC dc, HWND button, int x, int y) {
  HBITMAP bitmap = LoadBitmapA(AppInstance, MAKEINTRESOURCEA(PictureOf(button)));
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(dc, x, y, 40, 20, memory, 0, 0, SRCINVERT);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

// One track-number cell of the strip right of the keypad; the current track is highlighted.
void DrawTrackLabel(HDC dc, int i, bool current) {
  snprintf(StatusText, sizeof StatusText, "%d", i + 1);
  if (current) {
    DrawBoxedText(dc, 230 + 15 * i, 310, 245 + 15 * i, 325, kFace, 10, 0, kCentre, StatusText, 150,
                  150, 120, 0, 255, 0);
  } else {
    DrawBoxedText(dc, 230 + 15 * i, 310, 245 + 15 * i, 325, kFace, 10, 0, kCentre, StatusText, 80,
                  80, 50, 180, 180, 150);
  }
}

void PaintChrome(HDC dc) {
  DrawRaisedBox(dc, 0, 0, 560, 40, 180, 180, 150);
  DrawShadedRows(dc, 3, 3, 557, 40, 210, 210, 170, 0.6f, 1.0f);
  DrawRaisedBox(dc, 0, 333, 560, 410, 180, 180, 150);
  DrawShadedRows(dc, 3, 336, 557, 410, 210, 210, 170, 0.6f, 1.0f);
  DrawTransparentText(dc, 433, 0, 375, 38, kFace, 32, 0, kLeft, "Orvel!", 0, 0, 0, 0, 0, 0);
  DrawTransparentText(dc, 430, 0, 375, 35, kFace, 32, 0, kLeft, "Orvel!", 0, 0, 0, 255, 250, 0);
  TheGraph->UpdateLayout(dc);
  if (DisplayMode == kModeGauge) TheGauge->DrawFace(dc);
  if (DisplayMode == kModeBars) {
    for (SpectrumBar& bar : SpectrumBars) ResetBar(bar);
  }
  DrawTransparentText(dc, 345, 371, 470, 386, kFace, 12, 0, kCentre, "Speed Control", 0, 0, 0, 0, 0,
                      0);
  if (TrackEntryCount == 0) {
    DrawOpaqueText(dc, 370, 48, 470, 75, kFace, 18, 0, kLeft, "- ", 0, 0, 0, 0, 250, 170);
    DrawOpaqueText(dc, 380, 48, 470, 75, kFace, 18, 0, kLeft, "- ", 0, 0, 0, 0, 250, 170);
  }
  const DWORD tracks = CdTrackCount(MainWindow, CdDeviceId);
  if (tracks > 2 && tracks < 20) {
    for (int i = 0; i < static_cast<int>(tracks); ++i) DrawTrackLabel(dc, i, false);
  }
}

void DrawDateLine() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  snprintf(StatusText, sizeof StatusText, "%s, %d %s, %d, %02d:%02d:%02d",
           DayNames[now.wDayOfWeek % 7], now.wDay, MonthNames[(now.wMonth + 11) % 12], now.wYear,
           now.wHour, now.wMinute, now.wSecond);
  DrawOpaqueText(WindowDC, 28, 10, 300, 75, kFace, 22, 0, kLeft, StatusText, 0, 0, 0, 180, 180,
                 150);
  if (DisplayMode == kModeBigClock) {
    snprintf(StatusText, sizeof StatusText, "%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    const COLORREF col = ColorTable[ColorIndex];
    DrawOpaqueText(WindowDC, 13, 80, 542, 220, kFace, 128, 0, kCentre, StatusText, 0, 0, 0,
                   col & 0xFF, (col >> 8) & 0xFF, (col >> 16) & 0xFF);
  }
}

void DrawCurrentTrackStrip() {
  const DWORD current = CdCurrentTrack(MainWindow, CdDeviceId);
  const DWORD tracks = CdTrackCount(MainWindow, CdDeviceId);
  if (current == 0 || current >= 20) return;
  for (DWORD i = 0; i < tracks; ++i)
    DrawTrackLabel(WindowDC, static_cast<int>(i), i + 1 == current);
}

void DrawCdPosition(HWND hwnd) {
  KillTimer(hwnd, 1);
  const DWORD position = CdPosition(MainWindow, CdDeviceId);
  CurrentTrack = MCI_TMSF_TRACK(position);
  snprintf(StatusText, sizeof StatusText, "T:%02d %02d:%02d ", MCI_TMSF_TRACK(position),
           MCI_TMSF_MINUTE(position), MCI_TMSF_SECOND(position));
  if (WindowDC != nullptr) {
    DrawOpaqueText(WindowDC, 400, 48, 375, 75, kFace, 32, 0, kLeft, StatusText, 0, 0, 0, 180, 180,
                   150);
  }
}

}  // namespace

void PaintWindow(HWND hwnd) {
  SendMessageA(SpeedScrollBar, SBM_SETRANGE, 0, 50);
  SendMessageA(SpeedScrollBar, SBM_SETPOS, SpeedSetting, TRUE);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc != nullptr) PaintChrome(dc);
  EndPaint(hwnd, &ps);
}

void DrawButton(const DRAWITEMSTRUCT* item) {
  const RECT& r = item->rcItem;
  const bool keypad = IsKeypad(item->hwndItem);
  if (item->itemAction == ODA_DRAWENTIRE) {
    DrawRaisedBox(item->hDC, r.left, r.top, r.right, r.bottom, 200, 200, 160);
    DrawShadedRows(item->hDC, r.left + 3, r.top + 3, r.right - 3, r.bottom, 240, 240, 170, 0.8f,
                   1.0f);
    InvertPicture(item->hDC, item->hwndItem, keypad ? 3 : 10, keypad ? 0 : 5);
  } else if (item->itemAction == ODA_SELECT) {
    // Press and release alike: itemState is not looked at.
    DrawSunkenBox(item->hDC, r.left, r.top, r.right, r.bottom, 200, 200, 160);
    DrawShadedRows(item->hDC, r.left + 3, r.top + 3, r.right - 3, r.bottom, 240, 240, 170, 0.9f,
                   0.8f);
    InvertPicture(item->hDC, item->hwndItem, keypad ? 4 : 11, keypad ? 1 : 6);
  }
}

void ClockTick(HWND hwnd) {
  if (ClockStage <= 0) return;
  SelectClip(kStatusClip);
  if (WindowDC != nullptr) {
    DrawDateLine();
    DrawCurrentTrackStrip();
  }
  if (CdPlaying == 1) DrawCdPosition(hwnd);
  SelectDisplayClip();
  SetTimer(hwnd, 1, 1000, nullptr);
}
