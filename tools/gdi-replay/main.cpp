// gdi-replay SCRIPT OUT.bmp: draws a script of GDI calls on a memory surface and writes it as
// a 24-bit BMP. Exit codes: 0 written; 1 the script or the image file could not be read or
// written; 2 bad usage or a bad script line (reported with its line number, nothing written).
#include <windows.h>

#include <stdio.h>

#include <fstream>
#include <sstream>
#include <string>

#include "replay.h"
#include "script.h"

// What differs between the builds. Resources: on Windows the .exe's own, from replay.rc; the
// portable build keeps them in a table filled at start. The surface's format: a Windows memory
// DC starts with a monochrome bitmap, so the surface is made compatible with the screen; the
// portable layer's bitmaps are all 32-bit and it has no screen DC.
#ifdef _WIN32
static HINSTANCE ResourceModule() {
  return GetModuleHandleA(nullptr);
}
static HDC ScreenDC() {
  return GetDC(nullptr);
}
static void ReleaseScreenDC(HDC dc) {
  ReleaseDC(nullptr, dc);
}
#else
void RegisterReplayResources();
static HINSTANCE ResourceModule() {
  RegisterReplayResources();
  return nullptr;
}
static HDC ScreenDC() {
  return nullptr;
}
static void ReleaseScreenDC(HDC) {}
#endif

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: gdi-replay SCRIPT OUT.bmp\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) {
    fprintf(stderr, "gdi-replay: cannot read %s\n", argv[1]);
    return 1;
  }
  replay::Script script;
  replay::ParseError error;
  if (!replay::ParseScript(text.str(), &script, &error)) {
    fprintf(stderr, "%s:%d: %s\n", argv[1], error.line, error.message.c_str());
    return 2;
  }
  replay::Image image;
  HDC screen = ScreenDC();
  const bool drawn = replay::Run(script, ResourceModule(), screen, &image);
  if (screen != nullptr) ReleaseScreenDC(screen);
  if (!drawn) {
    fprintf(stderr, "gdi-replay: cannot make or read back a %dx%d surface\n", script.width,
            script.height);
    return 1;
  }
  if (!replay::WriteBmp24(image, argv[2])) {
    fprintf(stderr, "gdi-replay: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
