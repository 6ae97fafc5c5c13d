// USER32: windows, messages, controls, dialogs, timers and message boxes.
#ifndef ORVEL_WIN32_WINUSER_H
#define ORVEL_WIN32_WINUSER_H

#include "win32/windef.h"

#endif
