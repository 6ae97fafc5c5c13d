// The drawing toolkit's boxes and text panels, as the window painting uses them.
#ifndef ORVEL_APP_TOOLKIT_H
#define ORVEL_APP_TOOLKIT_H

#include <windows.h>

void DrawRaisedBox(HDC dc, int left, int top, int right, int bottom, int r, int g, int b);
void DrawSunkenBox(HDC dc, int left, int top, int right, int bottom, int r, int g, int b);
void DrawShadedRows(HDC dc, int left, int top, int right, int bottom, int r, int g, int b,
                    float start, float end);

// Text in a rectangle with a font made for the call (face, height in pixels, italic flag);
// alignment -1 left, 0 centre, 1 right; baseline 5 pixels above the bottom. The background
// colour is used only by DrawBoxedText, as its box colour.
void DrawTransparentText(HDC dc, int left, int top, int right, int bottom, const char* face,
                         int height, int italic, int align, const char* text, int bgR, int bgG,
                         int bgB, int r, int g, int b);
void DrawOpaqueText(HDC dc, int left, int top, int right, int bottom, const char* face, int height,
                    int italic, int align, const char* text, int bgR, int bgG, int bgB, int r,
                    int g, int b);
void DrawBoxedText(HDC dc, int left, int top, int right, int bottom, const char* face, int height,
                   int italic, int align, const char* text, int bgR, int bgG, int bgB, int r, int g,
                   int b);

#endif
