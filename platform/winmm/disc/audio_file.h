// An audio file (WAVE, FLAC, Ogg, ... through libsndfile) read as a CD track: 44100 Hz stereo
// 16-bit, resampled with FFmpeg's libswresample when its rate differs. Mono plays on both channels;
// of more channels the first two are kept. Reading streams: the file stays open, sequential
// reads continue where the last one ended, and memory does not depend on the file's length.
#ifndef ORVEL_WINMM_DISC_AUDIO_FILE_H
#define ORVEL_WINMM_DISC_AUDIO_FILE_H

#include <stdint.h>

#include <memory>
#include <string>

namespace orvel::disc {

// Sample rates outside this range are refused.
constexpr int kMinFileRate = 1000;
constexpr int kMaxFileRate = 768000;

// Opens `path` far enough to learn its length in 44100 Hz frames (rounded up). On failure
// returns false with a message naming `shownName` in *error.
bool ProbeAudioFile(const std::string& path, const std::string& shownName, int64_t* frames,
                    std::string* error);

// The title, artist and album that an audio file's tags give (WAVE INFO, Vorbis comments);
// empty where the file has none or cannot be read.
struct AudioTags {
  std::string title, artist, album;
};
AudioTags ReadAudioTags(const std::string& path);

class AudioFileReader {
 public:
  // Opens `path`; Ok() says whether that worked.
  explicit AudioFileReader(const std::string& path);
  ~AudioFileReader();
  AudioFileReader(const AudioFileReader&) = delete;
  AudioFileReader& operator=(const AudioFileReader&) = delete;

  bool Ok() const;

  // Writes `frames` interleaved stereo frames at 44100 Hz, from frame `first` of the track on,
  // into `out`; past the file's end they are silence. A read that does not continue the last
  // one seeks the file and starts the resampler afresh. Returns false when the file cannot be
  // read; `out` is then silence from the failure on.
  bool Read(int64_t first, int frames, int16_t* out);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace orvel::disc

#endif
