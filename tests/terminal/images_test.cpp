// Sixel and kitty pictures decoded here as a terminal would and compared with the picture:
// kitty exactly, sixel within the colour cube's rounding (26 a channel), the whole picture
// first and then only what changed. And what the terminal's answers say it can show.
#include <gtest/gtest.h>
#include <zlib.h>

#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/terminal/detect.h"
#include "host/terminal/kitty.h"
#include "host/terminal/sixel.h"

namespace orvel::terminal {
namespace {

constexpr uint32_t kUnset = 0xFF000000u;

// A picture of flat rectangles over noise, and a next frame with two areas redrawn.
Shown Picture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  Shown shown{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  for (uint32_t& p : shown.pixels) p = random() & 0xFFFFFFu;
  for (int y = height / 4; y < height / 2; ++y) {
    for (int x = 0; x < width; ++x) shown.pixels[static_cast<size_t>(y) * width + x] = 0x2AB0E2;
  }
  return shown;
}
Shown Redrawn(Shown shown) {
  for (int y = 3; y < 9; ++y) {
    for (int x = 20; x < 31; ++x)
      shown.pixels[static_cast<size_t>(y) * shown.width + x] ^= 0x808080;
  }
  shown.pixels.back() = 0x00FF00;
  return shown;
}

std::string Unbase64(const std::string& text) {
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* at = c == '=' ? nullptr : strchr(digits, c);
    if (at == nullptr) continue;
    bits = bits << 6 | static_cast<uint32_t>(at - digits);
    if ((count += 6) >= 8) out.push_back(static_cast<char>(bits >> (count -= 8)));
  }
  return out;
}

// A kitty terminal's view of one image: commands transmit it whole (a=T) or write rectangles
// into its frame (a=f); payloads come in chunks (m=1 until the last). As kitty does, a chunk
// is taken by its own action: a frame's later chunks must say a=f again.
struct KittyImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;

  void Apply(const std::string& bytes) {
    std::map<std::string, int> keys;  // the command's, from its first chunk
    std::string payload;
    bool more = false;  // the next chunk goes on with this command
    for (size_t at = 0; (at = bytes.find("\x1b_G", at)) != std::string::npos;) {
      const size_t end = bytes.find("\x1b\\", at);
      const std::string command = bytes.substr(at + 3, end - at - 3);
      const size_t semicolon = command.find(';');
      const std::string head = command.substr(0, semicolon);
      std::map<std::string, int> own;
      for (size_t k = 0; k < head.size();) {
        const size_t comma = std::min(head.find(',', k), head.size());
        const std::string pair = head.substr(k, comma - k);
        const std::string value = pair.substr(2);
        own[pair.substr(0, 1)] = isdigit(value[0]) ? atoi(value.c_str()) : value[0];
        k = comma + 1;
      }
      if (!more) {
        keys = own;
      } else if (keys["a"] == 'f') {
        EXPECT_EQ(own["a"], 'f') << "a frame's chunk that kitty would take as a new image";
      }
      payload += semicolon == std::string::npos ? "" : command.substr(semicolon + 1);
      more = own["m"] == 1;
      if (keys["a"] == 'a') {  // animation control: the root frame made current
        EXPECT_EQ(keys["c"], 1);
      } else if (!more) {
        Draw(keys, Unbase64(payload));
        payload.clear();
      }
      at = end;
    }
  }

  void Draw(std::map<std::string, int>& keys, const std::string& packed) {
    ASSERT_EQ(keys["f"], 24);
    ASSERT_EQ(keys["o"], 'z');
    ASSERT_EQ(keys["i"], kKittyImage);
    const int w = keys["s"], h = keys["v"];
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    uLongf size = rgb.size();
    ASSERT_EQ(
        uncompress(rgb.data(), &size, reinterpret_cast<const Bytef*>(packed.data()), packed.size()),
        Z_OK);
    ASSERT_EQ(size, rgb.size());
    if (keys["a"] == 'T') {
      width = w, height = h;
      pixels.assign(static_cast<size_t>(w) * h, kUnset);
    } else {
      ASSERT_EQ(keys["a"], 'f');
      ASSERT_EQ(keys["r"], 1);
      ASSERT_EQ(keys["X"], 1);
    }
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        pixels[static_cast<size_t>(y + keys["y"]) * width + x + keys["x"]] =
            uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
      }
    }
  }
};

TEST(TerminalImages, KittyShowsThePictureExactlyAndSendsOnlyChangedRectangles) {
  const Fit fit(90, 70, 40, 12, 10, 20);
  const Shown first = Picture(90, 70, 3), second = Redrawn(first);
  std::string whole, changes;
  EncodeKitty(fit, Shown(), first, &whole);
  KittyImage image;
  image.Apply(whole);
  EXPECT_EQ(image.pixels, first.pixels);
  EncodeKitty(fit, first, second, &changes);
  image.Apply(changes);
  EXPECT_EQ(image.pixels, second.pixels);
  EXPECT_EQ(changes.find("a=T"), std::string::npos);
  EXPECT_LT(changes.size() * 10, whole.size());
  // Noise everywhere: one rectangle of the whole frame, in several chunks.
  const Shown third = Picture(90, 70, 4);
  changes.clear();
  EncodeKitty(fit, second, third, &changes);
  image.Apply(changes);
  EXPECT_EQ(image.pixels, third.pixels);
}

// A sixel terminal's screen in shown-picture pixels: each image starts at the cell that the
// cursor was moved to before it.
struct SixelScreen {
  const Fit& fit;
  std::vector<uint32_t> pixels;

