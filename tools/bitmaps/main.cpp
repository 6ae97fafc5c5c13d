// Draws Orvel's button pictures and icon and writes them as .bmp and .ico files into the
// directory given on the command line (resources/ in the source tree, where they are kept).
//
// The pictures are 40 x 20 (the clock's word 30 x 20), light figures on black: the buttons
// XOR them onto their face, so black leaves the face alone. A button shows the picture from
// (10, 5), so the figures sit in rows 1..15 around column 20; a keypad button is 15 x 15 and
// shows it from (3, 0), so its digit sits in the top-left corner.
#include <math.h>
#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "canvas.h"

using namespace orvel::bitmaps;

namespace {

Canvas Picture() {
  return Canvas(40, 20);
}

Canvas Stop() {
  Canvas c = Picture();
  c.Fill(14, 3, 25, 13, kWhite);
  return c;
}

Canvas Pause() {
  Canvas c = Picture();
  c.Fill(14, 3, 17, 13, kWhite);
  c.Fill(22, 3, 25, 13, kWhite);
  return c;
}

Canvas Play() {
  Canvas c = Picture();
  c.Polygon({{15, 2}, {15, 15}, {26, 8.5}}, kWhite);
  return c;
}

Canvas Next() {
  Canvas c = Picture();
  c.Polygon({{9, 3}, {9, 14}, {17, 8.5}}, kWhite);
  c.Polygon({{17, 3}, {17, 14}, {25, 8.5}}, kWhite);
  c.Fill(26, 3, 28, 13, kWhite);
  return c;
}

Canvas Prev() {
  Canvas c = Picture();
  c.Fill(11, 3, 13, 13, kWhite);
  c.Polygon({{22, 3}, {22, 14}, {14, 8.5}}, kWhite);
  c.Polygon({{30, 3}, {30, 14}, {22, 8.5}}, kWhite);
  return c;
}

Canvas Dots() {
  Canvas c = Picture();
  for (int x = 4; x < 37; x += 3) {
    const int y = static_cast<int>(lround(8 + 5 * sin((x - 4) * 0.35)));
    c.Fill(x, y, x + 1, y + 1, kLime);
  }
  return c;
}

Canvas Envelope() {
  Canvas c = Picture();
  int py = 8;
  for (int x = 4; x < 37; ++x) {
    const int y = static_cast<int>(lround(8 + 5 * sin((x - 4) * 0.3)));
    c.Line(x - 1, py, x, y, kAqua);
    py = y;
  }
  return c;
}

Canvas Extents() {
  Canvas c = Picture();
  c.Line(4, 8, 36, 8, kGrey);
  for (int x = 5; x < 36; x += 3) {
    const int h = static_cast<int>(lround(1 + 5 * fabs(sin(x * 0.4))));
    c.Line(x, 8 - h, x, 8 + h, kYellow);
  }
  return c;
}

Canvas ColourCycle() {
  Canvas c = Picture();
  c.Ellipse(11, 8, 5, 4, kRed);
  c.Ellipse(20, 6, 4, 4, kLime);
  c.Ellipse(29, 9, 5, 4, kBlue);
  c.Ellipse(20, 12, 3, 3, kYellow);
  c.Fill(5, 13, 6, 14, kFuchsia);
  c.Fill(34, 2, 35, 3, kAqua);
  c.Fill(25, 14, 26, 15, kWhite);
  c.Fill(14, 1, 15, 2, kYellow);
  return c;
}

Canvas Bars() {
  Canvas c = Picture();
  const int heights[] = {5, 9, 12, 8, 11, 6, 4, 7};
  for (int i = 0; i < 8; ++i) {
    const int x = 5 + 4 * i;
    c.Fill(x, 15 - heights[i], x + 2, 15, i % 2 ? kLime : kRed);
  }
  return c;
}

Canvas Circles() {
  Canvas c = Picture();
  c.Ellipse(14, 8.5, 6, 6, kYellow);
  c.Ellipse(27, 8.5, 5, 5, kAqua);
  return c;
}

Canvas Rings() {
  Canvas c = Picture();
  c.EllipseRing(14, 8.5, 6, 6, 2, kFuchsia);
  c.EllipseRing(27, 8.5, 5, 5, 2, kLime);
  return c;
}

Canvas Triangles() {
  Canvas c = Picture();
  c.Polygon(RegularPoints(13, 9, 7, 3, -90), kLime);
  c.Polygon(RegularPoints(27, 8, 6, 3, 90), kYellow);
  return c;
}

Canvas TriangleRings() {
  Canvas c = Picture();
  c.Outline(RegularPoints(13, 9, 7, 3, -90), kAqua);
  c.Outline(RegularPoints(27, 8, 6, 3, 90), kWhite);
  return c;
}

Canvas Star() {
  Canvas c = Picture();
  c.Polygon(StarPoints(20, 8.5, 8, 4, 6, -90), kYellow);
  return c;
}

Canvas StarRing() {
  Canvas c = Picture();
  c.Outline(StarPoints(20, 8.5, 8, 4, 6, -90), kWhite);
  return c;
}

Canvas Random() {
  Canvas c = Picture();
  c.Ellipse(9, 8, 5, 3, kRed);
  c.EllipseRing(20, 5, 4, 4, 1.5, kAqua);
  c.Polygon(RegularPoints(20, 12, 4, 3, -90), kLime);
  c.Polygon(RegularPoints(31, 8, 5, 3, 90), kYellow);
  return c;
}

Canvas Gauge() {
  Canvas c = Picture();
  c.Outline({{5, 4}, {34, 4}, {34, 13}, {5, 13}}, kSilver);
  c.Fill(7, 6, 24, 11, kRed);
  return c;
}

Canvas Sphere() {
  Canvas c = Picture();
  c.EllipseRing(20, 8.5, 10, 7.5, 1, kWhite);
  for (int k = -1; k <= 1; ++k) c.EllipseRing(20, 8.5, 4 + 5 * (k + 1) / 1.5, 7.5, 1, kSilver);
  c.Line(11, 5, 29, 5, kSilver);
  c.Line(10, 8, 30, 8, kSilver);
  c.Line(11, 12, 29, 12, kSilver);
  return c;
}

Canvas Digit(char d) {
  Canvas c = Picture();
  c.Text(2, 4, std::string(1, d), kWhite);
  return c;
}

Canvas Time() {
  Canvas c(30, 20);
  c.Text(6, 5, "Time", kWhite);
  return c;
}

// Pictures kept with the others but used by no button.
Canvas Disc() {
  Canvas c = Picture();
  c.Ellipse(20, 8.5, 7, 7, kSilver);
  c.Ellipse(20, 8.5, 2, 2, kBlack);
  return c;
}

Canvas Note() {
  Canvas c = Picture();
  c.Ellipse(17, 12, 3, 2, kWhite);
  c.Line(19, 3, 19, 12, kWhite);
  c.Line(19, 3, 23, 6, kWhite);
  return c;
}

Canvas Dash() {
  Canvas c = Picture();
  c.Fill(14, 8, 25, 9, kGrey);
  return c;
}

// The icon: a grey compact disc with coloured dots, and a small blue level meter.
Canvas Icon(std::vector<bool>* transparent) {
  Canvas c(32, 32);
  c.Ellipse(14, 14, 13.5, 13.5, kSilver);
  c.EllipseRing(14, 14, 10, 10, 1, kGrey);
  c.Ellipse(14, 14, 4, 4, kGrey);
  c.Ellipse(14, 14, 2, 2, kBlack);
  c.Fill(7, 6, 8, 7, kRed);
  c.Fill(20, 7, 21, 8, kLime);
  c.Fill(6, 18, 7, 19, kYellow);
  c.Fill(18, 21, 19, 22, kFuchsia);
  c.Fill(11, 4, 12, 5, kAqua);
  const int heights[] = {4, 7, 5, 9};
  for (int i = 0; i < 4; ++i) c.Fill(22 + 2 * i, 31 - heights[i], 22 + 2 * i, 31, kBlue);
  transparent->assign(32 * 32, false);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const double dx = x + 0.5 - 14, dy = y + 0.5 - 14;
      const bool onDisc = dx * dx + dy * dy <= 13.5 * 13.5;
      const bool onMeter = x >= 22 && c.At(x, y) == kBlue;
      (*transparent)[y * 32 + x] = !onDisc && !onMeter;
    }
  }
  return c;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUTPUT-DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  struct Entry {
    int id;
    std::function<Canvas()> draw;
  };
  const std::vector<Entry> entries = {
      {2, Stop},      {3, Pause},    {4, Play},       {5, Next},           {6, Prev},
      {7, Dots},      {8, Envelope}, {9, Extents},    {10, ColourCycle},   {11, Bars},
      {12, Circles},  {13, Rings},   {14, Triangles}, {15, TriangleRings}, {16, Star},
      {17, StarRing}, {18, Random},  {19, Gauge},     {20, Disc},          {21, Note},
      {22, Sphere},   {33, Dash},    {34, Time},
  };
  bool ok = true;
  for (const Entry& e : entries) {
    ok &= WriteFile(dir + "/bitmap" + std::to_string(e.id) + ".bmp", EncodeBmp(e.draw()));
  }
  const char digits[] = "1234567890";
  for (int k = 0; k < 10; ++k) {
    ok &= WriteFile(dir + "/bitmap" + std::to_string(23 + k) + ".bmp", EncodeBmp(Digit(digits[k])));
  }
  std::vector<bool> transparent;
  const Canvas icon = Icon(&transparent);
  ok &= WriteFile(dir + "/orvel.ico", EncodeIco(icon, transparent));
  if (!ok) {
    fprintf(stderr, "%s: could not write the pictures into %s\n", argv[0], dir.c_str());
    return 1;
  }
  return 0;
}
