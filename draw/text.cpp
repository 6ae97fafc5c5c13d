// One-line text panels.
#include "draw/draw.h"

#include <string.h>

#include "draw/shade.h"

namespace {

using orvel::draw::Compose;

const int kInset = 5;  // pixels from the rectangle's left, right and bottom to the text

// Writes `text` with a font made for this call in background mode `bkMode` (OPAQUE with a
// black background) and leaves the alignment at TA_BASELINE | TA_LEFT.
void WriteText(HDC dc, int left, int right, int bottom, const char* face, int height, int italic,
               TextAlignCode align, const char* text, int bkMode, COLORREF color) {
  HFONT font = CreateFontA(height, 0, 0, 0, FW_DONTCARE, static_cast<DWORD>(italic), 0, 0,
                           ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, face);
  HGDIOBJ previous = SelectObject(dc, font);
  SetBkMode(dc, bkMode);
  if (bkMode == OPAQUE) SetBkColor(dc, Compose(0, 0, 0));
  SetTextColor(dc, color);
  const int length = text != nullptr ? static_cast<int>(strlen(text)) : 0;
  const int baseline = bottom - kInset;
  if (align == TextAlignLeft) {
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    TextOutA(dc, left + kInset, baseline, text, length);
  }
  if (align == TextAlignCentre) {
    SetTextAlign(dc, TA_BASELINE | TA_CENTER);
    TextOutA(dc, (left + right) / 2, baseline, text, length);
  }
  if (align == TextAlignRight) {
    SetTextAlign(dc, TA_BASELINE | TA_RIGHT);
    TextOutA(dc, right - kInset, baseline, text, length);
  }
  SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  SelectObject(dc, previous);
  DeleteObject(font);
}

}  // namespace

void DrawTransparentText(HDC dc, int left, int top, int right, int bottom, const char* face,
                         int height, int italic, TextAlignCode align, const char* text, int br,
                         int bg, int bb, int tr, int tg, int tb) {
  WriteText(dc, left, right, bottom, face, height, italic, align, text, TRANSPARENT,
            Compose(tr, tg, tb));
}

void DrawOpaqueText(HDC dc, int left, int top, int right, int bottom, const char* face, int height,
                    int italic, TextAlignCode align, const char* text, int br, int bg, int bb,
                    int tr, int tg, int tb) {
  WriteText(dc, left, right, bottom, face, height, italic, align, text, OPAQUE,
            Compose(tr, tg, tb));
}

void DrawBoxedText(HDC dc, int left, int top, int right, int bottom, const char* face, int height,
                   int italic, TextAlignCode align, const char* text, int br, int bg, int bb,
                   int tr, int tg, int tb) {
  DrawRaisedBox(dc, left, top, right, bottom, br, bg, bb);
  DrawShadedRows(dc, left + 3, top + 3, right - 3, bottom, br, bg, bb, 0.9f, 1.0f);
  WriteText(dc, left, right, bottom, face, height, italic, align, text, TRANSPARENT,
            Compose(tr, tg, tb));
}
