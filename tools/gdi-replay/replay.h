// Runs a parsed gdi-replay script with Win32 GDI calls and reads the surface back.
#ifndef ORVEL_TOOLS_GDI_REPLAY_REPLAY_H
#define ORVEL_TOOLS_GDI_REPLAY_REPLAY_H

#include <windows.h>

#include <stdint.h>

#include <vector>

#include "script.h"

namespace replay {

// The surface after the script: width x height pixels, top row first, each 0x00RRGGBB.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// What became of a replay.
enum class Outcome {
  kDrawn,      // `image` holds the surface
  kRefused,    // a line would have destroyed the surface; `error` names it, `image` is unset
  kNoSurface,  // the surface itself could not be made or read back
};

// Draws `script` on a new black surface in the format of `reference` (a DC, or null for a
// memory DC's own). `instance` is the module that LoadBitmapA looks in. The calls' own results
// are kept for later lines, never judged, except that a line deleting the surface's DC or
// bitmap is refused. Every object the script created is deleted before returning.
Outcome Run(const Script& script, HINSTANCE instance, HDC reference, Image* image,
            ParseError* error);

// Writes a 24-bit bottom-up BMP. False, leaving no file, on any failure.
bool WriteBmp24(const Image& image, const char* path);

}  // namespace replay

#endif
