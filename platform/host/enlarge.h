// A window's picture larger than the window, keeping its shape, centred on black: the frames of
// a large render, and a resized or full-screen window.
//
// Where a whole multiple fills the frame's width or height, every window pixel becomes a k x k
// block (nearest neighbour). Elsewhere the picture is the window enlarged by the next larger
// whole multiple and smoothed down to the size that fits ("sharp bilinear"): inside a window
// pixel the colour stays flat and only the pixel's edges are blended, so text and the bars
// stay crisp at 1080p and 4K. Both are computed straight from the window's pixels through
// per-column and per-row tables, and only where the window changed.
#ifndef ORVEL_HOST_ENLARGE_H
#define ORVEL_HOST_ENLARGE_H

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "gdi/surface.h"

namespace orvel::host {

// Where the window's picture lies in a frame, all in frame pixels.
struct Layout {
  int frameWidth = 0, frameHeight = 0;
  int left = 0, top = 0;      // the enlarged picture's top-left corner
  int width = 0, height = 0;  // the enlarged picture's size
  int factor = 1;             // whole multiple; smoothed down when width != factor * window
  bool Enlarges(int windowWidth, int windowHeight) const {
    return frameWidth != windowWidth || frameHeight != windowHeight;
  }
};

// The layout of a window of `windowWidth` x `windowHeight` in a frame of `frameWidth` x
// `frameHeight` (0 x 0: the size that `scale` makes): `scale` > 0 asks for exactly that whole
// multiple, else the picture is as large as fits. False with *error when the multiple does not
// fit the size.
//
// A frame pixel (x, y) of the picture shows window pixel
// ((x - left) * windowWidth / width, (y - top) * windowHeight / height), rounded down.
bool MakeLayout(int windowWidth, int windowHeight, int frameWidth, int frameHeight, int scale,
                Layout* layout, std::string* error);

class Enlarger {
 public:
  Enlarger(int windowWidth, int windowHeight, const Layout& layout);

  // Brings the picture in `frame` (the layout's frame: 0x00RRGGBB pixels, `stride` pixels a
  // row) up to date where the window changed (`changed` in window pixels), and returns the
  // frame's rectangles that changed with it. The black around the picture is the caller's.
  std::vector<RECT> Update(const gdi::Surface& window, const std::vector<RECT>& changed,
                           uint32_t* frame, size_t stride);

 private:
  // For one output column (or row): the window pixel it starts from and how much of the next
  // one is blended in, 0..256.
  struct Tap {
    int source;
    int next;
  };
  std::vector<Tap> Taps(int windowSize, int size) const;
  void Blocks(const gdi::Surface& window, const RECT& r);
  void Smooth(const gdi::Surface& window, const RECT& out);

  Layout layout_;
  int windowWidth_, windowHeight_;
  std::vector<Tap> columns_, rows_;  // smoothing only
  uint32_t* frame_ = nullptr;        // during Update
  size_t stride_ = 0;
};

}  // namespace orvel::host

#endif
