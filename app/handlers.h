// The message handling of the main window, one unit per concern.
#ifndef ORVEL_APP_HANDLERS_H
#define ORVEL_APP_HANDLERS_H

#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// WM_COMMAND: the display commands, every button, then the repaint request and blanking.
void HandleCommand(WPARAM wParam, LPARAM lParam);
// WM_HSCROLL from the speed scroll bar.
void HandleSpeedScroll(WPARAM wParam);

// WM_PAINT: the window's chrome.
void PaintWindow(HWND hwnd);
// WM_DRAWITEM: an owner-drawn button face with its picture.
void DrawButton(const DRAWITEMSTRUCT* item);
// Timer 1: date line, big clock, track strip and CD position, once the clock is on.
void ClockTick(HWND hwnd);

#endif
