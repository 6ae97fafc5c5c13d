// The per-buffer costs of the wave input: converting source frames and making the demo music.
#include <benchmark/benchmark.h>

#include <vector>

#include "winmm/convert.h"
#include "winmm/demo_synth.h"

namespace {

using orvel::wave::PcmFormat;

// One 64-sample 8-bit mono 22050 Hz buffer from source frames at range(0) Hz with range(1)
// channels: 44100 and 48000 Hz stereo go through the filter (48000 Hz has 147 phases); live
// input arrives at the device's rate, where only channels and bits change.
void BM_ConvertTo8BitMono22050(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  const int channels = static_cast<int>(state.range(1));
  std::vector<float> frames(channels * 240);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i % 97) / 100.0f;
  orvel::wave::Converter converter(rate, channels, PcmFormat{22050, 1, 8});
  uint8_t out[64];
  for (auto _ : state) {
    converter.Convert(frames.data(), 22050, 64, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_ConvertTo8BitMono22050)
    ->Args({44100, 2})
    ->Args({48000, 2})
    ->Args({22050, 1})
    ->ArgNames({"rate", "channels"});

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
