// Reading a Windows .ico file (as the resource table keeps icons) into 32-bit pixels, for the
// SDL2 host's window icons.
#ifndef ORVEL_HOST_ICON_H
#define ORVEL_HOST_ICON_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace orvel::host {

struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;  // row-major, top row first, 0xAARRGGBB; transparent where masked
};

// Decodes the largest image of the file (1, 4, 8, 24 or 32 bits a pixel, with its AND mask).
// False for anything else, or for a file that is cut short.
bool DecodeIcon(const unsigned char* data, size_t size, IconImage* out);

}  // namespace orvel::host

#endif
