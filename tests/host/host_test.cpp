#include <stdlib.h>
#include <stdio.h>
#include <unistd.h>

#include <windows.h>

#include "../user/fixture.h"

namespace orvel::test {
namespace {

using HeadlessHost = WindowTest;

TEST_F(HeadlessHost, InputFromAClockCallbackIsHandledWhileTheLoopWaits) {
  HWND main = MainWindow();
  HWND button = OwnerDrawButton(main, 20, 8, 60, 25);
  clock::ScheduleAt(2'000'000, [main] {
    EXPECT_EQ(headless::TopLevelWindows(), std::vector<HWND>{main});
    headless::Click(main, 30, 15);
  });
  RunUntil(3'000'000);
  auto commands = Only(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HWND>(commands[0].lParam), button);
  EXPECT_EQ(commands[0].micros, 2'000'000);
}

TEST_F(HeadlessHost, SavesAWindowAsPng) {
  HWND main = MainWindow();
  Drain();
  char path[] = "/tmp/orvel-host-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  ASSERT_TRUE(headless::SaveWindow(main, path));
  FILE* f = fopen(path, "rb");
  ASSERT_NE(f, nullptr);
  unsigned char magic[8] = {};
  ASSERT_EQ(fread(magic, 1, 8, f), 8u);
  fclose(f);
  unlink(path);
  EXPECT_EQ(magic[1], 'P');
  EXPECT_EQ(magic[2], 'N');
  EXPECT_EQ(magic[3], 'G');
  EXPECT_FALSE(headless::SaveWindow(nullptr, path));
  EXPECT_EQ(headless::WindowSurface(nullptr), nullptr);
}

TEST_F(HeadlessHost, KeysReachTheWindowAsKeyDownAndUp) {
  HWND main = MainWindow();
  Drain();
  Log().clear();
  headless::Key(main, VK_SPACE);
  Drain();
  ASSERT_EQ(Only(WM_KEYDOWN).size(), 1u);
  EXPECT_EQ(Only(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>(VK_SPACE));
  EXPECT_EQ(Only(WM_KEYUP).size(), 1u);
}

TEST(SdlHost, WithoutADisplaySaysSoAndNamesTheWayOut) {
  const char* display = getenv("DISPLAY");
  std::string saved = display ? display : "";
  const char* wayland = getenv("WAYLAND_DISPLAY");
  std::string savedWayland = wayland ? wayland : "";
  const char* driver = getenv("SDL_VIDEODRIVER");
  std::string savedDriver = driver ? driver : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  std::string error;
  EXPECT_FALSE(host::UseSdl(&error));
  EXPECT_EQ(error.rfind("no display available: ", 0), 0u) << error;
  EXPECT_NE(error.find("--headless"), std::string::npos) << error;
  if (display) setenv("DISPLAY", saved.c_str(), 1);
  if (wayland) setenv("WAYLAND_DISPLAY", savedWayland.c_str(), 1);
  if (driver) setenv("SDL_VIDEODRIVER", savedDriver.c_str(), 1);
}

}  // namespace
}  // namespace orvel::test
