// The per-buffer costs of the wave input: converting source frames and making the demo music.
#include <benchmark/benchmark.h>

#include <vector>

#include "winmm/convert.h"
#include "winmm/demo_synth.h"

namespace {

using orvel::wave::PcmFormat;

// One 64-sample 8-bit mono 22050 Hz buffer from 44100 Hz stereo frames (filtered).
void BM_Convert44100StereoTo8BitMono(benchmark::State& state) {
  std::vector<float> frames(2 * 240);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i % 97) / 100.0f;
  orvel::wave::Converter converter(44100, 2, PcmFormat{22050, 1, 8});
  uint8_t out[64];
  for (auto _ : state) {
    converter.Convert(frames.data(), 22050, 64, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Convert44100StereoTo8BitMono);

// The same from 48000 Hz: 147 filter phases.
void BM_Convert48000StereoTo8BitMono(benchmark::State& state) {
  std::vector<float> frames(2 * 240);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i % 97) / 100.0f;
  orvel::wave::Converter converter(48000, 2, PcmFormat{22050, 1, 8});
  uint8_t out[64];
  for (auto _ : state) {
    converter.Convert(frames.data(), 22050, 64, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Convert48000StereoTo8BitMono);

// Live input arrives at the device's rate: channels and bits only.
void BM_Convert22050MonoTo8BitMono(benchmark::State& state) {
  std::vector<float> frames(64);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<float>(i % 97) / 100.0f;
  orvel::wave::Converter converter(22050, 1, PcmFormat{22050, 1, 8});
  uint8_t out[64];
  for (auto _ : state) {
    converter.Convert(frames.data(), 22050, 64, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Convert22050MonoTo8BitMono);

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
