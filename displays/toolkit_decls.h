// The drawing-toolkit operations that the gauge paints with (implemented in draw/).
#ifndef ORVEL_DISPLAYS_TOOLKIT_DECLS_H
#define ORVEL_DISPLAYS_TOOLKIT_DECLS_H

#include <windows.h>

// A filled box with a raised two-pixel bevel and a black shadow on right + 1 and bottom + 1.
void DrawRaisedBox(HDC dc, int left, int top, int right, int bottom, int r, int g, int b);
// A filled box with a sunken two-pixel bevel in fixed greys.
void DrawSunkenBox(HDC dc, int left, int top, int right, int bottom, int r, int g, int b);
// Row pairs from the top and bottom edges toward the middle, shaded from start to end.
void DrawShadedRows(HDC dc, int left, int top, int right, int bottom, int r, int g, int b,
                    float start, float end);

#endif
