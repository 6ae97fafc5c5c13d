// KERNEL32: the process heap and the local time.
#ifndef ORVEL_WIN32_WINBASE_H
#define ORVEL_WIN32_WINBASE_H

#include "win32/windef.h"

#define HEAP_ZERO_MEMORY 0x00000008

typedef struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;      // 1 = January
  WORD wDayOfWeek;  // 0 = Sunday
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;

#ifdef __cplusplus
extern "C" {
#endif

HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime);
DWORD WINAPI GetTickCount(void);

#ifdef __cplusplus
}
#endif

#endif
