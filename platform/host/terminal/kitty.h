// The picture in the kitty graphics protocol: one image, sent whole (zlib-compressed 24-bit
// RGB) when the terminal does not show it yet, and afterwards only the rectangles that
// changed, written into the image's frame in place.
#ifndef ORVEL_HOST_TERMINAL_KITTY_H
#define ORVEL_HOST_TERMINAL_KITTY_H

#include <string>

#include "host/terminal/fit.h"

namespace orvel::terminal {

// The image's id: the program's one image in the terminal.
constexpr int kKittyImage = 0x4F72;

// Appends to *out the commands that make the terminal show `next` where it showed `sent`
// (empty or of another size: nothing yet), placed at the fit's first cell. Responses are
// turned off (q=2).
void EncodeKitty(const Fit& fit, const Shown& sent, const Shown& next, std::string* out);

}  // namespace orvel::terminal

#endif
