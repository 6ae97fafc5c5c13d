// shot-compare: holds screenshots of the Windows build (under Wine) against the portable
// build's, both 561 x 411 client areas taken after the same steps.
//
//   shot-compare chrome WINE.png PORTABLE.png
//     Everything outside the display area and the text must be identical, pixel for pixel.
//     Text must keep its ink inside its box in both. The scroll bar is held to its thumb.
//   shot-compare bars|gauge|extents WINE1.png,WINE2.png,... PORTABLE1.png,PORTABLE2.png,...
//     The display of a steady tone, measured on every shot; the medians of the two builds
//     must agree within the tolerance printed.
//   shot-compare shows bars|gauge|extents SHOT.png
//     Whether the shot shows that display (exit code 0) or not (1): what the tests wait for
//     after clicking its button.
//
// Every difference found is printed; exit code 0 when all agree, 1 otherwise, 2 bad usage or
// an unreadable picture.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/state.h"
#include "png_compare.h"

namespace {

using orvel::gdi::Surface;

constexpr int kWidth = 561, kHeight = 411;

struct Box {
  int left, top, right, bottom;  // right and bottom excluded
  bool Holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The display area, which shows the sound and so is compared by measure, not by pixel.
constexpr Box kDisplay = {kDisplayArea.left, kDisplayArea.top, kDisplayArea.right,
                          kDisplayArea.bottom};

// Text: each font engine puts its own edges on the glyphs (Wine's and FreeType's hinting and
// antialiasing differ), so text is held to its ink box, not to its pixels. The box is where
// the text may draw; `minInk` is the least ink it must show there.
enum class Ink { kDark, kYellow, kGreen };  // on the light panel; the title; on black
struct Text {
  const char* name;
  Box box;
  Ink ink;
  int minInk;
};
constexpr Text kTexts[] = {
    {"title", {425, 0, 557, 40}, Ink::kYellow, 300},
    {"speed label", {345, 368, 470, 386}, Ink::kDark, 100},
    {"track number", {370, 48, 470, 76}, Ink::kGreen, 4},
};

// The scroll bar: Wine draws its own look (light faces, chevron arrows) where the portable
// layer draws the classic one (grey faces, solid triangles), so only the thumb's place, the
// setting a user reads, is compared.
constexpr Box kScrollBar = {345, 386, 470, 396};

int Red(uint32_t p) {
  return static_cast<int>(p >> 16 & 0xFF);
}
int Green(uint32_t p) {
  return static_cast<int>(p >> 8 & 0xFF);
}
int Blue(uint32_t p) {
  return static_cast<int>(p & 0xFF);
}

bool Load(const std::string& path, Surface* out) {
  if (!orvel::test::ReadPng(path, out)) {
    fprintf(stderr, "shot-compare: cannot read %s\n", path.c_str());
    return false;
  }
  if (out->width != kWidth || out->height != kHeight) {
    fprintf(stderr, "shot-compare: %s is %dx%d, not %dx%d\n", path.c_str(), out->width, out->height,
            kWidth, kHeight);
    return false;
  }
  return true;
}

bool InText(int x, int y) {
  for (const Text& t : kTexts) {
    if (t.box.Holds(x, y)) return true;
  }
  return false;
}

// Ink that strays outside a text's box differs from the other build's plain panel there and
// is caught by the chrome comparison; inside the box, each build must show the text's ink.
// Returns the problems found.
int CheckText(const Text& t, const Surface& a, const Surface& b) {
  int problems = 0;
  int inkA = 0, inkB = 0;
  for (int y = t.box.top; y < t.box.bottom; ++y) {
    for (int x = t.box.left; x < t.box.right; ++x) {
      auto ink = [&t](uint32_t p) {
        switch (t.ink) {
          case Ink::kDark:
            return Red(p) + Green(p) < 150;
          case Ink::kYellow:
            return Red(p) > 200 && Green(p) > 200 && Blue(p) < 100;
          case Ink::kGreen:
            return Green(p) > 150 && Blue(p) > 100 && Red(p) < 60;
        }
        return false;
      };
      inkA += ink(a.At(x, y));
      inkB += ink(b.At(x, y));
    }
  }
  for (int side = 0; side < 2; ++side) {
    const int ink = side == 0 ? inkA : inkB;
    if (ink < t.minInk) {
      printf("text %s: only %d ink pixels in its box in the %s shot (at least %d)\n", t.name, ink,
             side == 0 ? "Wine" : "portable", t.minInk);
      ++problems;
    }
  }
  return problems;
}

int ThumbLeft(const Surface& s) {
  // The thumb is the light run inside the black track, on the bar's middle row.
  const int y = (kScrollBar.top + kScrollBar.bottom) / 2;
  for (int x = kScrollBar.left + 12; x < kScrollBar.right - 12; ++x) {
    const uint32_t p = s.At(x, y);
    if (Red(p) > 100 && Red(p) == Green(p)) return x;
  }
  return -1;
}

int CompareChrome(const std::string& wine, const std::string& portable) {
  Surface a, b;
  if (!Load(wine, &a) || !Load(portable, &b)) return 2;
  int differing = 0;
  Box first = {kWidth, kHeight, 0, 0};
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (kDisplay.Holds(x, y) || InText(x, y) || kScrollBar.Holds(x, y)) continue;
      if (a.At(x, y) == b.At(x, y)) continue;
      ++differing;
      first = {std::min(first.left, x), std::min(first.top, y), std::max(first.right, x + 1),
               std::max(first.bottom, y + 1)};
    }
  }
  int problems = 0;
  if (differing > 0) {
    printf("chrome: %d pixels differ, within (%d,%d)-(%d,%d)\n", differing, first.left, first.top,
           first.right, first.bottom);
    ++problems;
  }
  for (const Text& t : kTexts) problems += CheckText(t, a, b);
  const int thumbA = ThumbLeft(a), thumbB = ThumbLeft(b);
  if (thumbA < 0 || thumbA != thumbB) {
    printf("scroll bar: the thumb starts at x %d under Wine and %d in the portable build\n", thumbA,
           thumbB);
    ++problems;
  }
  if (problems == 0) printf("chrome identical; text in its boxes; thumb at x %d\n", thumbA);
  return problems == 0 ? 0 : 1;
}

