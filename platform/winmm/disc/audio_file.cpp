#include "disc/audio_file.h"

#include <dlfcn.h>
#include <sndfile.h>
extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/macros.h>
#include <libswresample/swresample.h>
}
#include <string.h>

#include <algorithm>
#include <vector>

#include "disc/disc.h"

namespace orvel::disc {
namespace {

// Files longer than this are refused: their length would not fit a disc anyway.
constexpr int64_t kMaxFileSeconds = 100 * 3600;
// Frames decoded at a time, whatever the file's channel count (the buffer holds this many
// samples in all).
constexpr int kChunkSamples = 8192;

int64_t FramesAt44k(int64_t frames, int rate) {
  return (frames * kSampleRate + rate - 1) / rate;
}

// FFmpeg's resampler, loaded when a file first needs it. Most runs never play a track at
// another rate than the disc's, and the library with all that it loads (libavutil, libsoxr,
// OpenMP, the video-acceleration libraries, a second C++ library) would add more than a
// mebibyte to every live window.
struct Resampler {
  decltype(&swr_alloc_set_opts2) allocSetOpts2 = nullptr;
  decltype(&swr_init) init = nullptr;
  decltype(&swr_close) close = nullptr;
  decltype(&swr_convert) convert = nullptr;
  decltype(&swr_get_out_samples) outSamples = nullptr;
  decltype(&swr_free) free = nullptr;
};

template <typename F>
bool Find(void* library, const char* name, F* function) {
  *function = reinterpret_cast<F>(dlsym(library, name));
  return *function != nullptr;
}

// The resampler, or null when this system lacks the library that the program was built with.
const Resampler* LoadResampler() {
  static const Resampler* loaded = []() -> const Resampler* {
    void* library = dlopen("libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
                           RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static Resampler r;
    const bool found = Find(library, "swr_alloc_set_opts2", &r.allocSetOpts2) &&
                       Find(library, "swr_init", &r.init) && Find(library, "swr_close", &r.close) &&
                       Find(library, "swr_convert", &r.convert) &&
                       Find(library, "swr_get_out_samples", &r.outSamples) &&
                       Find(library, "swr_free", &r.free);
    return found ? &r : nullptr;
  }();
  return loaded;
}

}  // namespace

bool ProbeAudioFile(const std::string& path, const std::string& shownName, int64_t* frames,
                    std::string* error) {
  SF_INFO info;
  memset(&info, 0, sizeof info);
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    *error = shownName + ": cannot be read as audio (" + sf_strerror(nullptr) + ")";
    return false;
  }
  sf_close(file);
  if (info.samplerate < kMinFileRate || info.samplerate > kMaxFileRate) {
    *error = shownName + ": its sample rate of " + std::to_string(info.samplerate) +
             " Hz is outside " + std::to_string(kMinFileRate) + " to " +
             std::to_string(kMaxFileRate) + " Hz";
    return false;
  }
  if (info.channels < 1 || info.frames < 0 ||
      info.frames > kMaxFileSeconds * static_cast<int64_t>(info.samplerate)) {
    *error = shownName + ": its length or channel count is not believable";
    return false;
  }
  *frames = FramesAt44k(info.frames, info.samplerate);
  return true;
}

struct AudioFileReader::State {
  SNDFILE* file = nullptr;
  SF_INFO info{};
  SwrContext* swr = nullptr;             // only when the rate is not 44100 Hz
  const Resampler* resampler = nullptr;  // the library's functions, with swr
  int64_t next = -1;                     // the frame a sequential read starts at
  bool eof = false;
  std::vector<float> raw;       // one chunk as decoded, all channels
  std::vector<short> rawShort;  // likewise, when no resampling is needed
  std::vector<float> in;        // stereo input waiting for the resampler
  int inFrames = 0;             // its length in frames

