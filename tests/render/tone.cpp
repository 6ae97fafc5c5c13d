#include <math.h>
#include <sndfile.h>
#include <string.h>

#include <vector>

#include "run_orvel.h"

namespace orvel::test {

bool WriteTone(const std::string& path, double seconds, int rate, int channels,
               const std::vector<std::string>& tags) {
  SF_INFO info;
  memset(&info, 0, sizeof info);
  info.samplerate = rate;
  info.channels = channels;
  const bool flac = path.size() > 5 && path.compare(path.size() - 5, 5, ".flac") == 0;
  info.format = (flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  const int kinds[] = {SF_STR_TITLE, SF_STR_ARTIST, SF_STR_ALBUM};
  for (size_t i = 0; i < tags.size() && i < 3; ++i) sf_set_string(file, kinds[i], tags[i].c_str());
  const int64_t frames = static_cast<int64_t>(seconds * rate);
  std::vector<float> data(static_cast<size_t>(frames * channels));
  for (int64_t n = 0; n < frames; ++n) {
    const double t = static_cast<double>(n) / rate;
    const double v = 0.8 * sin(M_PI * t / seconds) * sin(2 * M_PI * (300 + 700 * t) * t);
    for (int c = 0; c < channels; ++c)
      data[static_cast<size_t>(n * channels + c)] = static_cast<float>(v);
  }
  const bool ok = sf_writef_float(file, data.data(), frames) == frames;
  return sf_close(file) == 0 && ok;
}

}  // namespace orvel::test
