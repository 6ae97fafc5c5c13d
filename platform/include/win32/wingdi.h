// GDI32: device contexts, objects, drawing, text and bitmaps.
#ifndef ORVEL_WIN32_WINGDI_H
#define ORVEL_WIN32_WINGDI_H

#include "win32/windef.h"

#endif
