// Where a wave-in device's frames come from. A generator gives random access to its frames by
// index, so that a device can record "the source's samples at time t" whatever thread asks.
#ifndef ORVEL_WINMM_GENERATOR_H
#define ORVEL_WINMM_GENERATOR_H

#include <stdint.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// libsndfile's handle and header, as <sndfile.h> declares them: only the file source includes
// libsndfile itself, so that a build without it (the browser's) can hold the rest.
typedef struct sf_private_tag SNDFILE;
typedef struct SF_INFO SF_INFO;

namespace orvel::wave {

class Generator {
 public:
  Generator(int rate, int channels) : rate_(rate), channels_(channels) {}
  virtual ~Generator() = default;
  int Rate() const { return rate_; }          // frames per second
  int Channels() const { return channels_; }  // 1 or 2
  // Writes `count` frames from frame `first` on to out (interleaved). Frames the source does
  // not hold (before 0, after its end, already gone) are silence.
  virtual void Read(int64_t first, int count, float* out) = 0;

 private:
  int rate_;
  int channels_;
};

// Tests: 22050 Hz mono from a function of the sample index.
using ScriptFill = std::function<void(int64_t firstSample, uint8_t* out, int count)>;
std::unique_ptr<Generator> MakeScriptedGenerator(ScriptFill fill);

// The built-in demo music, 22050 Hz mono (demo_synth.h).
std::unique_ptr<Generator> MakeDemoGenerator();

// The rates an audio file or stream may have, in frames per second: from 1 kHz (below that,
// nothing of music is left) to 768 kHz (four times 192 kHz, the highest rate audio files and
// interfaces use). A rate outside comes from a broken or hostile header and is refused, so
// that no rate can make the conversion costly.
constexpr int kMinSourceRate = 1000;
constexpr int kMaxSourceRate = 768000;

// Called once, on whatever thread reads, when a stream ends or fails; `why` says so in words.
using EndHook = std::function<void(const std::string& why)>;

// An audio file or stream through libsndfile, opened once and kept: `name` is the path of a
// file, a FIFO or a pipe (/dev/fd/N), or "-" for standard input. Null with a message naming
// it when it cannot be read, is not audio or has a rate outside the range above. A file that
// can seek is read at random; a stream is read as it comes (a read waits for the writer), and
// its last two seconds or so can be read again. Two channels are kept of more.
std::unique_ptr<Generator> OpenFileGenerator(const std::string& name, EndHook ended,
                                             std::string* error);

// The same over a SNDFILE already open on `name`, which it owns from now on (closed on
// failure too): the checks and the generator of OpenFileGenerator.
std::unique_ptr<Generator> MakeFileGenerator(SNDFILE* file, const SF_INFO& info,
                                             const std::string& name, EndHook ended,
                                             std::string* error);

// Live input: the capture callback appends frames; readers see the last second or so.
class RingGenerator : public Generator {
 public:
  // Holds the last `capacity` frames.
  RingGenerator(int rate, int channels, int64_t capacity);
  void Append(const float* frames, int count);
  int64_t FramesWritten() const { return written_.load(); }
  void Read(int64_t first, int count, float* out) override;

 private:
  std::mutex mutex_;
  std::vector<float> ring_;
  int64_t capacity_;  // frames
  std::atomic<int64_t> written_{0};
};

}  // namespace orvel::wave

#endif
