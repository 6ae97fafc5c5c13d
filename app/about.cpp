// The About box, shown once during start-up: the name in large letters, the version and two
// credit lines on a raised, shaded face. Any command (OK, Enter, Esc) closes it.
#include "app/handlers.h"
#include "draw/draw.h"

namespace {

const char kFace[] = "Ariel";
constexpr int kCentre = 0;

void PaintAbout(HDC dc) {
  DrawRaisedBox(dc, 0, 0, 340, 190, 210, 210, 170);
  DrawShadedRows(dc, 3, 3, 337, 190, 210, 220, 170, 0.6f, 1.0f);
  DrawTransparentText(dc, 3, 3, 343, 81, kFace, 82, 0, kCentre, "Orvel!", 0, 0, 0, 0, 0, 0);
  DrawTransparentText(dc, 0, 0, 340, 78, kFace, 82, 0, kCentre, "Orvel!", 0, 0, 0, 250, 215, 0);
  DrawTransparentText(dc, 0, 0, 340, 108, kFace, 24, 0, kCentre, "Ver 1.0", 0, 0, 0, 70, 0, 0);
  DrawTransparentText(dc, 0, 0, 340, 138, kFace, 18, 0, kCentre, "By the Orvel developers", 0, 0, 0,
                      10, 70, 0);
  DrawTransparentText(dc, 0, 0, 340, 148, kFace, 12, 0, kCentre,
                      "Ideas and bug reports: the Orvel issue tracker", 0, 0, 0, 10, 20, 0);
}

}  // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(dialog, &ps);
      if (dc != nullptr) PaintAbout(dc);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    case WM_COMMAND:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}
