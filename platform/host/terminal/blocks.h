// The picture as truecolour half-block cells: each text cell shows two pixels one above the
// other, the upper one as the foreground of U+2580 (upper half block) and the lower one as its
// background (or a space, a full block or a lower half block where that needs fewer colour
// changes).
#ifndef ORVEL_HOST_TERMINAL_BLOCKS_H
#define ORVEL_HOST_TERMINAL_BLOCKS_H

#include <string>

#include "host/terminal/fit.h"

namespace orvel::terminal {

// Every shown pixel: what EncodeBlocks looks at when it is not told where the picture changed.
constexpr Area kWholePicture{0, 0, 1 << 30, 1 << 30};

// Appends to *out the bytes that turn the terminal's cells from showing *sent into showing
// `next` (a fit with cells of 1 x 2 pixels): cursor moves, colours and one character per
// changed cell, and makes *sent what the terminal then shows. An empty or differently sized
// *sent means that the terminal shows nothing of the picture yet: every cell is drawn. A lower
// half past the picture's last row is black.
//
// Only the cells that show pixels of `changed` (shown pixels) are compared; the caller
// promises that `next` equals what it was at the last call everywhere else, so that a frame
// costs what changed, not the whole picture.
//
// With a `tolerance` above 0 (0..255), a pixel is shown in a colour that differs from its own
// by at most that much in each channel where this saves bytes: a cell is left as it is, or
// drawn with the colours already set, when they are that near.
void EncodeBlocks(const Fit& fit, const Shown& next, int tolerance, Shown* sent, std::string* out,
                  const Area& changed = kWholePicture);

}  // namespace orvel::terminal

#endif
