// The Win32 subset that Orvel calls, for systems other than Windows. The app includes this
// header by the same name as the real one and builds unchanged against either.
#ifndef ORVEL_WINDOWS_H
#define ORVEL_WINDOWS_H

#include "win32/windef.h"
#include "win32/winbase.h"
#include "win32/wingdi.h"
#include "win32/winuser.h"

#endif
