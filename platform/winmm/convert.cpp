#include "convert.h"

#include <math.h>

#include <algorithm>
#include <numeric>

namespace orvel::wave {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kFilterWidth = 8;   // output samples on each side of the position
constexpr double kCutoff = 0.45;  // of the output rate: just under its Nyquist frequency
constexpr int64_t kMaxKeptPhases = 2048;
// Bounds on the filter, whatever the source rate: at most this many frames on each side of a
// position (from about 2.8 MHz down to 22050 Hz the filter is narrowed to this), and a table
// of at most this many weights (2 MiB), made once per phase.
constexpr int64_t kMaxTaps = 1024;
constexpr int64_t kMaxTableWeights = 256 * 1024;

void Store(float v, int bits, uint8_t* dst) {
  if (bits == 8) {
    *dst = ToPcm8(v);
    return;
  }
  const uint16_t s = static_cast<uint16_t>(ToPcm16(v));
  dst[0] = static_cast<uint8_t>(s & 0xff);
  dst[1] = static_cast<uint8_t>(s >> 8);
}

}  // namespace

uint8_t ToPcm8(float v) {
  if (!isfinite(v)) return 128;
  const float s = floorf(v * 128.0f);
  if (s >= 127.0f) return 255;
  if (s <= -128.0f) return 0;
  return static_cast<uint8_t>(static_cast<int>(s) + 128);
}

int16_t ToPcm16(float v) {
  if (!isfinite(v)) return 0;
  const float s = floorf(v * 32768.0f);
  if (s >= 32767.0f) return 32767;
  if (s <= -32768.0f) return -32768;
  return static_cast<int16_t>(s);
}

Converter::Converter(int srcRate, int srcChannels, const PcmFormat& fmt)
    : srcRate_(srcRate), srcChannels_(srcChannels), fmt_(fmt) {
  if (srcRate_ <= fmt_.rate) return;
  taps_ = (static_cast<int64_t>(kFilterWidth) * srcRate_ + fmt_.rate - 1) / fmt_.rate;
  taps_ = std::min(taps_, kMaxTaps);
  // Every distinct position between two frames has its weights, when there are few enough;
  // otherwise positions are rounded down to the nearest of as many as fit (an error under
  // 1/128 of a frame, far below what a display shows).
  const int64_t exact = fmt_.rate / std::gcd(srcRate_, fmt_.rate);
  phases_ = std::min({exact, kMaxKeptPhases, kMaxTableWeights / (2 * taps_)});
  table_.resize(static_cast<size_t>(phases_ * 2 * taps_));
  made_.assign(static_cast<size_t>(phases_), false);
}

FrameSpan Converter::Span(int64_t firstOut, int count) const {
  const int64_t lastOut = firstOut + (count > 0 ? count - 1 : 0);
  const int64_t first = firstOut * srcRate_ / fmt_.rate;
  const int64_t lastNum = lastOut * srcRate_;
  if (taps_ > 0) return {first - taps_ + 1, lastNum / fmt_.rate + taps_};
  // The last sample needs the frame after its position unless it falls on a frame.
  return {first, lastNum / fmt_.rate + (lastNum % fmt_.rate != 0 ? 1 : 0)};
}

int64_t Converter::Available(int64_t frames) const {
  if (taps_ > 0) {
    // Sample n is ready when floor(n * srcRate / dstRate) + taps <= frames - 1.
    const int64_t reach = frames - taps_;
    return reach <= 0 ? 0 : (reach * fmt_.rate - 1) / srcRate_ + 1;
  }
  // Sample n is ready when ceil(n * srcRate / dstRate) <= frames - 1.
  return frames <= 0 ? 0 : (frames - 1) * fmt_.rate / srcRate_ + 1;
}

float Converter::FrameValue(const float* frame, int channel) const {
  if (srcChannels_ == fmt_.channels) return frame[channel];
  if (srcChannels_ == 2) return (frame[0] + frame[1]) * 0.5f;
  return frame[0];
}

float Converter::Interpolated(const float* frames, int64_t index, int64_t rem, int channel) const {
  const float* a = frames + index * srcChannels_;
  const float v = FrameValue(a, channel);
  if (rem == 0) return v;
  const float b = FrameValue(a + srcChannels_, channel);
  return v + (b - v) * (static_cast<float>(rem) / static_cast<float>(fmt_.rate));
}

// The 2 * taps weights for frames index - taps + 1 .. index + taps around a position rem /
// dstRate past frame `index` (its phase), normalised to sum 1.
const double* Converter::Weights(int64_t rem) {
  const int64_t n = 2 * taps_;
  const int64_t phase = rem * phases_ / fmt_.rate;
  double* w = &table_[static_cast<size_t>(phase * n)];
  if (made_[static_cast<size_t>(phase)]) return w;
  made_[static_cast<size_t>(phase)] = true;
  const double fraction = static_cast<double>(phase) / static_cast<double>(phases_);
  const double cutoff = kCutoff * fmt_.rate / srcRate_;  // cycles per source frame
  double sum = 0;
  for (int64_t k = 0; k < n; ++k) {
    const double t = static_cast<double>(k - taps_ + 1) - fraction;
    const double x = 2.0 * kPi * cutoff * t;
    const double sinc = t == 0 ? 1.0 : sin(x) / x;
    const double window = 0.5 + 0.5 * cos(kPi * t / static_cast<double>(taps_));
    w[k] = sinc * window;
    sum += w[k];
  }
  for (int64_t k = 0; k < n; ++k) w[k] /= sum;
  return w;
}

float Converter::Filtered(const float* frames, int64_t index, int64_t rem, int channel) {
  const double* w = Weights(rem);
  const float* f = frames + index * srcChannels_;  // the first frame of the taps
  double v = 0;
  for (int64_t k = 0; k < 2 * taps_; ++k) v += w[k] * FrameValue(f + k * srcChannels_, channel);
  return static_cast<float>(v);
}

void Converter::Convert(const float* frames, int64_t firstOut, int count, uint8_t* dst) {
  const int64_t base = Span(firstOut, count).first;
  const int bytes = fmt_.bits / 8;
  for (int i = 0; i < count; ++i) {
    const int64_t num = (firstOut + i) * srcRate_;
    const int64_t rem = num % fmt_.rate;
    for (int c = 0; c < fmt_.channels; ++c) {
      const float v = taps_ > 0 ? Filtered(frames, num / fmt_.rate - taps_ + 1 - base, rem, c)
                                : Interpolated(frames, num / fmt_.rate - base, rem, c);
      Store(v, fmt_.bits, dst);
      dst += bytes;
    }
  }
}

}  // namespace orvel::wave
