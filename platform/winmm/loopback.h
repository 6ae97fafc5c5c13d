// The cable from the CD player's output to the wave input: what the CD player plays (44100 Hz
// stereo floats) is offered here as it goes to the sound output, and a wave-input device whose
// source is the CD records it, as the analogue cable from a drive to the sound card once did.
#ifndef ORVEL_WINMM_LOOPBACK_H
#define ORVEL_WINMM_LOOPBACK_H

#include <memory>

#include "audio_backend.h"

namespace orvel::wave::loopback {

constexpr int kRate = 44100;
constexpr int kChannels = 2;

// Hands frames (kChannels interleaved) to every open capture; from the player's output thread.
void Publish(const float* frames, int count);

// A capture stream of the cable: onFrames gets every published frame while the stream runs.
std::unique_ptr<audio::Stream> OpenCapture(audio::Capture onFrames);

}  // namespace orvel::wave::loopback

#endif
