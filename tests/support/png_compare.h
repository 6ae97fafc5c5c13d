// Reading PNG pictures and comparing them with a tolerance, for the golden-picture tests and
// the Wine screenshots.
#ifndef ORVEL_TESTS_SUPPORT_PNG_COMPARE_H
#define ORVEL_TESTS_SUPPORT_PNG_COMPARE_H

#include "gdi/surface.h"

#include <string>

namespace orvel::test {

// Reads an 8-bit RGB or RGBA PNG into a surface; false if the file is missing or unreadable.
bool ReadPng(const std::string& path, gdi::Surface* out);

struct Difference {
  bool sameSize = false;
  int pixels = 0;    // pixels in the region with some channel off by more than the tolerance
  int largest = 0;   // largest channel difference seen in the region
  gdi::Surface map;  // red where the pictures differ, the actual picture dimmed elsewhere
};

// Compares two pictures of the same size pixel by pixel within `region` (right and bottom
// excluded); channels may differ by up to `tolerance`.
Difference Compare(const gdi::Surface& expected, const gdi::Surface& actual, const RECT& region,
                   int tolerance);

}  // namespace orvel::test

#endif
