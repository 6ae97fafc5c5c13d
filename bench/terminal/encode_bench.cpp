// The terminal host's encoders on a picture like Orvel's window (561 x 411: shaded panels
// above and below, 31 spectrum bars on black that move every frame): the cost of one frame
// and its bytes (the counter "bytes"), whole and as the change from the frame before; and the
// host's own sixel encoder beside libsixel's with the same kind of fixed palette (xterm's 256
// colours, no dithering).
#include <benchmark/benchmark.h>
#include <sixel/sixel.h>

#include <string>
#include <vector>

#include "host/terminal/blocks.h"
#include "host/terminal/fit.h"
#include "host/terminal/kitty.h"
#include "host/terminal/sixel.h"

namespace orvel::terminal {
namespace {

constexpr int kWidth = 561, kHeight = 411;

// Frame `n` of the picture.
std::vector<uint32_t> Window(int n) {
  std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (y < 40 || y >= 336) {
        const uint32_t shade = 126 + (y % 40) * 2;
        pixels[static_cast<size_t>(y) * kWidth + x] = shade << 16 | shade << 8 | (shade * 4 / 5);
      }
    }
  }
  for (int bar = 0; bar < 31; ++bar) {
    const int height = 20 + (bar * 37 + n * 23) % 180;
    for (int y = 300 - height; y < 300; ++y) {
      for (int x = 20 + bar * 17; x < 33 + bar * 17; ++x) {
        pixels[static_cast<size_t>(y) * kWidth + x] = 0xFF0000;
      }
    }
  }
  return pixels;
}

// Alternate frames, each shrunk for the fit and encoded as the change from the one before.
template <typename Encode>
void Frames(benchmark::State& state, const Fit& fit, Encode encode) {
  const std::vector<uint32_t> frames[2] = {Window(0), Window(1)};
  Shown shown[2], sent;
  Shrink(frames[0].data(), fit, &shown[0]);
  Shrink(frames[1].data(), fit, &shown[1]);
  std::string out;
  encode(fit, shown[0], &sent, &out);
  size_t bytes = 0, n = 0;
  for (auto _ : state) {
    const int i = static_cast<int>(++n % 2);
    Shown next;
    Shrink(frames[i].data(), fit, &next);
    out.clear();
    encode(fit, next, &sent, &out);
    bytes += out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = benchmark::Counter(static_cast<double>(bytes) / n);
}

void BM_Blocks(benchmark::State& state) {
  const Fit fit(kWidth, kHeight, static_cast<int>(state.range(0)),
                static_cast<int>(state.range(1)));
  Frames(state, fit, [](const Fit& f, const Shown& next, Shown* sent, std::string* out) {
    EncodeBlocks(f, next, 16, sent, out);
  });
}
BENCHMARK(BM_Blocks)->Args({80, 24})->Args({120, 40})->Args({200, 60});

void BM_SixelChanges(benchmark::State& state) {
  Frames(state, Fit(kWidth, kHeight, 80, 30, 10, 20),
         [](const Fit& f, const Shown& next, Shown* sent, std::string* out) {
           EncodeSixel(f, *sent, next, out);
           *sent = next;
         });
}
BENCHMARK(BM_SixelChanges);

void BM_KittyChanges(benchmark::State& state) {
  Frames(state, Fit(kWidth, kHeight, 80, 30, 10, 20),
         [](const Fit& f, const Shown& next, Shown* sent, std::string* out) {
           EncodeKitty(f, *sent, next, out);
           *sent = next;
         });
}
BENCHMARK(BM_KittyChanges);

// The whole picture as one sixel image: the host's encoder ...
void BM_SixelWhole(benchmark::State& state) {
  Frames(state, Fit(kWidth, kHeight, 80, 30, 10, 20),
         [](const Fit& f, const Shown& next, Shown*, std::string* out) {
           EncodeSixel(f, Shown(), next, out);
         });
}
BENCHMARK(BM_SixelWhole);

// ... and libsixel's.
void BM_LibsixelWhole(benchmark::State& state) {
  std::vector<unsigned char> rgb;
  for (uint32_t p : Window(0)) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  std::string out;
  sixel_output_t* output = nullptr;
  sixel_output_new(
      &output,
      [](char* data, int size, void* to) {
        static_cast<std::string*>(to)->append(data, static_cast<size_t>(size));
        return size;
      },
      &out, nullptr);
  sixel_dither_t* dither = sixel_dither_get(SIXEL_BUILTIN_XTERM256);
  sixel_dither_set_diffusion_type(dither, SIXEL_DIFFUSE_NONE);
  size_t bytes = 0, n = 0;
  for (auto _ : state) {
    out.clear();
    sixel_encode(rgb.data(), kWidth, kHeight, 3, dither, output);
    bytes += out.size();
    ++n;
  }
  state.counters["bytes"] = benchmark::Counter(static_cast<double>(bytes) / n);
  sixel_dither_unref(dither);
  sixel_output_unref(output);
}
BENCHMARK(BM_LibsixelWhole);

}  // namespace
}  // namespace orvel::terminal
