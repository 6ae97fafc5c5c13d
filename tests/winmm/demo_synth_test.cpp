// The demo music: the same on every run, with loud, quiet, silent, low and high passages.
#include <gtest/gtest.h>
#include <math.h>

#include <vector>

#include "winmm/demo_synth.h"

namespace orvel::wave {
namespace {

constexpr int64_t kBar = 4 * kDemoBeat;

struct Stats {
  double rms = 0;
  double peak = 0;
  double crossings = 0;  // sign changes per sample: high for treble, low for bass
};

Stats Measure(int64_t first, int64_t count) {
  std::vector<float> samples(static_cast<size_t>(count));
  DemoRender(first, static_cast<int>(count), samples.data());
  Stats s;
  double sum = 0;
  int changes = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    sum += samples[i] * samples[i];
    s.peak = fmax(s.peak, fabs(samples[i]));
    if (i > 0 && (samples[i] >= 0) != (samples[i - 1] >= 0)) ++changes;
  }
  s.rms = sqrt(sum / static_cast<double>(count));
  s.crossings = changes / static_cast<double>(count);
  return s;
}

TEST(DemoSynth, IsTheSameOnEveryRunAndFromAnyStart) {
  std::vector<float> a(4096), b(4096);
  DemoRender(123456, 4096, a.data());
  DemoRender(123456, 4096, b.data());
  EXPECT_EQ(a, b);
  // Random access: one sample at a time gives the same music, and it loops.
  for (int i = 0; i < 4096; i += 97) {
    EXPECT_EQ(DemoSample(123456 + i), a[i]);
    EXPECT_EQ(DemoSample(123456 + i + kDemoLoop), a[i]);
  }
}

TEST(DemoSynth, HasLoudQuietSilentLowAndHighPassages) {
  const Stats opening = Measure(0, 4 * kBar);
  const Stats groove = Measure(4 * kBar, 8 * kBar);
  const Stats silence = Measure(14 * kBar, kBar);
  const Stats bells = Measure(23 * kBar, 2 * kBar);
  const Stats drone = Measure(25 * kBar, 4 * kBar);
  EXPECT_GT(groove.rms, 0.15);
  EXPECT_LT(opening.rms, groove.rms / 2);
  EXPECT_GT(opening.rms, 0.01);
  EXPECT_EQ(silence.peak, 0.0);
  EXPECT_GT(bells.crossings, 0.15);  // around 2.5 kHz and up
  EXPECT_LT(drone.crossings, 0.02);  // 55 Hz
  EXPECT_LE(groove.peak, 1.0);
}

}  // namespace
}  // namespace orvel::wave
