// The drawing toolkit: bevelled boxes, shaded bands and one-line text panels, drawn straight
// into a device context. Coordinates are the DC's logical pixels (left, top, right, bottom);
// colours are r, g, b ints of which only the low 8 bits count (0..255 in practice). Each call
// creates the pens, brushes and font it needs, selects them out again and deletes them before
// it returns; nothing is kept between calls.
#ifndef ORVEL_DRAW_DRAW_H
#define ORVEL_DRAW_DRAW_H

#include <windows.h>

// A box with a raised two-pixel bevel (the face colour x1.2 on the top and left, x0.8 on the
// bottom and right) and a one-pixel black shadow on row bottom+1 and column right+1; the face
// fills the inside in (r, g, b). Draws nothing at all when right - left < 6.
void DrawRaisedBox(HDC dc, int left, int top, int right, int bottom, int r, int g, int b);

// The same box sunken: the top and left bevel in grey (100, 100, 100), the bottom and right in
// (160, 160, 160), no shadow.
void DrawSunkenBox(HDC dc, int left, int top, int right, int bottom, int r, int g, int b);

// Horizontal lines from left to right whose shade runs from `start` x (r, g, b) at the top and
// at row bottom-3 towards `end` at the middle row (top + bottom) / 2. Rows bottom-2..bottom are
// never painted: they belong to the bevel of a box drawn with the same bottom.
void DrawShadedRows(HDC dc, int left, int top, int right, int bottom, int r, int g, int b,
                    float start, float end);

// Where a text panel puts its text: -1 left (5 pixels inside `left`), 0 centred on
// (left + right) / 2, 1 right (ending 5 pixels inside `right`). Any other value writes nothing.
typedef int TextAlignCode;
const TextAlignCode TextAlignLeft = -1;
const TextAlignCode TextAlignCentre = 0;
const TextAlignCode TextAlignRight = 1;

// One line of text with its baseline 5 pixels above `bottom`, in a font of cell height
// `height` pixels made with CreateFontA(height, .., italic, .., face). The text is neither
// clipped to the rectangle nor shortened. Afterwards the DC's text alignment is
// TA_BASELINE | TA_LEFT (24), and its background mode and text colour stay as the call set
// them. `top` and the background colour (br, bg, bb) are used by DrawBoxedText only.

// Text over whatever is there (TRANSPARENT background).
void DrawTransparentText(HDC dc, int left, int top, int right, int bottom, const char* face,
                         int height, int italic, TextAlignCode align, const char* text, int br,
                         int bg, int bb, int tr, int tg, int tb);

// Text whose character cells are painted black first (OPAQUE, background colour black, which
// the DC keeps), so a changing text overwrites its previous value.
void DrawOpaqueText(HDC dc, int left, int top, int right, int bottom, const char* face, int height,
                    int italic, TextAlignCode align, const char* text, int br, int bg, int bb,
                    int tr, int tg, int tb);

// A raised box in the background colour, shaded inside its bevel (0.9 to 1.0), with the text
// drawn transparently over it. The box is drawn even when the alignment writes no text.
void DrawBoxedText(HDC dc, int left, int top, int right, int bottom, const char* face, int height,
                   int italic, TextAlignCode align, const char* text, int br, int bg, int bb,
                   int tr, int tg, int tb);

#endif
