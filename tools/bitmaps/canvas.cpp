#include "canvas.h"

#include <math.h>
#include <stdlib.h>

#include <map>

namespace orvel::bitmaps {
namespace {

// RGB of the standard 16-colour palette, in index order.
const uint8_t kPalette[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                 {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                 {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                 {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// 5 x 7 glyphs, one string of five columns' bits per row ('#' set).
const std::map<char, std::vector<std::string>>& Glyphs() {
  static const std::map<char, std::vector<std::string>> glyphs = {
      {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
      {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
      {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
      {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
      {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
      {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
      {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
      {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
      {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
      {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
      {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
      {'i', {"#", ".", "#", "#", "#", "#", "#"}},
      {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"}},
      {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
  };
  return glyphs;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// BITMAPINFOHEADER, the palette and the 4-bit rows, bottom-up; `height` is the header's height
// (twice the image's for an icon, whose AND mask follows).
void PutDib(std::vector<uint8_t>& out, const Canvas& c, int height) {
  const int stride = ((c.width() * 4 + 31) / 32) * 4;
  Put32(out, 40);
  Put32(out, c.width());
  Put32(out, height);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);
  Put32(out, stride * c.height());
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  for (const auto& rgb : kPalette) {
    out.push_back(rgb[2]);
    out.push_back(rgb[1]);
    out.push_back(rgb[0]);
    out.push_back(0);
  }
  for (int y = c.height() - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < c.width(); ++x) {
      row[x / 2] |= (x % 2 == 0) ? c.At(x, y) << 4 : c.At(x, y);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

bool InsidePolygon(const std::vector<Point>& pts, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
    const Point& a = pts[i];
    const Point& b = pts[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

}  // namespace

void Canvas::Set(int x, int y, uint8_t c) {
  if (x >= 0 && x < width_ && y >= 0 && y < height_) px_[y * width_ + x] = c;
}

void Canvas::Fill(int x0, int y0, int x1, int y1, uint8_t c) {
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
}

void Canvas::Ellipse(double cx, double cy, double rx, double ry, uint8_t c) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const double dx = (x + 0.5 - cx) / rx;
      const double dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) Set(x, y, c);
    }
  }
}

void Canvas::EllipseRing(double cx, double cy, double rx, double ry, double t, uint8_t c) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const double dx = (x + 0.5 - cx);
      const double dy = (y + 0.5 - cy);
      const double outer = (dx / rx) * (dx / rx) + (dy / ry) * (dy / ry);
      const double inner = (dx / (rx - t)) * (dx / (rx - t)) + (dy / (ry - t)) * (dy / (ry - t));
      if (outer <= 1.0 && inner > 1.0) Set(x, y, c);
    }
  }
}

void Canvas::Polygon(const std::vector<Point>& pts, uint8_t c) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (InsidePolygon(pts, x + 0.5, y + 0.5)) Set(x, y, c);
    }
  }
}

void Canvas::Outline(const std::vector<Point>& pts, uint8_t c) {
  for (size_t i = 0; i < pts.size(); ++i) {
    const Point& a = pts[i];
    const Point& b = pts[(i + 1) % pts.size()];
    Line(static_cast<int>(lround(a.x)), static_cast<int>(lround(a.y)),
         static_cast<int>(lround(b.x)), static_cast<int>(lround(b.y)), c);
  }
}

void Canvas::Line(int x0, int y0, int x1, int y1, uint8_t c) {
  const int dx = abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    Set(x0, y0, c);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void Canvas::Text(int x, int y, const std::string& text, uint8_t c) {
  for (char ch : text) {
    const auto& rows = Glyphs().at(ch);
    for (size_t r = 0; r < rows.size(); ++r) {
      for (size_t k = 0; k < rows[r].size(); ++k) {
        if (rows[r][k] == '#') Set(x + static_cast<int>(k), y + static_cast<int>(r), c);
      }
    }
    x += static_cast<int>(rows[0].size()) + 1;
  }
}

std::vector<Point> RegularPoints(double cx, double cy, double r, int n, double start) {
  std::vector<Point> pts;
  for (int i = 0; i < n; ++i) {
    const double a = (start + 360.0 * i / n) * M_PI / 180.0;
    pts.push_back({cx + r * cos(a), cy + r * sin(a)});
  }
  return pts;
}

std::vector<Point> StarPoints(double cx, double cy, double r, double ri, int n, double start) {
  std::vector<Point> pts;
  for (int i = 0; i < 2 * n; ++i) {
    const double a = (start + 180.0 * i / n) * M_PI / 180.0;
    const double rr = i % 2 == 0 ? r : ri;
    pts.push_back({cx + rr * cos(a), cy + rr * sin(a)});
  }
  return pts;
}

std::vector<uint8_t> EncodeBmp(const Canvas& canvas) {
  std::vector<uint8_t> dib;
  PutDib(dib, canvas, canvas.height());
  std::vector<uint8_t> out;
  Put16(out, 0x4D42);  // "BM"
  Put32(out, static_cast<uint32_t>(14 + dib.size()));
  Put32(out, 0);
  Put32(out, 14 + 40 + 16 * 4);
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

std::vector<uint8_t> EncodeIco(const Canvas& canvas, const std::vector<bool>& transparent) {
  std::vector<uint8_t> dib;
  PutDib(dib, canvas, canvas.height() * 2);
  const int maskStride = ((canvas.width() + 31) / 32) * 4;
  for (int y = canvas.height() - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int x = 0; x < canvas.width(); ++x) {
      if (transparent[y * canvas.width() + x]) row[x / 8] |= 0x80 >> (x % 8);
    }
    dib.insert(dib.end(), row.begin(), row.end());
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // an icon
  Put16(out, 1);  // one image
  out.push_back(static_cast<uint8_t>(canvas.width()));
  out.push_back(static_cast<uint8_t>(canvas.height()));
  out.push_back(16);  // colours
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, static_cast<uint32_t>(dib.size()));
  Put32(out, 6 + 16);
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

}  // namespace orvel::bitmaps
