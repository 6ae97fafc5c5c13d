// A tiny 16-colour paint box for the button pictures and the icon: palette indices in a
// top-down grid, with the few shapes the pictures are made of, and writers for 4-bit BMP and
// ICO files.
#ifndef ORVEL_TOOLS_BITMAPS_CANVAS_H
#define ORVEL_TOOLS_BITMAPS_CANVAS_H

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

namespace orvel::bitmaps {

// Indices of the standard 16-colour palette (the one Windows gives a 16-colour bitmap).
enum Colour : uint8_t {
  kBlack = 0,
  kMaroon = 1,
  kGreen = 2,
  kOlive = 3,
  kNavy = 4,
  kPurple = 5,
  kTeal = 6,
  kGrey = 7,
  kSilver = 8,
  kRed = 9,
  kLime = 10,
  kYellow = 11,
  kBlue = 12,
  kFuchsia = 13,
  kAqua = 14,
  kWhite = 15,
};

struct Point {
  double x, y;
};

class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), px_(width * height, kBlack) {}

  int width() const { return width_; }
  int height() const { return height_; }
  uint8_t At(int x, int y) const { return px_[y * width_ + x]; }

  void Set(int x, int y, uint8_t c);
  // Fills [x0, x1] x [y0, y1], both ends included.
  void Fill(int x0, int y0, int x1, int y1, uint8_t c);
  // Every pixel whose centre lies inside the ellipse with centre (cx, cy) and radii rx, ry.
  void Ellipse(double cx, double cy, double rx, double ry, uint8_t c);
  // The band between two concentric ellipses (outer radii rx, ry; thickness t).
  void EllipseRing(double cx, double cy, double rx, double ry, double t, uint8_t c);
  // Every pixel whose centre lies inside the polygon (even-odd rule).
  void Polygon(const std::vector<Point>& pts, uint8_t c);
  // The closed outline of a polygon, one pixel wide.
  void Outline(const std::vector<Point>& pts, uint8_t c);
  // A straight line, both ends included.
  void Line(int x0, int y0, int x1, int y1, uint8_t c);
  // Text in a 5 x 7 pixel font (digits and the letters of "Time"), 1 pixel apart; top-left at
  // (x, y).
  void Text(int x, int y, const std::string& text, uint8_t c);

 private:
  int width_, height_;
  std::vector<uint8_t> px_;
};

// A regular polygon or star: n points on a circle of radius r around (cx, cy), starting at
// angle `start` degrees (0 = right, 90 = down).
std::vector<Point> RegularPoints(double cx, double cy, double r, int n, double start);
// A star with n outer points at radius r and inner points at radius ri.
std::vector<Point> StarPoints(double cx, double cy, double r, double ri, int n, double start);

// A 4-bit BMP file (the standard palette, bottom-up rows padded to 4 bytes).
std::vector<uint8_t> EncodeBmp(const Canvas& canvas);
// A one-image 4-bit ICO file; `transparent` marks the pixels of the AND mask.
std::vector<uint8_t> EncodeIco(const Canvas& canvas, const std::vector<bool>& transparent);

}  // namespace orvel::bitmaps

#endif