// One measure of a display, per shot.
using Measure = std::vector<int> (*)(const Surface&);

bool Lit(uint32_t p) {
  return (p & 0xFFFFFF) != 0;
}

// Bars 1..31: the height of the first lit row above the bottom (the peak marker, or the bar's
// top where the marker is lower).
std::vector<int> BarHeights(const Surface& s) {
  std::vector<int> heights;
  for (int i = 1; i <= 31; ++i) {
    const int x = i * 16 + 20 + 2;
    int height = 0;
    for (int y = kDisplay.top; y < kDisplay.bottom; ++y) {
      if (Lit(s.At(x, y))) {
        height = kDisplay.bottom - y;
        break;
      }
    }
    heights.push_back(height);
  }
  return heights;
}

// The gauge: how far its red bar reaches along the middle of the well.
std::vector<int> GaugeReach(const Surface& s) {
  int reach = 0;
  for (int x = 30; x < 530; ++x) {
    const uint32_t p = s.At(x, 206);
    if (Red(p) > 100 && Green(p) == 0 && Blue(p) == 0) reach = x - 30;
  }
  return {reach};
}

// The extents: the tallest vertical line among the 64 sample columns, and the lit pixels of
// all of them.
std::vector<int> Extents(const Surface& s) {
  int tallest = 0, total = 0;
  for (int i = 0; i < 64; ++i) {
    const int x = 20 + 8 * i;
    if (x >= kDisplay.right) break;
    int lit = 0;
    for (int y = kDisplay.top; y < kDisplay.bottom; ++y) lit += Lit(s.At(x, y));
    tallest = std::max(tallest, lit);
    total += lit;
  }
  return {tallest, total};
}

struct Kind {
  const char* name;
  Measure measure;
  std::vector<const char*> labels;  // one per value; empty: "bar N"
  std::vector<int> tolerance;       // per value; one entry: the same for all
  bool lowest;                      // the lowest of the shots, not their median
};

int Statistic(std::vector<int> v, bool lowest) {
  std::sort(v.begin(), v.end());
  return lowest ? v.front() : v[v.size() / 2];
}

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream in(list);
  std::string item;
  while (std::getline(in, item, ',')) {
    if (!item.empty()) out.push_back(item);
  }
  return out;
}

