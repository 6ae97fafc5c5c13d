// The built-in demo music: a loop of 32 bars at 120 beats a minute (64 s), 22050 Hz mono,
// made in code so that every display has something to show: a quiet opening chord, loud
// passages of drums, bass and chords, rising and falling sweeps across the whole band, high
// bells alone, a low drone, and silences. Every sample is a pure function of its index, so
// the music is the same on every run and can be read from anywhere.
#ifndef ORVEL_WINMM_DEMO_SYNTH_H
#define ORVEL_WINMM_DEMO_SYNTH_H

#include <stdint.h>

namespace orvel::wave {

constexpr int kDemoRate = 22050;
constexpr int64_t kDemoBeat = kDemoRate / 2;       // samples per beat
constexpr int64_t kDemoLoop = 32 * 4 * kDemoBeat;  // samples per loop (64 s)

// Sample `index` of the demo (any index; the music loops), in [-1, 1).
float DemoSample(int64_t index);

// Writes samples [first, first + count) to out.
void DemoRender(int64_t first, int count, float* out);

}  // namespace orvel::wave

#endif
