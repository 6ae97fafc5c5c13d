// WINMM: wave input and the media-control interface.
#ifndef ORVEL_MMSYSTEM_H
#define ORVEL_MMSYSTEM_H

#include <windows.h>

#endif
