// Disc images for tests, written on the spot: every track a few seconds of its own sine tone,
// as a CUE/BIN (one BIN or one per track, little- or big-endian), a cdrdao TOC over a BIN, a
// bare .bin, a CUE sheet naming FLAC files, or a folder of FLAC files. Each comes with the
// table of contents a disc reader should report for it, worked out here from the options.
#ifndef ORVEL_TESTS_SUPPORT_DISC_IMAGES_H
#define ORVEL_TESTS_SUPPORT_DISC_IMAGES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "disc/disc.h"

namespace orvel::test {

enum class Form {
  kCueBin,          // album.cue + album.bin
  kCueBinPerTrack,  // album.cue + 01.bin, 02.bin, ...
  kToc,             // album.toc (cdrdao) + album.bin
  kBareBin,         // album.bin alone: one track holding every tone in turn
  kCueFlac,         // album.cue + 01.flac, 02.flac, ...
  kFlacFolder,      // 1.flac, 2.flac, ... 10.flac (name order is not byte order) + non-audio
};

struct Options {
  int tracks = 3;             // 1..99
  int sectorsPerTrack = 150;  // of tone (75 a second); the audio-file forms round to frames
  int pregapSectors = 0;      // silence before track `pregapTrack`'s INDEX 01, as INDEX 00
  int pregapTrack = 2;        // (START in a TOC); the folder form has none
  int dataTrack = 0;          // this track is MODE1/2352 data (CUE/BIN forms only); 0: none
  int64_t truncateBytes = 0;  // cut off the end of the last BIN file (raw forms only)
  bool bigEndian = false;     // BIN samples big-endian, FILE type MOTOROLA (CUE/BIN forms)
  int rate = 48000;           // the audio-file forms: sample rate
  int channels = 2;           // and channel count (1: mono; more: the tone on the first two)
  int extraFrames = 0;        // frames (at `rate`) added to each audio file after its tone
};

struct Image {
  std::string path;           // what to open: the sheet, the .bin or the folder
  disc::Contents expected;    // as a reader should report it
  std::vector<double> tones;  // tones[k - 1]: track k's frequency in Hz; 0 for data
};

// A fresh empty folder under the temporary directory, removed with all it holds when this goes.
class Folder {
 public:
  Folder();
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Track k's tone: bin 2 + (k mod 28) of a 64-point transform at 22050 Hz (22050 / 64 Hz
// apart), at the bin's centre, so that up to 28 tracks each peak in a band of their own.
double ToneHz(int track);

// Writes the image into `folder` (which must exist) and returns where it is.
Image WriteImage(const std::string& folder, Form form, const Options& options = {});

// The amplitude of the tones, as a fraction of full scale.
constexpr double kToneLevel = 0.5;

}  // namespace orvel::test

#endif