  int ChunkFrames() const { return std::max(1, kChunkSamples / info.channels); }
  bool Seek(int64_t first);
  bool Fill();
  bool ReadDirect(int frames, int16_t* out);
  bool ReadResampled(int frames, int16_t* out);
};

// Positions the file for output frame `first`.
bool AudioFileReader::State::Seek(int64_t first) {
  int64_t at = first * info.samplerate / kSampleRate;
  eof = at >= info.frames;
  if (!eof && sf_seek(file, at, SEEK_SET) < 0) return false;
  if (swr) {
    resampler->close(swr);
    if (resampler->init(swr) < 0) return false;
  }
  inFrames = 0;
  next = first;
  return true;
}

// Decodes the next chunk into `in` as stereo floats.
bool AudioFileReader::State::Fill() {
  int ch = info.channels;
  sf_count_t got = eof ? 0 : sf_readf_float(file, raw.data(), ChunkFrames());
  if (got < 0) return false;
  if (got == 0) eof = true;
  in.resize(static_cast<size_t>(got) * 2);
  for (sf_count_t i = 0; i < got; ++i) {
    in[2 * i] = raw[i * ch];
    in[2 * i + 1] = raw[i * ch + (ch > 1 ? 1 : 0)];
  }
  inFrames = static_cast<int>(got);
  return true;
}

bool AudioFileReader::State::ReadDirect(int frames, int16_t* dest) {
  int ch = info.channels;
  while (frames > 0 && !eof) {
    sf_count_t want = std::min(frames, ChunkFrames());
    sf_count_t got = sf_readf_short(file, rawShort.data(), want);
    if (got < 0) return false;
    if (got < want) eof = true;
    for (sf_count_t i = 0; i < got; ++i) {
      dest[2 * i] = rawShort[i * ch];
      dest[2 * i + 1] = rawShort[i * ch + (ch > 1 ? 1 : 0)];
    }
    dest += 2 * got;
    frames -= static_cast<int>(got);
  }
  return true;
}

// The resampler keeps what it has made beyond what was asked for; more of the file goes in
// only when that will not do, so it never holds more than a read and a chunk.
bool AudioFileReader::State::ReadResampled(int frames, int16_t* dest) {
  bool starved = false;
  while (frames > 0) {
    uint8_t* o = reinterpret_cast<uint8_t*>(dest);
    int got;
    if (eof) {
      got = resampler->convert(swr, &o, frames, nullptr, 0);  // the filter's tail
      if (got == 0) break;
    } else {
      if ((starved || resampler->outSamples(swr, 0) < frames) && !Fill()) return false;
      const uint8_t* i = reinterpret_cast<const uint8_t*>(in.data());
      int n = inFrames;
      inFrames = 0;
      got = resampler->convert(swr, &o, frames, &i, n);
      starved = got == 0;
    }
    if (got < 0) return false;
    dest += 2 * got;
    frames -= got;
  }
  return true;
}

AudioFileReader::AudioFileReader(const std::string& path) : s_(new State) {
  s_->file = sf_open(path.c_str(), SFM_READ, &s_->info);
  if (!s_->file || s_->info.channels < 1 || s_->info.samplerate < kMinFileRate ||
      s_->info.samplerate > kMaxFileRate) {
    if (s_->file) sf_close(s_->file);
    s_->file = nullptr;
    return;
  }
  size_t chunk = static_cast<size_t>(s_->ChunkFrames()) * s_->info.channels;
  if (s_->info.samplerate == kSampleRate) {
    s_->rawShort.resize(chunk);
    return;
  }
  s_->raw.resize(chunk);
  const Resampler* resampler = s_->resampler = LoadResampler();
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (resampler == nullptr ||
      resampler->allocSetOpts2(&s_->swr, &stereo, AV_SAMPLE_FMT_S16, kSampleRate, &stereo,
                               AV_SAMPLE_FMT_FLT, s_->info.samplerate, 0, nullptr) < 0 ||
      resampler->init(s_->swr) < 0) {
    sf_close(s_->file);
    s_->file = nullptr;
  }
}

AudioFileReader::~AudioFileReader() {
  if (s_->swr) s_->resampler->free(&s_->swr);
  if (s_->file) sf_close(s_->file);
}

bool AudioFileReader::Ok() const {
  return s_->file != nullptr;
}

bool AudioFileReader::Read(int64_t first, int frames, int16_t* out) {
  memset(out, 0, static_cast<size_t>(frames) * 2 * sizeof(int16_t));
  if (!s_->file) return false;
  if (first != s_->next && !s_->Seek(first)) return false;
  s_->next = first + frames;
  bool ok = s_->swr ? s_->ReadResampled(frames, out) : s_->ReadDirect(frames, out);
  if (!ok) s_->next = -1;  // start afresh next time
  return ok;
}

AudioTags ReadAudioTags(const std::string& path) {
  AudioTags tags;
  SF_INFO info = {};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return tags;
  auto get = [file](int which) {
    const char* text = sf_get_string(file, which);
    return std::string(text ? text : "");
  };
  tags.title = get(SF_STR_TITLE);
  tags.artist = get(SF_STR_ARTIST);
  tags.album = get(SF_STR_ALBUM);
  sf_close(file);
  return tags;
}

}  // namespace orvel::disc
