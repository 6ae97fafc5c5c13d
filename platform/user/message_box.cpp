// The message box that the window layer draws itself, for hosts with no boxes of their own:
// a modal dialog in the dialog font, the text at the top left, an OK button centred below.
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "user/dialog.h"
#include "user/host.h"

namespace orvel::user {
namespace {

// In dialog units of the box's font ("MS Sans Serif" at 8 points: 6 x 13 pixels per 4 x 8).
constexpr short kMargin = 8;  // around the text, and from the button to the bottom edge
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr int kBaseX = 6, kBaseY = 13;
constexpr int kFontHeight = -11;  // 8 points at 96 dots per inch

struct Box {
  std::vector<std::string> lines;
  int lineHeight = 0;
};

// The boxes being shown, by window: a box can come while another waits for its answer.
std::map<HWND, const Box*>& Shown() {
  static std::map<HWND, const Box*> shown;
  return shown;
}

int TextWidth(HDC dc, const std::string& text) {
  SIZE size{};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// The text's lines: its own line breaks, and a line wider than `widest` pixels broken at the
// last space that fits (or where a word alone is too wide).
std::vector<std::string> Lines(HDC dc, const std::string& text, int widest) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string rest = text.substr(start, end - start);
    if (!rest.empty() && rest.back() == '\r') rest.pop_back();
    while (TextWidth(dc, rest) > widest) {
      size_t cut = rest.size() - 1;
      while (cut > 1 && TextWidth(dc, rest.substr(0, cut)) > widest) --cut;
      const size_t space = rest.rfind(' ', cut);
      if (space != std::string::npos && space > 0) cut = space;
      lines.push_back(rest.substr(0, cut));
      rest.erase(0, cut + (rest[cut] == ' ' ? 1 : 0));
    }
    lines.push_back(rest);
    if (end >= text.size()) return lines;
    start = end + 1;
  }
}

// Pixels as dialog units, rounded up so that what was measured fits.
short UnitsAcross(int pixels) {
  return static_cast<short>((pixels * 4 + kBaseX - 1) / kBaseX);
}
short UnitsDown(int pixels) {
  return static_cast<short>((pixels * 8 + kBaseY - 1) / kBaseY);
}

INT_PTR CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      Shown()[hwnd] = reinterpret_cast<const Box*>(lParam);
      return TRUE;
    case WM_PAINT: {
      auto it = Shown().find(hwnd);
      if (it == Shown().end()) return FALSE;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      HGDIOBJ old =
          SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 0));
      const int left = kMargin * kBaseX / 4, top = kMargin * kBaseY / 8;
      for (size_t i = 0; i < it->second->lines.size(); ++i) {
        const std::string& line = it->second->lines[i];
        TextOutA(dc, left, top + static_cast<int>(i) * it->second->lineHeight, line.data(),
                 static_cast<int>(line.size()));
      }
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(hwnd, IDOK);
      return TRUE;
    case WM_DESTROY:
      Shown().erase(hwnd);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int ShowDrawnMessageBox(HWND owner, const std::string& text, const std::string& caption) {
  DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | WS_VISIBLE;
  t.title = caption;
  t.hasFont = true;
  t.pointSize = 8;
  t.face = "MS Sans Serif";

  // The text is measured in the font the dialog will draw it with.
  Box box;
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(kFontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           t.face.c_str());
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  box.lineHeight = tm.tmHeight;
  const RECT area = CurrentHost().WorkArea();
  box.lines = Lines(dc, text, std::max(kBaseX * 10, (area.right - area.left) * 5 / 8));
  int widest = 0;
  for (const std::string& line : box.lines) widest = std::max(widest, TextWidth(dc, line));
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);

  const short textWidth = UnitsAcross(widest);
  const short textHeight = UnitsDown(box.lineHeight * static_cast<int>(box.lines.size()));
  t.cx = static_cast<short>(std::max(textWidth, kButtonWidth) + 2 * kMargin);
  t.cy = static_cast<short>(textHeight + kButtonHeight + 3 * kMargin);
  DialogItem ok;
  ok.style = WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
  ok.x = static_cast<short>((t.cx - kButtonWidth) / 2);
  ok.y = static_cast<short>(t.cy - kMargin - kButtonHeight);
  ok.cx = kButtonWidth;
  ok.cy = kButtonHeight;
  ok.id = IDOK;
  ok.className = "BUTTON";
  ok.text = "OK";
  t.items.push_back(ok);
  const INT_PTR answer = RunDialog(t, owner, BoxProc, reinterpret_cast<LPARAM>(&box));
  return answer == IDOK ? IDOK : 0;
}

}  // namespace orvel::user
