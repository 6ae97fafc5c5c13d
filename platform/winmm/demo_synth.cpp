#include "demo_synth.h"

#include <math.h>

namespace orvel::wave {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kRate = kDemoRate;
constexpr int64_t kBar = 4 * kDemoBeat;

// What plays in each bar of the loop.
enum Part : unsigned {
  kPad = 1,      // soft chord
  kKick = 2,     // bass drum on every beat
  kSnare = 4,    // snare on beats 2 and 4
  kHats = 8,     // closed hi-hat on every eighth
  kBass = 16,    // bass line on the chord's root
  kChord = 32,   // loud chord
  kArp = 64,     // high arpeggio in sixteenths
  kBells = 128,  // high bells on each beat
  kDrone = 256,  // low drone
  kRise = 512,   // sweep up over two bars
  kFall = 1024,  // sweep down over two bars
};

constexpr unsigned kGroove = kKick | kSnare | kHats | kBass | kChord;
constexpr unsigned kSong[32] = {
    kPad,
    kPad,
    kPad,
    kPad,  // quiet opening
    kGroove,
    kGroove,
    kGroove,
    kGroove,
    kGroove,
    kGroove,
    kGroove,
    kGroove,  // loud
    kRise | kKick,
    kRise | kKick,  // rising sweep
    0,              // silence
    kGroove | kArp,
    kGroove | kArp,
    kGroove | kArp,
    kGroove | kArp,  // loud and bright
    kGroove | kArp,
    kGroove | kArp,
    kGroove | kArp,
    kGroove | kArp,
    kBells,
    kBells,  // high and quiet
    kDrone | kKick,
    kDrone | kKick,
    kDrone | kKick,
    kDrone | kKick,  // low
    kFall,
    kFall,  // falling sweep
    0,      // silence
};

// A minor, F, C, G, one chord per bar: root frequencies (Hz) of the chord.
constexpr double kRoots[4] = {220.0, 174.61, 261.63, 196.0};

// White noise in [-1, 1) from the sample index alone.
double Noise(int64_t n) {
  uint64_t x = static_cast<uint64_t>(n) * 0x9E3779B97F4A7C15ull;
  x ^= x >> 31;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 29;
  return static_cast<double>(x >> 11) / 4503599627370496.0 - 1.0;
}

double Sine(double hz, double t) {
  return sin(kTwoPi * hz * t);
}

// A bass drum: a sine falling from 160 Hz to 50 Hz, t seconds after the hit.
double Kick(double t) {
  const double tau = 0.04;
  const double phase = 50.0 * t + 110.0 * tau * (1.0 - exp(-t / tau));
  return sin(kTwoPi * phase) * exp(-t / 0.18);
}

double Snare(int64_t n, double t) {
  return (0.7 * Noise(n) + 0.3 * Sine(185.0, t)) * exp(-t / 0.07);
}

// Differenced noise leans to the top of the band.
double Hat(int64_t n, double t) {
  return 0.5 * (Noise(n) - Noise(n - 1)) * exp(-t / 0.02);
}

double Chord(double root, double t) {
  return (Sine(root, t) + Sine(root * 1.2599, t) + Sine(root * 1.4983, t)) / 3.0;
}

// An exponential sweep from f0 to f1 Hz over `length` seconds, t seconds in.
double Sweep(double f0, double f1, double length, double t) {
  const double k = log(f1 / f0);
  const double phase = f0 * length / k * (exp(k * t / length) - 1.0);
  return sin(kTwoPi * phase);
}

double Mix(int64_t n) {
  const int64_t bar = n / kBar;
  const unsigned parts = kSong[bar];
  const int64_t inBar = n - bar * kBar;
  const int64_t inBeat = inBar % kDemoBeat;
  const int64_t beat = inBar / kDemoBeat;
  const double t = static_cast<double>(n) / kRate;
  const double tBeat = static_cast<double>(inBeat) / kRate;
  const double tBar = static_cast<double>(inBar) / kRate;
  const double root = kRoots[bar % 4];
  double v = 0.0;
  if (parts & kPad) v += 0.12 * Chord(root, t) * fmin(1.0, tBar / 0.5);
  if (parts & kKick) v += 0.9 * Kick(tBeat);
  if ((parts & kSnare) && (beat % 2) == 1) v += 0.5 * Snare(n, tBeat);
  if (parts & kHats) v += 0.35 * Hat(n, static_cast<double>(inBeat % (kDemoBeat / 2)) / kRate);
  if (parts & kBass) v += 0.35 * Sine(root / 4.0, t) * (1.0 - 0.5 * tBeat / 0.5);
  if (parts & kChord) v += 0.3 * Chord(root, t) * exp(-tBeat / 0.4);
  if (parts & kArp) {
    const int64_t step = inBar / (kDemoBeat / 4);
    const double notes[4] = {4.0, 5.04, 5.99, 8.0};
    const double tStep = static_cast<double>(inBar % (kDemoBeat / 4)) / kRate;
    v += 0.25 * Sine(root * notes[step % 4], t) * exp(-tStep / 0.05);
  }
  if (parts & kBells) v += 0.2 * Sine(root * 12.0, t) * exp(-tBeat / 0.25);
  if (parts & kDrone) v += 0.4 * (Sine(55.0, t) + 0.5 * Sine(110.0, t));
  if (parts & (kRise | kFall)) {
    const int64_t first = (parts & kKick) ? 12 : 29;  // the sweep's first bar
    const double ts = static_cast<double>(n - first * kBar) / kRate;
    const double length = 2.0 * static_cast<double>(kBar) / kRate;
    v += 0.5 *
         ((parts & kRise) ? Sweep(60.0, 10000.0, length, ts) : Sweep(10000.0, 60.0, length, ts));
  }
  return v;
}

}  // namespace

float DemoSample(int64_t index) {
  int64_t n = index % kDemoLoop;
  if (n < 0) n += kDemoLoop;
  const double v = Mix(n) * 0.8;
  // Clamp rather than wrap when parts pile up.
  if (v >= 0.999) return 0.999f;
  if (v <= -1.0) return -1.0f;
  return static_cast<float>(v);
}

void DemoRender(int64_t first, int count, float* out) {
  for (int i = 0; i < count; ++i) out[i] = DemoSample(first + i);
}

}  // namespace orvel::wave