// Each value's statistic over the shots; false if a shot cannot be read.
bool Medians(const Kind& kind, const std::string& list, std::vector<int>* out) {
  std::vector<std::vector<int>> values;
  for (const std::string& path : Split(list)) {
    Surface s;
    if (!Load(path, &s)) return false;
    const std::vector<int> v = kind.measure(s);
    values.resize(v.size());
    for (size_t k = 0; k < v.size(); ++k) values[k].push_back(v[k]);
  }
  if (values.empty()) {
    fprintf(stderr, "shot-compare: no shots in '%s'\n", list.c_str());
    return false;
  }
  out->clear();
  for (const auto& v : values) out->push_back(Statistic(v, kind.lowest));
  return true;
}

int CompareDisplay(const Kind& kind, const std::string& wine, const std::string& portable) {
  std::vector<int> a, b;
  if (!Medians(kind, wine, &a) || !Medians(kind, portable, &b)) return 2;
  int problems = 0;
  for (size_t k = 0; k < a.size(); ++k) {
    const int tolerance = kind.tolerance[std::min(k, kind.tolerance.size() - 1)];
    const std::string label = kind.labels.empty() ? "bar " + std::to_string(k + 1) : kind.labels[k];
    const bool ok = abs(a[k] - b[k]) <= tolerance;
    if (!ok || k < 4) {
      printf("%s %s: Wine %d, portable %d (tolerance %d)%s\n", kind.name, label.c_str(), a[k], b[k],
             tolerance, ok ? "" : "  DIFFERENT");
    }
    problems += !ok;
  }
  return problems == 0 ? 0 : 1;
}

// Whether a shot shows the display: what sets each apart from the other two and from the
// sphere of start-up. Every bar stands on the display's bottom row, which the others never
// reach; the gauge's bar is pure red along the middle of its well; the extents are lines in
// the sample columns, 8 pixels apart from x = 20, where nothing else keeps to.
int Shows(const std::string& what, const std::string& path) {
  Surface s;
  if (!Load(path, &s)) return 2;
  int bottom = 0, lit = 0, stray = 0;
  for (int y = kDisplay.top; y < kDisplay.bottom; ++y) {
    for (int x = kDisplay.left; x < kDisplay.right; ++x) {
      if (!Lit(s.At(x, y))) continue;
      ++lit;
      stray += (x - kDisplay.left) % 8 > 3;
      bottom += y == kDisplay.bottom - 1;
    }
  }
  const bool bars = bottom >= 100;
  if (what == "bars") return bars ? 0 : 1;
  if (what == "gauge") return !bars && GaugeReach(s)[0] > 0 ? 0 : 1;
  if (what == "extents") return lit > 0 && stray == 0 ? 0 : 1;
  fprintf(stderr, "shot-compare: unknown display '%s'\n", what.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr,
            "usage: shot-compare chrome WINE.png PORTABLE.png\n"
            "       shot-compare bars|gauge|extents WINE.png,... PORTABLE.png,...\n"
            "       shot-compare shows bars|gauge|extents SHOT.png\n");
    return 2;
  }
  const std::string what = argv[1];
  if (what == "chrome") return CompareChrome(argv[2], argv[3]);
  if (what == "shows") return Shows(argv[2], argv[3]);
  // Tolerances in pixels of the display: a steady tone still reaches the app with a different
  // phase in every frame, so bars and lines move a little from shot to shot. The gauge holds
  // its highest level and lets it fall slowly, so one frame that reaches the app garbled (as
  // some do under Wine) lifts it for a second: its steady level is the lowest of the shots.
  // The extents carry the one difference of the capture paths: PulseAudio's 8-bit samples
  // (Wine) are scaled by 127 and rounded, the portable ones by 128 and rounded down, so a
  // portable line may stand a step taller at each end: up to 2 pixels in each of 64 columns.
  const Kind kinds[] = {
      {"bars", BarHeights, {}, {12}, false},
      {"gauge", GaugeReach, {"reach"}, {8}, true},
      {"extents", Extents, {"tallest line", "lit pixels"}, {3, 260}, false},
  };
  for (const Kind& kind : kinds) {
    if (what == kind.name) return CompareDisplay(kind, argv[2], argv[3]);
  }
  fprintf(stderr, "shot-compare: unknown comparison '%s'\n", what.c_str());
  return 2;
}
