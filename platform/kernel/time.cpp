// KERNEL32's clocks, read from the layer's one clock so that virtual sessions see virtual time.
#include <windows.h>

#include <time.h>

#include "kernel/clock.h"

extern "C" {

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (lpSystemTime == nullptr) return;
  int64_t micros = orvel::clock::NowMicros();
  time_t seconds = static_cast<time_t>(orvel::clock::EpochSeconds() + micros / 1000000);
  struct tm local = {};
  localtime_r(&seconds, &local);
  lpSystemTime->wYear = static_cast<WORD>(local.tm_year + 1900);
  lpSystemTime->wMonth = static_cast<WORD>(local.tm_mon + 1);
  lpSystemTime->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  lpSystemTime->wDay = static_cast<WORD>(local.tm_mday);
  lpSystemTime->wHour = static_cast<WORD>(local.tm_hour);
  lpSystemTime->wMinute = static_cast<WORD>(local.tm_min);
  lpSystemTime->wSecond = static_cast<WORD>(local.tm_sec);
  lpSystemTime->wMilliseconds = static_cast<WORD>((micros / 1000) % 1000);
}

// Milliseconds of the layer's clock; wraps after 49.7 days as on Win32.
DWORD WINAPI GetTickCount(void) {
  return static_cast<DWORD>(orvel::clock::NowMillis());
}

}  // extern "C"
