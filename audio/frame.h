// Frame processing: what every filled capture buffer draws, by DisplayMode. Runs on the
// window's thread for WM_WAVEFRAME, drawing through WindowDC clipped to the display area.
#ifndef ORVEL_AUDIO_FRAME_H
#define ORVEL_AUDIO_FRAME_H

#include <windows.h>

// The held level of modes 3, 4 and 5 (the RMS of the scaled samples, 0..99): replaced by a
// strictly larger level, otherwise lowered by the mode's decay, with no lower bound.
extern float HeldLevel;
extern const float ChartDecay;  // 10, modes 3 and 4
extern const float GaugeDecay;  // 3, mode 5

// The 64 points of the mode-1 trace and the transform's arrays.
extern POINT TracePoints[64];
extern float RealIn[64], ImagIn[64], RealOut[64], ImagOut[64];

// Converts the 64 samples of CaptureBuffer in place (s = 128 - u as a signed byte) and draws
// the current display. Modes 9, 10 and a freed buffer leave everything untouched.
void ProcessFrame();

// Blacks out the display area: Rectangle kFrameEraseBox with the stock black brush and
// whatever pen WindowDC holds; the clip keeps it to kDisplayArea (app/state.h).
void EraseDisplay();

#endif
