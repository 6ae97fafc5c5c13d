#include "convert.h"

#include <math.h>

namespace orvel::wave {

FrameSpan SourceSpan(int64_t firstOut, int count, int srcRate, int dstRate) {
  const int64_t lastOut = firstOut + (count > 0 ? count - 1 : 0);
  const int64_t first = firstOut * srcRate / dstRate;
  const int64_t lastNum = lastOut * srcRate;
  // The last sample needs the frame after its position unless it falls on a frame.
  const int64_t last = lastNum / dstRate + (lastNum % dstRate != 0 ? 1 : 0);
  return {first, last};
}

int64_t OutputAvailable(int64_t frames, int srcRate, int dstRate) {
  if (frames <= 0) return 0;
  // Sample n is ready when ceil(n * srcRate / dstRate) <= frames - 1.
  return (frames - 1) * dstRate / srcRate + 1;
}

uint8_t ToPcm8(float v) {
  const float s = floorf(v * 128.0f);
  if (s >= 127.0f) return 255;
  if (s <= -128.0f) return 0;
  return static_cast<uint8_t>(static_cast<int>(s) + 128);
}

int16_t ToPcm16(float v) {
  const float s = floorf(v * 32768.0f);
  if (s >= 32767.0f) return 32767;
  if (s <= -32768.0f) return -32768;
  return static_cast<int16_t>(s);
}

namespace {

// One output channel's value at an exact frame of the source.
float FrameValue(const float* frame, int srcChannels, int outChannels, int channel) {
  if (srcChannels == outChannels) return frame[channel];
  if (srcChannels == 2) return (frame[0] + frame[1]) * 0.5f;
  return frame[0];
}

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

void ConvertFrames(const float* frames, int srcChannels, int srcRate, const PcmFormat& fmt,
                   int64_t firstOut, int count, uint8_t* dst) {
  const int64_t base = firstOut * srcRate / fmt.rate;
  const int bytes = fmt.bits / 8;
  for (int i = 0; i < count; ++i) {
    const int64_t num = (firstOut + i) * srcRate;
    const int64_t index = num / fmt.rate - base;
    const int64_t rem = num % fmt.rate;
    const float* a = frames + index * srcChannels;
    for (int c = 0; c < fmt.channels; ++c) {
      float v = FrameValue(a, srcChannels, fmt.channels, c);
      if (rem != 0) {
        const float b = FrameValue(a + srcChannels, srcChannels, fmt.channels, c);
        v += (b - v) * (static_cast<float>(rem) / static_cast<float>(fmt.rate));
      }
      Store(v, fmt.bits, dst);
      dst += bytes;
    }
  }
}

}  // namespace orvel::wave
