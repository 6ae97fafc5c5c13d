// The per-buffer costs of the wave input: converting source frames and making the demo music.
#include <benchmark/benchmark.h>

#include <vector>

#include "winmm/convert.h"
#include "winmm/demo_synth.h"

namespace {

using orvel::wave::PcmFormat;

// One 64-sample 8-bit mono 22050 Hz buffer from 44100 Hz stereo frames.
void BM_Convert44100StereoTo8BitMono(benchmark::State& state) {
  std::vector<float> frames(2 * 200);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i % 97) / 100.0f;
  const PcmFormat fmt{22050, 1, 8};
  uint8_t out[64];
  int64_t first = 22050;
  for (auto _ : state) {
    orvel::wave::ConvertFrames(frames.data(), 2, 44100, fmt, first, 64, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Convert44100StereoTo8BitMono);

// The same at a rate that is not a multiple: every sample is interpolated.
void BM_Convert48000StereoTo8BitMono(benchmark::State& state) {
  std::vector<float> frames(2 * 200);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i % 97) / 100.0f;
  const PcmFormat fmt{22050, 1, 8};
  uint8_t out[64];
  for (auto _ : state) {
    orvel::wave::ConvertFrames(frames.data(), 2, 48000, fmt, 22050, 64, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Convert48000StereoTo8BitMono);

// 64 samples of the demo music, in its busiest passage (drums, bass, chords, arpeggio).
void BM_DemoSynth64(benchmark::State& state) {
  float out[64];
  int64_t first = 16 * 4 * orvel::wave::kDemoBeat;
  for (auto _ : state) {
    orvel::wave::DemoRender(first, 64, out);
    benchmark::DoNotOptimize(out);
    first += 64;
  }
}
BENCHMARK(BM_DemoSynth64);

}  // namespace
