// The music of a render, read from its source a block at a time (never whole), converted by
// libswresample to what an audio encoder takes and cut into the encoder's frames.
#ifndef ORVEL_HOST_RENDER_AUDIO_FEED_H
#define ORVEL_HOST_RENDER_AUDIO_FEED_H

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "host/render/sink.h"
#include "winmm/generator.h"

namespace orvel::render {

class AudioFeed {
 public:
  ~AudioFeed();

  // Opens the span's source and the converter to `encoder`'s format (which must be open).
  // False with *error naming the input.
  bool Open(const AudioSpan& span, AVCodecContext* encoder, std::string* error);

  // The source's own rate and channel count (1 or 2), for choosing the encoder's format
  // before it opens. False with *error naming the input.
  static bool Probe(const AudioSpan& span, int* rate, int* channels, std::string* error);

  // The next encoder frame (pts in samples of the encoder's rate) while the music up to
  // `untilMicros` of the span is not all handed out; null when it is, or at the span's end.
  // At the end the last frame may be short.
  AVFrame* Next(int64_t untilMicros);

  // Music handed out so far, in microseconds of the span.
  int64_t DoneMicros() const;

  // A cable's sound is handed out only as far as it is recorded, until the render ends: then
  // what was not recorded is silence.
  void EndOfSound() { ended_ = true; }

 private:
  bool Fill();

  std::unique_ptr<wave::Generator> source_;
  CableTap* cable_ = nullptr;
  bool ended_ = false;
  AVCodecContext* encoder_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVAudioFifo* fifo_ = nullptr;
  AVFrame* frame_ = nullptr;
  int64_t sourceNext_ = 0;  // next source frame to read
  int64_t sourceEnd_ = 0;
  bool drained_ = false;  // the converter's tail is in the fifo
  int64_t sent_ = 0;      // encoder samples handed out
  std::vector<float> block_;
};

}  // namespace orvel::render

#endif
