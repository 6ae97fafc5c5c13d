#include "disc_images.h"

#include <math.h>
#include <sndfile.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace orvel::test {
namespace {

using disc::kFramesPerSector;
using disc::kSampleRate;
using disc::kSectorBytes;

std::string Msf(int64_t sectors) {
  char s[32];
  snprintf(s, sizeof s, "%02d:%02d:%02d", static_cast<int>(sectors / 4500),
           static_cast<int>(sectors / 75 % 60), static_cast<int>(sectors % 75));
  return s;
}

std::string TwoDigits(int n) {
  char s[16];
  snprintf(s, sizeof s, "%02d", n);
  return s;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

int16_t ToneSample(double hz, int64_t n, int rate) {
  return static_cast<int16_t>(lround(kToneLevel * 32767 * sin(2 * M_PI * hz * n / rate)));
}

// Raw sectors: `silent` sectors of silence, then `sectors` of the tone (or of data bytes).
void AppendRaw(std::ofstream& out, int silent, int sectors, double hz, bool data, bool bigEndian) {
  std::string zero(static_cast<size_t>(silent) * kSectorBytes, '\0');
  out.write(zero.data(), static_cast<std::streamsize>(zero.size()));
  std::string bytes(static_cast<size_t>(sectors) * kSectorBytes, '\x5A');
  for (int64_t n = 0; !data && n < static_cast<int64_t>(sectors) * kFramesPerSector; ++n) {
    uint16_t v = static_cast<uint16_t>(ToneSample(hz, n, kSampleRate));
    char lo = static_cast<char>(v & 0xFF), hi = static_cast<char>(v >> 8);
    for (int c = 0; c < 2; ++c) {
      bytes[n * 4 + c * 2] = bigEndian ? hi : lo;
      bytes[n * 4 + c * 2 + 1] = bigEndian ? lo : hi;
    }
  }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Truncate(const std::string& path, int64_t bytes) {
  if (bytes <= 0) return;
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  int64_t size = in.tellg();
  if (truncate(path.c_str(), size > bytes ? size - bytes : 0) != 0) {
    throw std::runtime_error("cannot truncate " + path);
  }
}

// An audio file of `silentFrames` of silence then `toneFrames` of the tone, at the options'
// rate and channel count. Returns its frame count.
int64_t WriteAudio(const std::string& path, const Options& o, int64_t silentFrames,
                   int64_t toneFrames, double hz) {
  SF_INFO info{};
  info.samplerate = o.rate;
  info.channels = o.channels;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
  int64_t total = silentFrames + toneFrames + o.extraFrames;
  std::vector<int16_t> frame(o.channels);
  std::vector<int16_t> block;
  block.reserve(static_cast<size_t>(total) * o.channels);
  for (int64_t n = 0; n < total; ++n) {
    int64_t t = n - silentFrames;
    int16_t v = t >= 0 && t < toneFrames ? ToneSample(hz, t, o.rate) : 0;
    for (int c = 0; c < o.channels; ++c) block.push_back(c < 2 ? v : 0);
  }
  sf_writef_short(f, block.data(), total);
  sf_close(f);
  return total;
}

int64_t FramesAt(int64_t sectors, int rate) {
  return (sectors * kFramesPerSector * rate + kSampleRate / 2) / kSampleRate;
}

// A file of `frames` at `rate` takes this many whole sectors.
int32_t SectorsOf(int64_t frames, int rate) {
  int64_t at44 = (frames * kSampleRate + rate - 1) / rate;
  return static_cast<int32_t>((at44 + kFramesPerSector - 1) / kFramesPerSector);
}

// Fills in lengths and the lead-out from the starts and the total.
void Finish(Image* image, int32_t total) {
  std::vector<disc::Track>& t = image->expected.tracks;
  for (size_t i = 0; i < t.size(); ++i) {
    t[i].length = (i + 1 < t.size() ? t[i + 1].start : total) - t[i].start;
  }
  image->expected.leadOut = total;
}

void WriteRaw(const std::string& folder, Form form, const Options& o, Image* image) {
  std::string sheet;
  std::ofstream bin;
  std::string lastBin;
  const char* type = o.bigEndian ? "MOTOROLA" : "BINARY";
  int32_t pos = 0;   // disc sector
  int32_t file = 0;  // sector within the current BIN
  if (form == Form::kToc) sheet = "CD_DA\n";
  for (int k = 1; k <= o.tracks; ++k) {
    bool data = k == o.dataTrack;
    int gap = k == o.pregapTrack ? o.pregapSectors : 0;
    if (k == 1 || form == Form::kCueBinPerTrack) {
      lastBin = form == Form::kCueBinPerTrack ? TwoDigits(k) + ".bin" : "album.bin";
      if (bin.is_open()) bin.close();
      bin.open(folder + "/" + lastBin, std::ios::binary | std::ios::trunc);
      file = 0;
      if (form != Form::kToc) sheet += "FILE \"" + lastBin + "\" " + type + "\n";
    }
    if (form == Form::kToc) {
      sheet += "TRACK AUDIO\nFILE \"" + lastBin + "\" " + Msf(file) + " " +
               Msf(gap + o.sectorsPerTrack) + "\n";
      if (gap) sheet += "START " + Msf(gap) + "\n";
    } else {
      sheet += "  TRACK " + TwoDigits(k) + (data ? " MODE1/2352\n" : " AUDIO\n");
      if (gap) sheet += "    INDEX 00 " + Msf(file) + "\n";
      sheet += "    INDEX 01 " + Msf(file + gap) + "\n";
    }
    AppendRaw(bin, gap, o.sectorsPerTrack, ToneHz(k), data, o.bigEndian);
    if (form != Form::kBareBin || k == 1) {
      image->expected.tracks.push_back(disc::Track{k, pos + gap, 0, !data});
    }
    image->tones.push_back(data ? 0 : ToneHz(k));
    pos += gap + o.sectorsPerTrack;
    file += gap + o.sectorsPerTrack;
  }
  bin.close();
  Truncate(folder + "/" + lastBin, o.truncateBytes);
  Finish(image, pos);
  if (form == Form::kBareBin) {
    image->path = folder + "/album.bin";
    return;
  }
  image->path = folder + (form == Form::kToc ? "/album.toc" : "/album.cue");
  WriteText(image->path, sheet);
}

void WriteAudioFiles(const std::string& folder, Form form, const Options& o, Image* image) {
  std::string sheet;
  int32_t pos = 0;
  for (int k = 1; k <= o.tracks; ++k) {
    int gap = form == Form::kCueFlac && k == o.pregapTrack ? o.pregapSectors : 0;
    std::string name =
        form == Form::kCueFlac ? TwoDigits(k) + ".flac" : std::to_string(k) + ".flac";
    int64_t frames = WriteAudio(folder + "/" + name, o, FramesAt(gap, o.rate),
                                FramesAt(o.sectorsPerTrack, o.rate), ToneHz(k));
    sheet += "FILE \"" + name + "\" WAVE\n  TRACK " + TwoDigits(k) + " AUDIO\n";
    if (gap) sheet += "    INDEX 00 00:00:00\n";
    sheet += "    INDEX 01 " + Msf(gap) + "\n";
    image->expected.tracks.push_back(disc::Track{k, pos + gap, 0, true});
    image->tones.push_back(ToneHz(k));
    pos += SectorsOf(frames, o.rate);
  }
  Finish(image, pos);
  if (form == Form::kCueFlac) {
    image->path = folder + "/album.cue";
    WriteText(image->path, sheet);
  } else {
    image->path = folder;
    WriteText(folder + "/cover.jpg", std::string("\xFF\xD8\xFF\xE0 not really a picture", 25));
    WriteText(folder + "/notes.txt", "ripped for the tests\n");
  }
}

}  // namespace

Folder::Folder() {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvel_disc_XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder in " + pattern);
  path_ = pattern;
}

Folder::~Folder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

double ToneHz(int track) {
  return (2 + track % 28) * 22050.0 / 64;
}

Image WriteImage(const std::string& folder, Form form, const Options& options) {
  Image image;
  if (form == Form::kCueFlac || form == Form::kFlacFolder) {
    WriteAudioFiles(folder, form, options, &image);
  } else {
    WriteRaw(folder, form, options, &image);
  }
  return image;
}

}  // namespace orvel::test
