// KERNEL32: the process heap and the local time.
#ifndef ORVEL_WIN32_WINBASE_H
#define ORVEL_WIN32_WINBASE_H

#include "win32/windef.h"

#endif
