// The BUTTON class: the owner-drawn button (its parent draws it through WM_DRAWITEM) and the
// classic push button with its text, as dialogs use it.
#include <windows.h>

#include "user/internal.h"

namespace orvel::user {
namespace {

struct ButtonState : ControlState {
  bool tracking = false;    // the left button went down on us and has not come up
  bool pressed = false;     // drawn pressed: tracking and the mouse is over us
  bool fromDouble = false;  // the press was a double-click: its release sends no BN_CLICKED
};

ButtonState* StateOf(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr) return nullptr;
  if (!w->control) w->control = std::make_unique<ButtonState>();
  return static_cast<ButtonState*>(w->control.get());
}

bool IsOwnerDraw(const Window* w) {
  return (w->style & 0x0F) == BS_OWNERDRAW;
}

void Notify(HWND hwnd, WORD code) {
  Window* w = Find(hwnd);
  if (w == nullptr) return;
  HWND parent = w->parent;
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code),
               reinterpret_cast<LPARAM>(hwnd));
}

void DrawOwner(HWND hwnd, HDC dc, UINT action) {
  Window* w = Find(hwnd);
  ButtonState* s = StateOf(hwnd);
  if (w == nullptr || s == nullptr) return;
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.CtlID = static_cast<UINT>(w->id);
  dis.itemAction = action;
  dis.itemState = s->pressed ? ODS_SELECTED : 0;
  dis.hwndItem = hwnd;
  dis.hDC = dc;
  dis.rcItem = RECT{0, 0, w->clientW, w->clientH};
  SendMessageA(w->parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

// The classic push button: grey face, 3-D edges, centred text in the dialog font.
void DrawPush(HWND hwnd, HDC dc) {
  Window* w = Find(hwnd);
  ButtonState* s = StateOf(hwnd);
  if (w == nullptr || s == nullptr || dc == nullptr) return;
  RECT r{0, 0, w->clientW, w->clientH};
  bool isDefault = (w->style & 0x0F) == BS_DEFPUSHBUTTON;
  FillSolid(dc, r, kFace);
  if (isDefault) {
    FillSolid(dc, RECT{r.left, r.top, r.right, r.top + 1}, kDark);
    FillSolid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, kDark);
    FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, kDark);
    FillSolid(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, kDark);
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  if (s->pressed) {
    DrawSunkenEdge(dc, r);
  } else {
    DrawRaisedEdge(dc, r);
  }
  HFONT own = nullptr;
  HFONT font = w->font;
  if (font == nullptr) {
    own = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    font = own;
  }
  HGDIOBJ oldFont = SelectObject(dc, font);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColor = SetTextColor(dc, kDark);
  UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
  SIZE extent{};
  GetTextExtentPoint32A(dc, w->text.c_str(), static_cast<int>(w->text.size()), &extent);
  int shift = s->pressed ? 1 : 0;
  TextOutA(dc, (w->clientW - extent.cx) / 2 + shift, (w->clientH - extent.cy) / 2 + shift,
           w->text.c_str(), static_cast<int>(w->text.size()));
  SetTextAlign(dc, oldAlign);
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
  if (own != nullptr) DeleteObject(own);
}

// Redraws the pressed state at once, as the mouse moves, through a DC of its own.
void DrawState(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr || !ReallyVisible(w)) return;
  HDC dc = CreateTransientDC(w);
  if (IsOwnerDraw(w)) {
    DrawOwner(hwnd, dc, ODA_SELECT);
  } else {
    DrawPush(hwnd, dc);
  }
  DeleteDC(dc);
}

void Press(HWND hwnd, bool fromDouble) {
  ButtonState* s = StateOf(hwnd);
  SetCapture(hwnd);
  s = StateOf(hwnd);
  if (s == nullptr) return;
  s->tracking = true;
  s->pressed = true;
  s->fromDouble = fromDouble;
  DrawState(hwnd);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(hwnd);
  ButtonState* s = StateOf(hwnd);
  if (w == nullptr || s == nullptr) return 0;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (IsOwnerDraw(w)) {
        DrawOwner(hwnd, dc, ODA_DRAWENTIRE);
      } else {
        DrawPush(hwnd, dc);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      Press(hwnd, false);
      return 0;
    case WM_LBUTTONDBLCLK:
      // Owner-drawn buttons report double-clicks (others only with BS_NOTIFY) and show the
      // second press; that press then ends without a BN_CLICKED of its own.
      if (IsOwnerDraw(w) || (w->style & BS_NOTIFY)) {
        Notify(hwnd, BN_DOUBLECLICKED);
        if (Find(hwnd) != nullptr) Press(hwnd, true);
      } else {
        Press(hwnd, false);
      }
      return 0;
    case WM_MOUSEMOVE: {
      if (!s->tracking) return 0;
      RECT client{0, 0, w->clientW, w->clientH};
      bool inside = Contains(client, static_cast<int16_t>(LOWORD(lParam)),
                             static_cast<int16_t>(HIWORD(lParam)));
      if (inside != s->pressed) {
        s->pressed = inside;
        DrawState(hwnd);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      if (!s->tracking) return 0;
      RECT client{0, 0, w->clientW, w->clientH};
      bool inside = Contains(client, static_cast<int16_t>(LOWORD(lParam)),
                             static_cast<int16_t>(HIWORD(lParam)));
      bool click = inside && !s->fromDouble;
      bool wasPressed = s->pressed;
      s->tracking = false;
      s->pressed = false;
      ReleaseCapture();
      if (wasPressed) DrawState(hwnd);
      if (click) Notify(hwnd, BN_CLICKED);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s->tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
        s->tracking = false;
        if (s->pressed) {
          s->pressed = false;
          DrawState(hwnd);
        }
      }
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace orvel::user
