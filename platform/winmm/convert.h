// Turning source frames into the PCM samples a wave-in device delivers.
//
// Source frames are interleaved floats in [-1, 1), one or two channels, at the source's rate.
// Two channels become one as their mean; one becomes two by copying. Output sample n lies at
// source position n * srcRate / dstRate (in frames):
// - at the source's rate or above, it is linearly interpolated between the two frames around
//   that position, and a position on a frame takes the frame as it is;
// - below the source's rate, a windowed-sinc low-pass filter (cut-off just under the output's
//   Nyquist frequency) is applied around the position, as a sound card's anti-alias filter
//   would be: content the output rate cannot hold is removed instead of folding down into the
//   top of the spectrum. Its gain at 0 Hz is exactly 1. It reaches at most 1024 source frames
//   to each side and keeps at most 2 MiB of weights, so its memory and time per sample are
//   bounded whatever the source rate.
// Samples that are not finite (NaN, infinity) become silence.
#ifndef ORVEL_WINMM_CONVERT_H
#define ORVEL_WINMM_CONVERT_H

#include <stdint.h>

#include <vector>

namespace orvel::wave {

// The format a device records in.
struct PcmFormat {
  int rate = 22050;  // samples per second, kMinRate..kMaxRate
  int channels = 1;  // 1 or 2
  int bits = 8;      // 8: unsigned, 128 is silence; 16: signed, little-endian
  int BlockBytes() const { return channels * bits / 8; }
};

constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;

// Source frames [first, last].
struct FrameSpan {
  int64_t first;
  int64_t last;
  int Frames() const { return static_cast<int>(last - first + 1); }
};

class Converter {
 public:
  Converter(int srcRate, int srcChannels, const PcmFormat& fmt);

  // The source frames that output samples [firstOut, firstOut + count) need.
  FrameSpan Span(int64_t firstOut, int count) const;

  // How many output samples (from index 0) the first `frames` source frames make.
  int64_t Available(int64_t frames) const;

  // Writes output samples [firstOut, firstOut + count) to dst (count * BlockBytes() bytes).
  // `frames` holds the source frames of Span(firstOut, count), from its first on.
  void Convert(const float* frames, int64_t firstOut, int count, uint8_t* dst);

 private:
  float FrameValue(const float* frame, int channel) const;
  float Interpolated(const float* frames, int64_t index, int64_t rem, int channel) const;
  float Filtered(const float* frames, int64_t index, int64_t rem, int channel);
  const double* Weights(int64_t rem);

  int srcRate_;
  int srcChannels_;
  PcmFormat fmt_;
  int64_t taps_ = 0;           // filter: frames on each side of the position; 0 interpolates
  int64_t phases_ = 0;         // positions between two frames that have their own weights
  std::vector<double> table_;  // weights per phase, filled as needed
  std::vector<bool> made_;
};

// One float sample in [-1, 1) as an 8-bit unsigned or 16-bit signed PCM value; out of range
// values are clamped, NaN and infinities are silence (128, 0). Exact for values that came from 8-
// or 16-bit samples.
uint8_t ToPcm8(float v);
int16_t ToPcm16(float v);

}  // namespace orvel::wave

#endif
