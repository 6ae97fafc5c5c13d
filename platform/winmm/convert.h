// Turning source frames into the PCM samples a wave-in device delivers.
//
// Source frames are interleaved floats in [-1, 1), one or two channels, at the source's rate.
// Output sample n lies at source position n * srcRate / dstRate (in frames) and is linearly
// interpolated between the two frames around it; a position on a frame takes that frame as
// it is, so a 44100 Hz source recorded at 22050 Hz yields every second frame unchanged.
// Two channels become one as their mean; one becomes two by copying.
#ifndef ORVEL_WINMM_CONVERT_H
#define ORVEL_WINMM_CONVERT_H

#include <stdint.h>

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

// The source frames [first, last] that output samples [firstOut, firstOut + count) need.
struct FrameSpan {
  int64_t first;
  int64_t last;
  int Frames() const { return static_cast<int>(last - first + 1); }
};
FrameSpan SourceSpan(int64_t firstOut, int count, int srcRate, int dstRate);

// How many output samples (from index 0) can be made from the first `frames` source frames.
int64_t OutputAvailable(int64_t frames, int srcRate, int dstRate);

// Writes output samples [firstOut, firstOut + count) in `fmt` to dst (count * BlockBytes()
// bytes). `frames` holds the source frames of SourceSpan(firstOut, count, ...), from its first.
void ConvertFrames(const float* frames, int srcChannels, int srcRate, const PcmFormat& fmt,
                   int64_t firstOut, int count, uint8_t* dst);

// One float sample in [-1, 1) as an 8-bit unsigned or 16-bit signed PCM value; out of range
// values are clamped. Exact for values that came from 8- or 16-bit samples.
uint8_t ToPcm8(float v);
int16_t ToPcm16(float v);

}  // namespace orvel::wave

#endif
