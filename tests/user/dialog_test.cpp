#include <windows.h>

#include <string.h>

#include "fixture.h"
#include "kernel/resources.h"
#include "user/dialog.h"

namespace orvel::test {
namespace {

// Writes a DLGTEMPLATE the way a resource compiler does.
class TemplateWriter {
 public:
  void Word(uint16_t w) {
    bytes_.push_back(static_cast<unsigned char>(w & 0xFF));
    bytes_.push_back(static_cast<unsigned char>(w >> 8));
  }
  void Dword(uint32_t d) {
    Word(static_cast<uint16_t>(d & 0xFFFF));
    Word(static_cast<uint16_t>(d >> 16));
  }
  void Text(const char* s) {
    for (; *s; ++s) Word(static_cast<unsigned char>(*s));
    Word(0);
  }
  void AlignDword() {
    while (bytes_.size() % 4) bytes_.push_back(0);
  }
  std::vector<unsigned char>& Bytes() { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};

// The About box: 240 x 120 units, centred, 8-point MS Sans Serif, one OK button (id 101) at
// (88, 96), 64 x 13 units.
std::vector<unsigned char> AboutTemplate(const char* face = "MS Sans Serif", int points = 8) {
  TemplateWriter t;
  t.Dword(0x90C02844);
  t.Dword(0);
  t.Word(1);
  for (int v : {100, 100, 240, 120}) t.Word(static_cast<uint16_t>(v));
  t.Word(0);  // no menu
  t.Word(0);  // the standard dialog class
  t.Text("Orvel!");
  t.Word(static_cast<uint16_t>(points));
  t.Text(face);
  t.AlignDword();
  t.Dword(0x50010300);
  t.Dword(0);
  for (int v : {88, 96, 64, 13}) t.Word(static_cast<uint16_t>(v));
  t.Word(101);
  t.Word(0xFFFF);
  t.Word(0x0080);  // button
  t.Text("OK");
  t.Word(0);  // no creation data
  return t.Bytes();
}

constexpr int kDialogId = 901;
constexpr int kBrokenId = 902;
constexpr int kArialId = 904;

std::vector<std::string>& DialogLog() {
  static std::vector<std::string> log;
  return log;
}
bool g_paintRed = false;

INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      DialogLog().push_back("init");
      return FALSE;
    case WM_COMMAND:
      DialogLog().push_back("command " + std::to_string(LOWORD(wParam)));
      EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    case WM_PAINT: {
      if (!g_paintRed) return FALSE;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(dialog, &ps);
      HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
      RECT r{0, 0, 340, 190};
      FillRect(dc, &r, red);
      DeleteObject(red);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

class Dialog : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    static std::vector<unsigned char> about = AboutTemplate();
    static std::vector<unsigned char> broken(about.begin(), about.begin() + 40);
    res::Register(res::kDialog, kDialogId, about.data(), about.size());
    res::Register(res::kDialog, kBrokenId, broken.data(), broken.size());
    static std::vector<unsigned char> arial = AboutTemplate("Arial", 10);
    res::Register(res::kDialog, kArialId, arial.data(), arial.size());
    DialogLog().clear();
    g_paintRed = false;
    main_ = MainWindow();
    button_ = OwnerDrawButton(main_, 20, 8, 60, 25);
  }

  INT_PTR Show(int id = kDialogId) {
    return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(id), main_, AboutProc, 0);
  }

