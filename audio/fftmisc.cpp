// The spectrum transform. Working values are doubles; every array element is stored back as a
// float. Bad arguments are programming errors: they end the program with one line on stderr.
#include "fftmisc.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

// Full turn in radians: the transform uses the true pi, unlike the displays.
const double kFullTurn = 6.283185307179586;

}  // namespace

bool ValidTransformSize(unsigned n) {
  return n >= 2 && (n & (n - 1)) == 0;
}

unsigned NumberOfBitsNeeded(unsigned n) {
  if (n < 2) {
    fprintf(stderr, ">>> Error in fftmisc: argument %d to NumberOfBitsNeeded is too small.\n",
            static_cast<int>(n));
    exit(1);
  }
  unsigned i = 0;
  while ((n & (1u << i)) == 0) ++i;
  return i;
}

unsigned BitReversedIndex(unsigned index, unsigned bits) {
  unsigned r = 0;
  for (unsigned i = 0; i < bits; ++i) {
    r = (r << 1) | (index & 1u);
    index >>= 1;
  }
  return r;
}

void RequireArray(const void* p, const char* name) {
  if (p == nullptr) {
    fprintf(stderr, "Error in fft_float():  %s == NULL\n", name);
    exit(1);
  }
}

namespace {

// One stage of butterflies over blocks of blockSize; only the cosine of the twiddle angle
// enters, and only the real output changes.
void ButterflyStage(unsigned numSamples, float* realOut, unsigned blockSize, unsigned blockEnd,
                    double angleNumerator) {
  const double delta = angleNumerator / blockSize;
  const double cm2 = cos(-2 * delta);
  const double cm1 = cos(-delta);
  const double w = 2 * cm1;
  for (unsigned i = 0; i < numSamples; i += blockSize) {
    double a2 = cm2;
    double a1 = cm1;
    for (unsigned k = 0; k < blockEnd; ++k) {
      const double a0 = w * a1 - a2;  // cos(k * delta) by recurrence
      a2 = a1;
      a1 = a0;
      const unsigned j = i + k;
      const unsigned m = j + blockEnd;
      const double t = a0 * realOut[m];
      realOut[m] = static_cast<float>(realOut[j] - t);
      realOut[j] = static_cast<float>(realOut[j] + t);
    }
  }
}

}  // namespace

void fft_float(unsigned NumSamples, int InverseTransform, const float* RealIn, const float* ImagIn,
               float* RealOut, float* ImagOut) {
  double angleNumerator = kFullTurn;
  if (!ValidTransformSize(NumSamples)) {
    fprintf(stderr, "Error in fft():  NumSamples=%u is not power of two\n", NumSamples);
    exit(1);
  }
  if (InverseTransform) angleNumerator = -angleNumerator;
  RequireArray(RealIn, "RealIn");
  RequireArray(RealOut, "RealOut");
  RequireArray(ImagOut, "ImagOut");

  const unsigned bits = NumberOfBitsNeeded(NumSamples);
  for (unsigned i = 0; i < NumSamples; ++i) {
    const unsigned j = BitReversedIndex(i, bits);
    RealOut[j] = RealIn[i];
    ImagOut[j] = ImagIn == nullptr ? 0.0f : ImagIn[i];
  }

  unsigned blockEnd = 1;
  for (unsigned blockSize = 2; blockSize != 0 && blockSize <= NumSamples; blockSize <<= 1) {
    ButterflyStage(NumSamples, RealOut, blockSize, blockEnd, angleNumerator);
    blockEnd = blockSize;
  }

  if (InverseTransform) {
    const double denom = NumSamples;
    for (unsigned i = 0; i < NumSamples; ++i) {
      RealOut[i] = static_cast<float>(RealOut[i] / denom);
      ImagOut[i] = static_cast<float>(ImagOut[i] / denom);
    }
  }
}
