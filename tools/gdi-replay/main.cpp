// gdi-replay SCRIPT OUT.bmp: draws a script of GDI calls on a memory surface and writes it as
// a 24-bit BMP. Exit codes: 0 written; 1 the script or the image file could not be read or
// written; 2 bad usage, a script over the size limit or a bad script line (reported with its
// line number, nothing written).
#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>

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

static const char kUsage[] =
    "usage: gdi-replay SCRIPT OUT.bmp\n"
    "Draws a script of GDI calls (one a line) on a black memory surface and writes it as a\n"
    "24-bit BMP. Scripts are at most %lu bytes, lines at most %lu bytes. A line that deletes\n"
    "the surface's DC (`DeleteDC dc`) or its bitmap is refused like any bad line: the surface\n"
    "is read back at the end.\n"
    "Exit codes: 0 written; 1 the script or the image cannot be read or written; 2 bad usage,\n"
    "a script over the size limit, or a bad line (its number on standard error, nothing\n"
    "written).\n";

enum class ReadResult { kRead, kUnreadable, kTooLarge };

// Reads at most one byte more than a script may have, so that an endless input (a device, a
// pipe) is refused by its size instead of being read without end.
static ReadResult ReadScript(const char* path, std::string* text, int* error) {
  FILE* f = fopen(path, "rb");
  if (f == nullptr) {
    *error = errno;
    return ReadResult::kUnreadable;
  }
  char buffer[1 << 16];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
    text->append(buffer, n);
    if (text->size() > replay::kMaxScriptBytes) {
      fclose(f);
      return ReadResult::kTooLarge;
    }
  }
  *error = errno;
  const bool failed = ferror(f) != 0;
  fclose(f);
  return failed ? ReadResult::kUnreadable : ReadResult::kRead;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, kUsage, static_cast<unsigned long>(replay::kMaxScriptBytes),
            static_cast<unsigned long>(replay::kMaxLineBytes));
    return 2;
  }
  std::string text;
  int error = 0;
  switch (ReadScript(argv[1], &text, &error)) {
    case ReadResult::kRead:
      break;
    case ReadResult::kUnreadable:
      fprintf(stderr, "gdi-replay: cannot read %s: %s\n", argv[1], strerror(error));
      return 1;
    case ReadResult::kTooLarge:
      fprintf(stderr, "gdi-replay: %s is larger than %lu bytes, the most a script may have\n",
              argv[1], static_cast<unsigned long>(replay::kMaxScriptBytes));
      return 2;
  }
  replay::Script script;
  replay::ParseError bad;
  if (!replay::ParseScript(text, &script, &bad)) {
    fprintf(stderr, "%s:%d: %s\n", argv[1], bad.line, bad.message.c_str());
    return 2;
  }
  replay::Image image;
  HDC screen = ScreenDC();
  const replay::Outcome outcome = replay::Run(script, ResourceModule(), screen, &image, &bad);
  if (screen != nullptr) ReleaseScreenDC(screen);
  if (outcome == replay::Outcome::kRefused) {
    fprintf(stderr, "%s:%d: %s\n", argv[1], bad.line, bad.message.c_str());
    return 2;
  }
  if (outcome == replay::Outcome::kNoSurface) {
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
