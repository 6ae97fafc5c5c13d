// Writes the message box that the window layer draws, as the headless host holds it, to
// standard output as a binary PPM (P6): the browser test compares the page's box with it.
//
//   message_box_picture CAPTION TEXT > box.ppm
#include <windows.h>

#include <stdio.h>

#include <string>

#include "host/headless.h"
#include "host/hosts.h"
#include "kernel/clock.h"
#include "user/host.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: message_box_picture CAPTION TEXT > box.ppm\n");
    return 2;
  }
  orvel::clock::Use(orvel::clock::Mode::kVirtual);
  orvel::host::UseHeadless();
  std::string picture;
  // The box has drawn itself by the time the clock moves on; then it is taken and answered.
  orvel::clock::ScheduleAt(1'000'000, [&picture] {
    HWND box = orvel::headless::ActiveDialog();
    const orvel::gdi::Surface* s = orvel::headless::WindowSurface(box);
    if (s == nullptr) return;
    picture = "P6\n" + std::to_string(s->width) + " " + std::to_string(s->height) + "\n255\n";
    for (int i = 0; i < s->width * s->height; ++i) {
      const uint32_t p = s->pixels[static_cast<size_t>(i)];
      picture += {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
    }
    orvel::headless::Key(box, VK_RETURN);
  });
  if (orvel::user::ShowDrawnMessageBox(nullptr, argv[2], argv[1]) != IDOK || picture.empty()) {
    fprintf(stderr, "message_box_picture: the box was not shown\n");
    return 1;
  }
  return fwrite(picture.data(), 1, picture.size(), stdout) == picture.size() ? 0 : 1;
}
