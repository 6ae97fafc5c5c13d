#include <windows.h>

#include <thread>

#include "fixture.h"

namespace orvel::test {
namespace {

using WindowBasics = WindowTest;

TEST_F(WindowBasics, ClassRegisteredTwiceFailsTheSecondTime) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "recordingclass";  // class names ignore case
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(RegisterClassA(nullptr), 0);
  EXPECT_EQ(
      CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
      nullptr);
}

TEST_F(WindowBasics, CaptionedWindowHasClassicFrameAndChildrenSitInItsClientArea) {
  HWND main = MainWindow();
  RECT client;
  ASSERT_TRUE(GetClientRect(main, &client));
  EXPECT_EQ(client.right, 561);
  EXPECT_EQ(client.bottom, 411);
  ASSERT_NE(headless::WindowSurface(main), nullptr);
  EXPECT_EQ(headless::WindowSurface(main)->width, 561);
  EXPECT_EQ(headless::WindowSurface(main)->height, 411);

  HWND child = OwnerDrawButton(main, 20, 8, 60, 25);
  RECT outer, inner;
  GetWindowRect(main, &outer);
  GetWindowRect(child, &inner);
  EXPECT_EQ(inner.left - outer.left, 3 + 20);
  EXPECT_EQ(inner.top - outer.top, 3 + 19 + 8);
  EXPECT_EQ(inner.right - inner.left, 60);

  // A child needs a live parent.
  EXPECT_EQ(
      CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr),
      nullptr);
}

TEST_F(WindowBasics, CloseBoxDestroysThroughDefWindowProcParentFirstThenChildren) {
  HWND main = MainWindow();
  HWND child = OwnerDrawButton(main, 0, 0, 10, 10);
  Drain();
  Log().clear();
  user::QueueInput(user::InputKind::kClose, main, 0, 0);
  RunUntil(1000);  // the WM_DESTROY of the main window posts the quit

  auto destroys = Only(WM_DESTROY);
  ASSERT_EQ(destroys.size(), 1u);  // the button's WM_DESTROY goes to its own procedure
  EXPECT_EQ(destroys[0].hwnd, main);
  ASSERT_FALSE(Only(WM_CLOSE).empty());
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(headless::TopLevelWindows().empty());
}

TEST_F(WindowBasics, NullAndStaleHandlesFailTheWin32Way) {
  HWND main = MainWindow();
  ASSERT_TRUE(DestroyWindow(main));
  for (HWND bad : {static_cast<HWND>(nullptr), main, reinterpret_cast<HWND>(0x1234)}) {
    RECT r;
    EXPECT_FALSE(IsWindow(bad));
    EXPECT_FALSE(GetClientRect(bad, &r));
    EXPECT_FALSE(DestroyWindow(bad));
    EXPECT_FALSE(ShowWindow(bad, SW_SHOW));
    EXPECT_EQ(SendMessageA(bad, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetDC(bad), nullptr);
    if (bad != nullptr) {  // a null window asks for a thread timer
      EXPECT_EQ(SetTimer(bad, 1, 100, nullptr), 0u);
    }
    PAINTSTRUCT ps;
    EXPECT_EQ(BeginPaint(bad, &ps), nullptr);
  }
  EXPECT_FALSE(PostMessageA(main, WM_USER, 0, 0));
  EXPECT_FALSE(InvalidateRect(main, nullptr, TRUE));
  EXPECT_EQ(MessageBoxA(main, "text", "caption", MB_OK), 0);
  EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
  EXPECT_EQ(DispatchMessageA(nullptr), 0);
}

TEST_F(WindowBasics, MessagesPostedToAWindowThatDiesAreDropped) {
  HWND main = MainWindow();
  HWND other = MainWindow();
  Drain();
  Log().clear();
  PostMessageA(main, WM_USER + 1, 0, 0);
  PostMessageA(other, WM_USER + 2, 0, 0);
  DestroyWindow(main);
  Drain();
  EXPECT_TRUE(Only(WM_USER + 1).empty());
  EXPECT_EQ(Only(WM_USER + 2).size(), 1u);
  // A message retrieved before its window died is not delivered either.
  PostMessageA(other, WM_USER + 3, 0, 0);
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  ASSERT_EQ(msg.message, static_cast<UINT>(WM_USER + 3));
  DestroyWindow(other);
  Log().clear();
  EXPECT_EQ(DispatchMessageA(&msg), 0);
  EXPECT_TRUE(Log().empty());
}

TEST_F(WindowBasics, MessageBoxOnTheHeadlessHostIsLoggedAndAnsweredOk) {
  HWND main = MainWindow();
  size_t before = headless::MessageBoxes().size();
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(main, "Buffer Allocation Failure", "Error", MB_OK), IDOK);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Error"), std::string::npos);
  EXPECT_NE(err.find("Buffer Allocation Failure"), std::string::npos);
  auto boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), before + 1);
  EXPECT_EQ(boxes.back().owner, main);
  EXPECT_EQ(boxes.back().caption, "Error");
  EXPECT_EQ(boxes.back().text, "Buffer Allocation Failure");
}

TEST_F(WindowBasics, IconsAndCursorsLoadFromTheSystemOrTheResourceTable) {
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  HINSTANCE self = reinterpret_cast<HINSTANCE>(1);
  EXPECT_EQ(LoadIconA(self, MAKEINTRESOURCEA(777)), nullptr);
}

}  // namespace
}  // namespace orvel::test
