// The enlargement of a window's picture per frame, as a large render or a full-screen window
// makes it: the display area changed (what a frame of the bars or the sphere touches), at 1080p
// (smoothed, 2.63 times), 4K (smoothed, 5.26 times) and 1683 x 1233 (whole blocks, 3 times).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "host/enlarge.h"

namespace {

void Enlarge(benchmark::State& state, int frameWidth, int frameHeight) {
  orvel::gdi::Surface window(561, 411);
  for (size_t i = 0; i < window.pixels.size(); ++i)
    window.pixels[i] = static_cast<uint32_t>(rand());
  orvel::host::Layout layout;
  std::string error;
  orvel::host::MakeLayout(561, 411, frameWidth, frameHeight, 0, &layout, &error);
  orvel::host::Enlarger enlarger(561, 411, layout);
  std::vector<uint32_t> frame(static_cast<size_t>(frameWidth) * frameHeight);
  const std::vector<RECT> display = {RECT{20, 100, 542, 300}};
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        enlarger.Update(window, display, frame.data(), static_cast<size_t>(frameWidth)));
  }
}

BENCHMARK_CAPTURE(Enlarge, display_1080p, 1920, 1080)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Enlarge, display_4k, 3840, 2160)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Enlarge, display_blocks_x3, 1683, 1233)->Unit(benchmark::kMicrosecond);

}  // namespace
