// gdi-compare MANIFEST DIR: compares, for every script of the manifest, the image that real GDI
// drew (DIR/NAME.wine.bmp) with the portable layer's (DIR/NAME.portable.bmp), prints one table
// row per script and exits 1 if any row fails. Differing pixels are marked in DIR/NAME.diff.bmp.
//
// Manifest lines: `NAME exact` (no pixel may differ), `NAME pixels N` (at most N differing
// pixels, the figure recorded for shapes whose rasterisation is not fully specified) or
// `NAME text N` (the boxes covered by ink, any non-black pixel, agree within N pixels on every
// edge; glyph shapes are not compared).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // top row first, 0x00RRGGBB
};

uint32_t Le32(const std::string& d, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(d[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 3])) << 24;
}

// Reads the 24-bit bottom-up BMP that gdi-replay writes.
bool ReadBmp(const std::string& path, Image* image) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  const std::string d = all.str();
  if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || d[28] != 24) return false;
  const uint32_t offset = Le32(d, 10);
  const int w = static_cast<int>(Le32(d, 18)), h = static_cast<int>(Le32(d, 22));
  if (w <= 0 || h <= 0 || w > 4096 || h > 4096) return false;
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  if (d.size() < offset + stride * h) return false;
  image->width = w;
  image->height = h;
  image->pixels.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const size_t row = offset + stride * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const auto* p = reinterpret_cast<const unsigned char*>(&d[row + 3 * x]);
      image->pixels[static_cast<size_t>(y) * w + x] = p[0] | p[1] << 8 | p[2] << 16;
    }
  }
  return true;
}

// Writes the reference image dimmed, with differing pixels in red (24-bit bottom-up BMP).
void WriteDiff(const Image& a, const Image& b, const std::string& path) {
  const uint32_t stride = (static_cast<uint32_t>(a.width) * 3 + 3) & ~3u;
  std::string out(54 + stride * a.height, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<uint32_t>(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(a.width));
  put32(22, static_cast<uint32_t>(a.height));
  out[26] = 1;
  out[28] = 24;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const size_t i = static_cast<size_t>(y) * a.width + x;
      uint32_t p = a.pixels[i] == b.pixels[i] ? (a.pixels[i] >> 2) & 0x3F3F3Fu : 0xFF0000u;
      const size_t at = 54 + stride * (a.height - 1 - y) + 3 * x;
      out[at] = static_cast<char>(p);
      out[at + 1] = static_cast<char>(p >> 8);
      out[at + 2] = static_cast<char>(p >> 16);
    }
  }
  std::ofstream(path, std::ios::binary) << out;
}

struct Box {
  int left = 0, top = 0, right = -1, bottom = -1;  // inclusive; right < left when empty
  bool Empty() const { return right < left; }
};

Box InkBox(const Image& image) {
  Box box{image.width, image.height, -1, -1};
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.pixels[static_cast<size_t>(y) * image.width + x] == 0) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

std::string BoxText(const Box& b) {
  if (b.Empty()) return "no ink";
  char s[64];
  snprintf(s, sizeof s, "(%d,%d)-(%d,%d)", b.left, b.top, b.right, b.bottom);
  return s;
}

// Compares one script's pair of images; fills the row's figures and returns whether it passes.
bool CompareOne(const std::string& dir, const std::string& name, const std::string& check,
                long allowed, std::string* figure, std::string* note) {
  Image wine, portable;
  if (!ReadBmp(dir + "/" + name + ".wine.bmp", &wine)) {
    *figure = "-";
    *note = "no image from Windows GDI";
    return false;
  }
  if (!ReadBmp(dir + "/" + name + ".portable.bmp", &portable)) {
    *figure = "-";
    *note = "no image from the portable layer";
    return false;
  }
  if (wine.width != portable.width || wine.height != portable.height) {
    *figure = "-";
    *note = "sizes differ";
    return false;
  }
  long differing = 0;
  for (size_t i = 0; i < wine.pixels.size(); ++i) differing += wine.pixels[i] != portable.pixels[i];
  if (differing > 0) WriteDiff(wine, portable, dir + "/" + name + ".diff.bmp");
  if (check != "text") {
    *figure = std::to_string(differing);
    return differing <= allowed;
  }
  const Box a = InkBox(wine), b = InkBox(portable);
  *note = "ink " + BoxText(a) + " vs " + BoxText(b) + ", " + std::to_string(differing) +
          " pixels differ";
  if (a.Empty() || b.Empty()) {
    *figure = "-";
    return a.Empty() && b.Empty();
  }
  const int off = std::max(
      {abs(a.left - b.left), abs(a.top - b.top), abs(a.right - b.right), abs(a.bottom - b.bottom)});
  *figure = std::to_string(off) + " px";
  return off <= allowed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: gdi-compare MANIFEST DIR\n");
    return 2;
  }
  std::ifstream manifest(argv[1]);
  if (!manifest) {
    fprintf(stderr, "gdi-compare: cannot read %s\n", argv[1]);
    return 2;
  }
  printf("%-24s %-7s %10s %8s  %-6s %s\n", "script", "check", "differing", "allowed", "result", "");
  int failures = 0, rows = 0;
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line.substr(0, line.find('#')));
    std::string name, check;
    long allowed = 0;
    if (!(fields >> name)) continue;
    fields >> check;
    if (check != "exact" && !(fields >> allowed)) check = "?";
    if (check != "exact" && check != "pixels" && check != "text") {
      fprintf(stderr, "gdi-compare: bad manifest line: %s\n", line.c_str());
      return 2;
    }
    std::string figure, note;
    const bool ok = CompareOne(argv[2], name, check, allowed, &figure, &note);
    const std::string allowedText =
        check == "text" ? std::to_string(allowed) + " px" : std::to_string(allowed);
    printf("%-24s %-7s %10s %8s  %-6s %s\n", name.c_str(), check.c_str(), figure.c_str(),
           allowedText.c_str(), ok ? "ok" : "FAIL", note.c_str());
    failures += !ok;
    ++rows;
  }
  printf("%d scripts, %d failing\n", rows, failures);
  return failures == 0 && rows > 0 ? 0 : 1;
}