  explicit SixelScreen(const Fit& f)
      : fit(f), pixels(static_cast<size_t>(f.shownWidth()) * f.shownHeight(), kUnset) {}

  void Apply(const std::string& bytes) {
    for (size_t at = 0; (at = bytes.find("\x1bP", at)) != std::string::npos;) {
      const size_t move = bytes.rfind("\x1b[", at);
      int row = 0, col = 0;
      ASSERT_EQ(sscanf(bytes.c_str() + move, "\x1b[%d;%dH", &row, &col), 2);
      const size_t end = bytes.find("\x1b\\", at);
      Draw(bytes.substr(at, end - at), (col - 1 - fit.firstCol()) * fit.cellWidth(),
           (row - 1 - fit.firstRow()) * fit.cellHeight());
      at = end;
    }
  }

  void Draw(const std::string& image, int left, int top) {
    ASSERT_EQ(image.compare(0, 8, "\x1bP0;1;0q"), 0) << "a transparent background";
    std::map<int, uint32_t> colours;
    int colour = 0, x = 0, band = 0;
    for (size_t i = 8; i < image.size();) {
      const char c = image[i];
      int a = 0, r = 0, g = 0, b = 0, n = 0;
      if (c == '"') {
        while (i < image.size() && image[i] != '#') ++i;  // the raster attributes
      } else if (c == '#' &&
                 sscanf(image.c_str() + i, "#%d;2;%d;%d;%d%n", &a, &r, &g, &b, &n) == 4) {
        colours[a] =
            uint32_t(r * 255 / 100) << 16 | uint32_t(g * 255 / 100) << 8 | uint32_t(b * 255 / 100);
        i += n;
      } else if (c == '#' && sscanf(image.c_str() + i, "#%d%n", &colour, &n) == 1) {
        ASSERT_TRUE(colours.count(colour)) << "a colour used before it is set";
        i += n;
      } else if (c == '$' || c == '-') {
        x = 0;
        band += c == '-';
        ++i;
      } else {
        int repeat = 1;
        if (c == '!' && sscanf(image.c_str() + i, "!%d%n", &repeat, &n) == 1) i += n;
        const int bits = image[i++] - '?';
        ASSERT_GE(bits, 0);
        for (int k = 0; k < repeat; ++k, ++x) {
          for (int dy = 0; dy < 6; ++dy) {
            if (!(bits >> dy & 1)) continue;
            const int px = left + x, py = top + band * 6 + dy;
            ASSERT_LT(px, fit.shownWidth());
            ASSERT_LT(py, fit.shownHeight());
            pixels[static_cast<size_t>(py) * fit.shownWidth() + px] = colours[colour];
          }
        }
      }
    }
  }
};

std::vector<uint32_t> AsSixelShowsIt(const Shown& shown) {
  std::vector<uint32_t> out;
  for (uint32_t p : shown.pixels) {
    const uint32_t q = SixelColour(p);
    for (int shift : {0, 8, 16}) {
      EXPECT_LE(abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)),
                26);
    }
    out.push_back(q);
  }
  return out;
}

TEST(TerminalImages, SixelShowsThePictureInTheCubeAndSendsOnlyChangedCells) {
  const Fit fit(95, 70, 40, 12, 10, 20);  // the last cells are cut by the picture's edge
  const Shown first = Picture(95, 70, 5), second = Redrawn(first);
  std::string whole, changes;
  EncodeSixel(fit, Shown(), first, &whole);
  SixelScreen screen(fit);
  screen.Apply(whole);
  EXPECT_EQ(screen.pixels, AsSixelShowsIt(first));
  EncodeSixel(fit, first, second, &changes);
  screen.Apply(changes);
  EXPECT_EQ(screen.pixels, AsSixelShowsIt(second));
  EXPECT_LT(changes.size() * 4, whole.size());
}

TEST(TerminalImages, AnswersSayWhatTheTerminalShows) {
  struct Case {
    const char* terminal;
    std::string answers;
    bool complete, sixel, kitty;
    int cellWidth, cellHeight;
    bool pixelMouse;
  };
  const Case cases[] = {
      {"xterm in VT340 mode", "\x1b[6;20;10t\x1b[4;480;800t\x1b[?1016;2$y\x1b[?63;1;2;4;6;9;15;22c",
       true, true, false, 10, 20, true},
      {"kitty", "\x1b_Gi=31;OK\x1b\\\x1b[6;17;8t\x1b[4;408;640t\x1b[?1016;1$y\x1b[?62;c", true,
       false, true, 8, 17, true},
      {"the text area only, 80 x 24", "\x1b[4;384;720t\x1b[?1016;0$y\x1b[?62;22c", true, false,
       false, 9, 16, false},
      {"a VT100", "\x1b[?1;2c", true, false, false, 0, 0, false},
      {"attribute 42 is not 4", "\x1b[?64;42c", true, false, false, 0, 0, false},
      {"not answered yet", "\x1b[6;20;10t", false, false, false, 10, 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.terminal);
    bool complete = !c.complete;
    const Abilities a = ReadAnswers(c.answers, 80, 24, &complete);
    EXPECT_EQ(complete, c.complete);
    EXPECT_EQ(a.sixel, c.sixel);
    EXPECT_EQ(a.kitty, c.kitty);
    EXPECT_EQ(a.cellWidth, c.cellWidth);
    EXPECT_EQ(a.cellHeight, c.cellHeight);
    EXPECT_EQ(a.pixelMouse, c.pixelMouse);
  }
}

}  // namespace
}  // namespace orvel::terminal
