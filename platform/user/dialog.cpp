// Modal dialogs from templates in the resource table: dialog units from the dialog font, the
// standard dialog window procedure and the modal loop with Enter and Esc.
#include <windows.h>

#include <stdio.h>
#include <strings.h>

#include "kernel/resources.h"
#include "kernel/trace.h"
#include "user/dialog.h"
#include "user/dialog_template.h"
#include "user/host.h"
#include "user/internal.h"

namespace orvel::user {
namespace {

struct DialogState : ControlState {
  DLGPROC proc = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  SIZE base = {};
};

DialogState* DialogOf(HWND hwnd) {
  Window* w = Find(hwnd);
  if (w == nullptr || w->proc != DialogProc || !w->control) return nullptr;
  return static_cast<DialogState*>(w->control.get());
}

int MulDivInt(int a, int b, int c) {
  int64_t p = static_cast<int64_t>(a) * b;
  return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

// The font's average character width over a..z A..Z, rounded as Win32 rounds it, and cell height.
// "MS Sans Serif" is a bitmap face that only Windows (and Wine) carry; the font mapper replaces
// it with an outline face of other proportions (a cell of 12 rather than 13 pixels at 8 points),
// which would shrink every dialog laid out for it. Its own base units at 8 points, 6 x 13, keep
// such dialogs the size they are on Windows.
SIZE MeasureBase(HFONT font, const DialogTemplate& t) {
  SIZE base{8, 16};  // the system font's, when there is no dialog font
  if (font == nullptr) return base;
  if (strcasecmp(t.face.c_str(), "MS Sans Serif") == 0 && t.pointSize == 8) return SIZE{6, 13};
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return base;
  HGDIOBJ old = SelectObject(dc, font);
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  SIZE extent{};
  TEXTMETRICA tm{};
  if (GetTextExtentPoint32A(dc, kLetters, 52, &extent) && GetTextMetricsA(dc, &tm)) {
    base.cx = (extent.cx / 26 + 1) / 2;
    base.cy = tm.tmHeight;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  return base;
}

bool IsInside(HWND dialog, HWND hwnd) {
  for (Window* w = Find(hwnd); w != nullptr; w = Find(w->parent)) {
    if (w->handle == dialog) return true;
  }
  return false;
}

HWND DefaultButton(HWND dialog) {
  Window* d = Find(dialog);
  if (d == nullptr) return nullptr;
  for (HWND child : d->children) {
    Window* c = Find(child);
    if (c != nullptr && c->cls == FindClass("BUTTON") && (c->style & 0x0F) == BS_DEFPUSHBUTTON) {
      return child;
    }
  }
  return nullptr;
}

// Enter and Esc in a dialog become its commands; true when the message was used up.
bool DialogKey(HWND dialog, const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !IsInside(dialog, msg.hwnd)) return false;
  WPARAM id;
  HWND control;
  if (msg.wParam == VK_RETURN) {
    control = DefaultButton(dialog);
    Window* c = Find(control);
    id = c ? c->id : IDOK;
    if (control == nullptr) control = ChildById(dialog, IDOK);
  } else if (msg.wParam == VK_ESCAPE) {
    id = IDCANCEL;
    control = ChildById(dialog, IDCANCEL);
  } else {
    return false;
  }
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
  return true;
}

// Creates the dialog window and its controls; null on failure.
HWND Build(const DialogTemplate& t, HWND owner, DLGPROC proc, HFONT font, SIZE base) {
  int frame = (t.style & (WS_DLGFRAME | DS_MODALFRAME)) || (t.style & WS_CAPTION) == WS_CAPTION
                  ? kFixedFrame
                  : ((t.style & WS_BORDER) ? 1 : 0);
  int caption = (t.style & WS_CAPTION) == WS_CAPTION ? kCaption : 0;
  int clientW = MulDivInt(t.cx, base.cx, 4);
  int clientH = MulDivInt(t.cy, base.cy, 8);
  int width = clientW + 2 * frame;
  int height = clientH + 2 * frame + caption;
  int x, y;
  if (t.style & DS_CENTER) {
    RECT area = CurrentHost().WorkArea();
    x = area.left + (area.right - area.left - width) / 2;
    y = area.top + (area.bottom - area.top - height) / 2;
  } else {
    Window* o = Find(owner);
    POINT origin = o ? ScreenClientOrigin(o) : POINT{0, 0};
    x = origin.x + MulDivInt(t.x, base.cx, 4);
    y = origin.y + MulDivInt(t.y, base.cy, 8);
  }
  DWORD style = (t.style & ~WS_VISIBLE & ~WS_CHILD) | (frame == kFixedFrame ? WS_DLGFRAME : 0);
  HWND dialog = CreateWindowExA(t.exStyle, "#32770", t.title.c_str(), style, x, y, width, height,
                                owner, nullptr, nullptr, nullptr);
  Window* d = Find(dialog);
  if (d == nullptr) return nullptr;
  auto state = std::make_unique<DialogState>();
  state->proc = proc;
  state->base = base;
  d->control = std::move(state);
  d->font = font;
  for (const DialogItem& item : t.items) {
    HWND control = CreateWindowExA(
        item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
        MulDivInt(item.x, base.cx, 4), MulDivInt(item.y, base.cy, 8),
        MulDivInt(item.cx, base.cx, 4), MulDivInt(item.cy, base.cy, 8), dialog,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), nullptr, nullptr);
    if (control == nullptr) {
      fprintf(stderr, "dialog: cannot create a control of class \"%s\"\n", item.className.c_str());
      DestroyWindow(dialog);
      return nullptr;
    }
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return dialog;
}

// Runs the dialog until EndDialog; false when WM_QUIT ended it instead (the quit is posted again).
bool ModalLoop(HWND dialog) {
  for (;;) {
    DialogState* s = DialogOf(dialog);
    if (s == nullptr || s->ended) return true;
    MSG msg;
    if (!Retrieve(&msg)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (!DialogKey(dialog, msg)) DispatchMessageA(&msg);
  }
}

}  // namespace

SIZE DialogBaseUnits(HWND dialog) {
  DialogState* s = DialogOf(dialog);
  return s ? s->base : SIZE{0, 0};
}

INT_PTR RunDialog(const DialogTemplate& t, HWND hWndParent, DLGPROC lpDialogFunc,
                  LPARAM dwInitParam) {
  if (hWndParent != nullptr && Find(hWndParent) == nullptr) return -1;
  // The owner is the top-level window of the given one.
  HWND owner = hWndParent ? TopLevelOf(Find(hWndParent))->handle : nullptr;
  HFONT font = nullptr;
  if (t.hasFont) {
    font = CreateFontA(-MulDivInt(t.pointSize, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                       DEFAULT_CHARSET, 0, 0, 0, 0, t.face.c_str());
  }
  HWND dialog = Build(t, owner, lpDialogFunc, font, MeasureBase(font, t));
  if (dialog == nullptr) {
    if (font) DeleteObject(font);
    return -1;
  }
  HWND outer = ActiveDialog();
  SetActiveDialog(dialog);
  bool ownerWasEnabled = owner != nullptr && Find(owner)->enabled;
  if (owner != nullptr) SetEnabled(owner, false);

  HWND focus = nullptr;
  if (Window* d = Find(dialog); d != nullptr && !d->children.empty()) focus = d->children.front();
  CallProc(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), dwInitParam);
  if (DialogState* s = DialogOf(dialog); s != nullptr && !s->ended && (t.style & WS_VISIBLE)) {
    ShowWindow(dialog, SW_SHOWNORMAL);
  }
  bool ended = ModalLoop(dialog);
  DialogState* s = DialogOf(dialog);
  INT_PTR result = s && ended ? s->result : 0;

  if (owner != nullptr && ownerWasEnabled) SetEnabled(owner, true);
  SetActiveDialog(outer);
  DestroyWindow(dialog);
  if (font) DeleteObject(font);
  return result;
}

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DialogState* s = DialogOf(hwnd);
  if (s != nullptr && s->proc != nullptr) {
    INT_PTR handled = s->proc(hwnd, msg, wParam, lParam);
    if (Find(hwnd) == nullptr) return 0;
    if (msg >= WM_CTLCOLORBTN && msg <= WM_CTLCOLORSTATIC && handled) return handled;
    // TRUE means the dialog procedure dealt with it (for WM_PAINT: it painted itself).
    if (handled) return 0;
  }
  switch (msg) {
    case WM_ERASEBKGND: {
      Window* w = Find(hwnd);
      RECT r{0, 0, w->clientW, w->clientH};
      FillRect(reinterpret_cast<HDC>(wParam), &r,
               static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
      return 1;
    }
    case WM_CLOSE:
      PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(ChildById(hwnd, IDCANCEL)));
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace orvel::user

extern "C" {

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  if (lpTemplateName == nullptr || !IS_INTRESOURCE(lpTemplateName)) return -1;
  auto id = static_cast<int>(LOWORD(lpTemplateName));
  orvel::res::Resource res = orvel::res::Find(orvel::res::kDialog, id);
  DialogTemplate t;
  if (!ParseDialogTemplate(res.data, res.size, &t)) return -1;
  return RunDialog(t, hWndParent, lpDialogFunc, dwInitParam);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  ORVEL_TRACE_CALL(kUser);
  using namespace orvel::user;
  DialogState* s = DialogOf(hDlg);
  if (s == nullptr) return FALSE;
  s->ended = true;
  s->result = nResult;
  ShowWindow(hDlg, SW_HIDE);
  return TRUE;
}

}  // extern "C"
