// The picture as sixel graphics (DEC VT340, xterm, foot, mlterm, WezTerm...): the changed
// rectangles, each widened to whole cells and drawn where its first cell is. Colours come from
// a fixed 6 x 6 x 6 cube, so each channel is within 26 of the picture's (255 / 10, rounded
// up); registers are set only for the colours that an image uses.
#ifndef ORVEL_HOST_TERMINAL_SIXEL_H
#define ORVEL_HOST_TERMINAL_SIXEL_H

#include <stdint.h>

#include <string>

#include "host/terminal/fit.h"

namespace orvel::terminal {

// The colour that sixel shows for a pixel: each channel the nearest of 0, 51, ..., 255.
uint32_t SixelColour(uint32_t pixel);

// Appends to *out the images that make the terminal show `next` where it showed `sent` (empty
// or of another size: nothing yet), each a rectangle of whole cells (the last ones may be
// cut by the picture's edge) drawn with a transparent background so that it covers exactly
// its pixels.
void EncodeSixel(const Fit& fit, const Shown& sent, const Shown& next, std::string* out);

}  // namespace orvel::terminal

#endif