  HWND main_ = nullptr;
  HWND button_ = nullptr;
};

TEST_F(Dialog, EnterClosesItWithIdOk) {
  clock::ScheduleAt(1'000'000, [] { headless::Key(headless::ActiveDialog(), VK_RETURN); });
  EXPECT_EQ(Show(), IDOK);
  EXPECT_EQ(DialogLog(), (std::vector<std::string>{"init", "command 1"}));
  EXPECT_EQ(headless::ActiveDialog(), nullptr);
  EXPECT_EQ(headless::TopLevelWindows(), std::vector<HWND>{main_});
}

TEST_F(Dialog, EscClosesItWithIdCancel) {
  clock::ScheduleAt(1'000'000, [] { headless::Key(headless::ActiveDialog(), VK_ESCAPE); });
  EXPECT_EQ(Show(), IDCANCEL);
  EXPECT_EQ(DialogLog(), (std::vector<std::string>{"init", "command 2"}));
}

TEST_F(Dialog, ItsButtonClosesItAndDialogUnitsFollowTheFont) {
  SIZE base{};
  RECT button{}, client{}, window{};
  clock::ScheduleAt(1'000'000, [&] {
    HWND dialog = headless::ActiveDialog();
    base = user::DialogBaseUnits(dialog);
    user::Window* d = user::Find(dialog);
    user::Window* ok = user::Find(d->children.at(0));
    button = ok->rect;
    client = RECT{0, 0, d->clientW, d->clientH};
    window = d->rect;
    headless::Click(dialog, (button.left + button.right) / 2, (button.top + button.bottom) / 2);
  });
  EXPECT_EQ(Show(), 101);
  // 8-point MS Sans Serif: 6 x 13, as on Windows.
  EXPECT_EQ(base.cx, 6);
  EXPECT_EQ(base.cy, 13);
  auto px = [](int units, int b, int d) { return (units * b + d / 2) / d; };
  EXPECT_EQ(button.left, px(88, base.cx, 4));
  EXPECT_EQ(button.top, px(96, base.cy, 8));
  EXPECT_EQ(button.right - button.left, px(64, base.cx, 4));
  EXPECT_EQ(button.bottom - button.top, px(13, base.cy, 8));
  EXPECT_EQ(client.right, px(240, base.cx, 4));
  EXPECT_EQ(client.bottom, px(120, base.cy, 8));
  // DS_CENTER: the whole window centred in the work area (1024 x 768 on the headless host).
  EXPECT_EQ(window.left, (1024 - (window.right - window.left)) / 2);
  EXPECT_EQ(window.top, (768 - (window.bottom - window.top)) / 2);
  EXPECT_EQ(window.bottom - window.top, client.bottom + 2 * 3 + 19);
}

TEST_F(Dialog, OtherFontsGiveBaseUnitsMeasuredFromTheFont) {
  SIZE base{};
  clock::ScheduleAt(1'000'000, [&] {
    base = user::DialogBaseUnits(headless::ActiveDialog());
    headless::Key(headless::ActiveDialog(), VK_RETURN);
  });
  EXPECT_EQ(Show(kArialId), IDOK);
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ old = SelectObject(dc, font);
  SIZE letters{};
  TEXTMETRICA tm{};
  GetTextExtentPoint32A(dc, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 52, &letters);
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  EXPECT_EQ(base.cx, (letters.cx / 26 + 1) / 2);
  EXPECT_EQ(base.cy, tm.tmHeight);
  EXPECT_GT(base.cx, 5);
  EXPECT_GT(base.cy, 12);
}

TEST_F(Dialog, ModalLoopPaintsTheOwnerAndKeepsItsInputAway) {
  clock::ScheduleAt(1'000'000, [this] { headless::Click(main_, 30, 15); });
  clock::ScheduleAt(2'000'000, [] { headless::Key(headless::ActiveDialog(), VK_RETURN); });
  EXPECT_EQ(Show(), IDOK);
  bool ownerPainted = false, buttonDrawn = false;
  for (const Seen& s : Log()) {
    ownerPainted = ownerPainted || (s.hwnd == main_ && s.msg == WM_PAINT);
    buttonDrawn = buttonDrawn || (s.msg == WM_DRAWITEM && s.drawAction == ODA_DRAWENTIRE);
  }
  EXPECT_TRUE(ownerPainted);
  EXPECT_TRUE(buttonDrawn);
  EXPECT_TRUE(Only(WM_COMMAND).empty());  // the owner is disabled while the dialog runs
  // Enabled again afterwards.
  RunUntil(clock::NowMicros() + 600'000);
  headless::Click(main_, 30, 15);
  Drain();
  EXPECT_EQ(Only(WM_COMMAND).size(), 1u);
}

TEST_F(Dialog, DefaultPaintIsTheClassicFaceAndAProcThatPaintsKeepsItsPicture) {
  uint32_t face = 0, buttonFace = 0;
  int dark = 0;
  clock::ScheduleAt(1'000'000, [&] {
    HWND dialog = headless::ActiveDialog();
    const gdi::Surface* s = headless::WindowSurface(dialog);
    face = s->At(5, 5);
    user::Window* ok = user::Find(user::Find(dialog)->children.at(0));
    buttonFace = s->At(ok->rect.left + 4, ok->rect.top + 3);
    for (int y = ok->rect.top; y < ok->rect.bottom; ++y) {
      for (int x = ok->rect.left + 3; x < ok->rect.right - 3; ++x) dark += s->At(x, y) < 0x404040;
    }
    headless::Key(dialog, VK_RETURN);
  });
  Show();
  EXPECT_EQ(face, 0xC0C0C0u);
  EXPECT_EQ(buttonFace, 0xC0C0C0u);
  EXPECT_GT(dark, 4);  // the "OK" text

  g_paintRed = true;
  uint32_t painted = 0;
  clock::ScheduleAt(clock::NowMicros() + 1'000'000, [&] {
    HWND dialog = headless::ActiveDialog();
    painted = headless::WindowSurface(dialog)->At(5, 5);
    headless::Key(dialog, VK_ESCAPE);
  });
  Show();
  EXPECT_EQ(painted, 0xFF0000u);
}

TEST_F(Dialog, MissingOrBrokenTemplateFails) {
  EXPECT_EQ(Show(903), -1);
  EXPECT_EQ(Show(kBrokenId), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogId), reinterpret_cast<HWND>(8),
                            AboutProc, 0),
            -1);
  EXPECT_FALSE(EndDialog(main_, 0));
  EXPECT_TRUE(DialogLog().empty());
}

TEST_F(Dialog, QuitInsideTheModalLoopEndsItAndReachesTheOuterLoop) {
  clock::ScheduleAt(1'000'000, [] { PostQuitMessage(4); });
  Show();
  MSG msg;
  EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.wParam, 4u);
}

}  // namespace
}  // namespace orvel::test
