// The sound of a render that plays a disc: what the CD player sends to its output, taken off
// the same cable that the program's wave input records, so that the video's sound is exactly
// what its pictures were drawn from, whatever the buttons did to play.
#ifndef ORVEL_HOST_RENDER_CABLE_TAP_H
#define ORVEL_HOST_RENDER_CABLE_TAP_H

#include <stdint.h>

#include <memory>
#include <mutex>
#include <vector>

#include "winmm/audio_backend.h"
#include "winmm/generator.h"

namespace orvel::render {

// Records the cable from Start on. Frame n of the recording (44100 Hz stereo) is the sound of
// clock time n / 44100 s: a period the player pulls at time t lands at t, and time before the
// player first plays anything is silence.
class CableTap {
 public:
  static constexpr int kRate = 44100;
  static constexpr int kChannels = 2;

  void Start();
  // Frames recorded so far: the recording is complete up to here.
  int64_t Recorded();
  // Copies frames [first, first + count); frames not recorded (or forgotten) are silence. What
  // lies before `first` is forgotten: a render reads its sound once, in order. Of a recording
  // nobody reads, only the last ten seconds or so are kept.
  void Read(int64_t first, int count, float* out);

 private:
  void Take(const float* frames, int count);

  std::mutex lock_;
  std::unique_ptr<wave::audio::Stream> capture_;
  std::vector<float> kept_;  // frames [keptFrom_, recorded_)
  int64_t keptFrom_ = 0;
  int64_t recorded_ = 0;
};

// The recording as a source of a render's sound (AudioFeed).
std::unique_ptr<wave::Generator> ReadCable(CableTap* tap);

}  // namespace orvel::render

#endif
