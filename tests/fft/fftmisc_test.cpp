#include "audio/fftmisc.h"

#include <gtest/gtest.h>

#include <math.h>

#include <vector>

namespace {

struct Spectrum {
  std::vector<float> real, imag;
};

Spectrum Transform(const std::vector<float>& in, int inverse) {
  Spectrum out{std::vector<float>(in.size(), -99.0f), std::vector<float>(in.size(), -99.0f)};
  fft_float(static_cast<unsigned>(in.size()), inverse, in.data(), nullptr, out.real.data(),
            out.imag.data());
  return out;
}

const std::vector<float> kRamp = {1, 2, 3, 4, 5, 6, 7, 8};

TEST(FftFloat, EightPointRampForwardUsesTheCosineOnlyButterfly) {
  const Spectrum s = Transform(kRamp, 0);
  const float expected[8] = {36, -6.8284f, -4, -1.1716f, -4, -1.1716f, -4, -6.8284f};
  for (int i = 0; i < 8; ++i) {
    EXPECT_NEAR(s.real[i], expected[i], 5e-5) << i;
    EXPECT_EQ(s.imag[i], 0.0f) << i;
  }
}

TEST(FftFloat, InverseDiffersOnlyByTheDivisionByTheCount) {
  const Spectrum forward = Transform(kRamp, 0);
  const Spectrum inverse = Transform(kRamp, 1);
  EXPECT_NEAR(inverse.real[0], 4.5, 1e-6);
  EXPECT_NEAR(inverse.real[1], -0.85355, 1e-5);
  EXPECT_NEAR(inverse.real[2], -0.5, 1e-6);
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(inverse.real[i], forward.real[i] / 8) << i;
    EXPECT_EQ(inverse.imag[i], 0.0f) << i;
  }
  // Any non-zero flag is the inverse.
  EXPECT_EQ(Transform(kRamp, -7).real, inverse.real);
}

TEST(FftFloat, ImpulseAndConstantInputs) {
  std::vector<float> impulse(16, 0.0f);
  impulse[0] = 1.0f;
  for (float v : Transform(impulse, 0).real) EXPECT_EQ(v, 1.0f);

  const Spectrum constant = Transform(std::vector<float>(32, 3.0f), 0);
  EXPECT_FLOAT_EQ(constant.real[0], 96.0f);
  for (int i = 1; i < 32; ++i) EXPECT_NEAR(constant.real[i], 0.0f, 1e-4) << i;
}

TEST(FftFloat, SixtyFourPointCosineGivesTheDisplaysTheirBandMagnitudes) {
  std::vector<float> in(64);
  for (int n = 0; n < 64; ++n) in[n] = static_cast<float>(100 * cos(2 * M_PI * 4 * n / 64));
  const Spectrum s = Transform(in, 0);
  for (int i = 1; i < 32; ++i) {
    const float magnitude = fabsf(s.real[i]);
    switch (i) {
      case 4:
        EXPECT_NEAR(magnitude, 2082.8, 0.05);
        break;
      case 12:
        EXPECT_NEAR(magnitude, 600.0, 0.05);
        break;
      case 20:
        EXPECT_NEAR(magnitude, 200.0, 0.05);
        break;
      case 28:
        EXPECT_NEAR(magnitude, 317.2, 0.05);
        break;
      default:
        EXPECT_NEAR(magnitude, 0.0, 1e-3) << i;
    }
  }
}

TEST(FftFloat, GivenImaginaryInputIsCopiedInBitReversedOrderAndNeverChanged) {
  const float imagIn[4] = {1, 2, 3, 4};
  const float realIn[4] = {0, 0, 0, 0};
  float realOut[4], imagOut[4];
  fft_float(4, 0, realIn, imagIn, realOut, imagOut);
  EXPECT_EQ(imagOut[0], 1.0f);
  EXPECT_EQ(imagOut[1], 3.0f);
  EXPECT_EQ(imagOut[2], 2.0f);
  EXPECT_EQ(imagOut[3], 4.0f);
}

TEST(FftHelpers, SizesBitsAndReversal) {
  EXPECT_FALSE(ValidTransformSize(0));
  EXPECT_FALSE(ValidTransformSize(1));
  EXPECT_TRUE(ValidTransformSize(2));
  EXPECT_TRUE(ValidTransformSize(64));
  EXPECT_FALSE(ValidTransformSize(48));
  EXPECT_TRUE(ValidTransformSize(0x80000000u));

  EXPECT_EQ(NumberOfBitsNeeded(2), 1u);
  EXPECT_EQ(NumberOfBitsNeeded(64), 6u);
  EXPECT_EQ(NumberOfBitsNeeded(48), 4u);  // the lowest set bit, not log2

  EXPECT_EQ(BitReversedIndex(1, 6), 32u);
  EXPECT_EQ(BitReversedIndex(6, 3), 3u);
  EXPECT_EQ(BitReversedIndex(0xFF, 4), 15u);  // only the lowest bits count
}

using FftDeathTest = ::testing::Test;

void RunSize(unsigned n) {
  float in[64] = {}, out[64], imag[64];
  fft_float(n, 0, in, nullptr, out, imag);
}

TEST_F(FftDeathTest, SizesThatAreNotPowersOfTwoEndTheProgram) {
  EXPECT_EXIT(RunSize(48), ::testing::ExitedWithCode(1),
              "^Error in fft\\(\\):  NumSamples=48 is not power of two\n$");
  EXPECT_EXIT(RunSize(0), ::testing::ExitedWithCode(1),
              "^Error in fft\\(\\):  NumSamples=0 is not power of two\n$");
  EXPECT_EXIT(RunSize(1), ::testing::ExitedWithCode(1),
              "^Error in fft\\(\\):  NumSamples=1 is not power of two\n$");
}

TEST_F(FftDeathTest, MissingArraysAreNamedInCheckingOrder) {
  float a[8] = {}, b[8], c[8];
  EXPECT_EXIT(fft_float(8, 0, nullptr, nullptr, nullptr, nullptr), ::testing::ExitedWithCode(1),
              "^Error in fft_float\\(\\):  RealIn == NULL\n$");
  EXPECT_EXIT(fft_float(8, 0, a, nullptr, nullptr, nullptr), ::testing::ExitedWithCode(1),
              "^Error in fft_float\\(\\):  RealOut == NULL\n$");
  EXPECT_EXIT(fft_float(8, 0, a, nullptr, b, nullptr), ::testing::ExitedWithCode(1),
              "^Error in fft_float\\(\\):  ImagOut == NULL\n$");
  // The size is checked before the arrays.
  EXPECT_EXIT(fft_float(6, 0, nullptr, nullptr, c, c), ::testing::ExitedWithCode(1),
              "NumSamples=6");
}

TEST_F(FftDeathTest, HelpersAreFatalOnBadArguments) {
  EXPECT_EXIT(NumberOfBitsNeeded(1), ::testing::ExitedWithCode(1),
              "^>>> Error in fftmisc: argument 1 to NumberOfBitsNeeded is too small.\n$");
  EXPECT_EXIT(RequireArray(nullptr, "ImagIn"), ::testing::ExitedWithCode(1),
              "^Error in fft_float\\(\\):  ImagIn == NULL\n$");
}

}  // namespace
