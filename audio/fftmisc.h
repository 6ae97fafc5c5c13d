// The spectrum transform: a radix-2 decimation-in-time transform whose butterflies use the
// cosine of the twiddle angle only. It is not the complex DFT; the displays are tuned to it.
#ifndef ORVEL_AUDIO_FFTMISC_H
#define ORVEL_AUDIO_FFTMISC_H

// NumSamples must be a power of two, at least 2; inverse 0 is forward. ImagIn may be null
// (all zero). The outputs must not overlap the inputs. Bad arguments end the program with a
// message on the standard error stream and exit code 1.
void fft_float(unsigned NumSamples, int InverseTransform, const float* RealIn, const float* ImagIn,
               float* RealOut, float* ImagOut);

// True when n >= 2 and n is a power of two.
bool ValidTransformSize(unsigned n);
// The index of the lowest set bit of n; n below 2 is fatal.
unsigned NumberOfBitsNeeded(unsigned n);
// index with its lowest bits bits in reverse order.
unsigned BitReversedIndex(unsigned index, unsigned bits);
// Returns only if p is not null; otherwise fatal, naming the array.
void RequireArray(const void* p, const char* name);

#endif
