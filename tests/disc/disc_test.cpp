// Discs opened from images the tests write: every kind gives the table of contents it should,
// and reading a track gives that track's tone; broken inputs give messages that name the file.
#include "disc/disc.h"

#include <gtest/gtest.h>
#include <math.h>
#include <sndfile.h>

#include <limits.h>

#include <fstream>

#include "disc_images.h"

namespace orvel::disc {
namespace {

using test::Form;
using test::Options;

// The power of `hz` in interleaved stereo samples (channel 0 or 1), by a single DFT term.
double Power(const std::vector<int16_t>& s, int channel, double hz) {
  double re = 0, im = 0;
  size_t frames = s.size() / 2;
  for (size_t n = 0; n < frames; ++n) {
    double w = 2 * M_PI * hz * static_cast<double>(n) / kSampleRate;
    re += s[2 * n + channel] * cos(w);
    im += s[2 * n + channel] * sin(w);
  }
  return (re * re + im * im) / (static_cast<double>(frames) * frames);
}

double Rms(const std::vector<int16_t>& s) {
  double sum = 0;
  for (int16_t v : s) sum += static_cast<double>(v) * v;
  return s.empty() ? 0 : sqrt(sum / static_cast<double>(s.size()));
}

// Which of the tones sounds loudest, on both channels alike; -1 for silence.
int LoudestTone(const std::vector<int16_t>& s, const std::vector<double>& tones) {
  if (Rms(s) < 1) return -1;
  int best = -1;
  double bestPower = 0;
  for (size_t k = 0; k < tones.size(); ++k) {
    double p = Power(s, 0, tones[k]);
    EXPECT_NEAR(Power(s, 1, tones[k]), p, p * 0.01 + 1) << "channels differ";
    if (p > bestPower) {
      bestPower = p;
      best = static_cast<int>(k);
    }
  }
  return best;
}

std::vector<int16_t> ReadSectors(Disc& disc, int32_t sector, int count, bool* ok = nullptr) {
  std::vector<int16_t> s(static_cast<size_t>(count) * kFramesPerSector * 2, 7);
  bool read = disc.Read(sector, count, s.data());
  if (ok) *ok = read;
  return s;
}

struct Kind {
  const char* name;
  Form form;
  Options options;
};

Options With(int tracks, int pregap = 0, int data = 0, bool bigEndian = false) {
  Options o;
  o.tracks = tracks;
  o.pregapSectors = pregap;
  o.dataTrack = data;
  o.bigEndian = bigEndian;
  return o;
}

Options Audio(int tracks, int rate, int channels, int pregap = 0, int extra = 0) {
  Options o;
  o.tracks = tracks;
  o.rate = rate;
  o.channels = channels;
  o.pregapSectors = pregap;
  o.extraFrames = extra;
  o.sectorsPerTrack = 60;
  return o;
}

const Kind kKinds[] = {
    {"CUE/BIN", Form::kCueBin, With(3)},
    {"CUE/BIN, 25 tracks", Form::kCueBin, With(25)},
    {"CUE/BIN, pregap and data track", Form::kCueBin, With(4, 40, 3)},
    {"CUE/BIN, big-endian", Form::kCueBin, With(3, 0, 0, true)},
    {"CUE with a BIN per track, pregap", Form::kCueBinPerTrack, With(4, 30, 4)},
    {"bare BIN", Form::kBareBin, With(1)},
    {"cdrdao TOC", Form::kToc, With(3)},
    {"cdrdao TOC with a pregap", Form::kToc, With(4, 40)},
    {"CUE of FLAC files at 44.1 kHz with a pregap", Form::kCueFlac, Audio(3, 44100, 2, 20)},
    {"CUE of FLAC files at 48 kHz, mono", Form::kCueFlac, Audio(3, 48000, 1)},
    {"folder of FLAC files at 48 kHz, 11 tracks", Form::kFlacFolder, Audio(11, 48000, 2)},
    {"folder of 4-channel FLAC files at 22.05 kHz, padded", Form::kFlacFolder,
     Audio(2, 22050, 4, 0, 101)},
};

TEST(Disc, EveryKindGivesItsContentsAndTones) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    test::Folder folder;
    test::Image image = test::WriteImage(folder.path(), kind.form, kind.options);
    std::string error;
    std::unique_ptr<Disc> disc = OpenDisc(image.path, &error);
    ASSERT_TRUE(disc) << error;
    EXPECT_EQ(disc->Name(), image.path);
    EXPECT_EQ(disc->Check(), Disc::Media::kPresent);
    const Contents& toc = disc->Toc();
    ASSERT_EQ(toc.tracks.size(), image.expected.tracks.size());
    EXPECT_EQ(toc.leadOut, image.expected.leadOut);
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
      const Track& got = toc.tracks[i];
      const Track& want = image.expected.tracks[i];
      SCOPED_TRACE("track " + std::to_string(want.number));
      EXPECT_EQ(got.number, want.number);
      EXPECT_EQ(got.start, want.start);
      EXPECT_EQ(got.length, want.length);
      EXPECT_EQ(got.audio, want.audio);
      // The first two sectors of the track sound its tone (or nothing, for data) at level.
      std::vector<int16_t> s = ReadSectors(*disc, got.start, 2);
      EXPECT_EQ(LoudestTone(s, image.tones), want.audio ? static_cast<int>(i) : -1);
      if (want.audio) {
        EXPECT_NEAR(Rms(s), test::kToneLevel * 32767 / sqrt(2), 300);
      }
      // The sector before a track's start is the pregap's silence when there is one.
      if (i > 0 && kind.options.pregapSectors && want.number == kind.options.pregapTrack) {
        EXPECT_EQ(Rms(ReadSectors(*disc, got.start - 1, 1)), 0);
      }
    }
    // Before sector 0 and past the lead-out: silence, and no failure.
    for (int32_t far : {toc.leadOut, INT32_MAX - 1, INT32_MIN}) {
      bool ok = false;
      EXPECT_EQ(Rms(ReadSectors(*disc, far, 3, &ok)), 0) << far;
      EXPECT_TRUE(ok) << far;
    }
    // A read from before sector 0 into track 1 finds the tone where the track starts.
    std::vector<int16_t> lead = ReadSectors(*disc, toc.tracks[0].start - 2, 4);
    EXPECT_EQ(Rms(std::vector<int16_t>(lead.begin(), lead.begin() + 2 * kFramesPerSector * 2)), 0);
    EXPECT_EQ(LoudestTone(std::vector<int16_t>(lead.begin() + 2 * kFramesPerSector * 2, lead.end()),
                          image.tones),
              toc.tracks[0].audio ? 0 : -1);
  }
}

// A read that spans tracks (and files) gives each part its own tone.
TEST(Disc, AReadAcrossTracksChangesTone) {
  for (Form form : {Form::kCueBinPerTrack, Form::kFlacFolder}) {
    test::Folder folder;
    test::Image image = test::WriteImage(folder.path(), form, Audio(3, 48000, 2));
    std::string error;
    std::unique_ptr<Disc> disc = OpenDisc(image.path, &error);
    ASSERT_TRUE(disc) << error;
    int32_t boundary = disc->Toc().tracks[1].start;
    std::vector<int16_t> s = ReadSectors(*disc, boundary - 4, 8);
    std::vector<int16_t> before(s.begin(), s.begin() + 3 * kFramesPerSector * 2);
    std::vector<int16_t> after(s.end() - 3 * kFramesPerSector * 2, s.end());
    EXPECT_EQ(LoudestTone(before, image.tones), 0);
    EXPECT_EQ(LoudestTone(after, image.tones), 1);
  }
}

// Reading out of order (seeking and restarting the resampler) gives what reading in order
// gives, apart from the resampler's first few samples.
TEST(Disc, ASeekGivesWhatPlayingOnGives) {
  for (int rate : {44100, 48000}) {
    test::Folder folder;
    test::Image image = test::WriteImage(folder.path(), Form::kFlacFolder, Audio(2, rate, 2));
    std::string error;
    std::unique_ptr<Disc> disc = OpenDisc(image.path, &error);
    ASSERT_TRUE(disc) << error;
    std::vector<int16_t> inOrder = ReadSectors(*disc, 0, 20);
    // Played on a sector at a time, as the player reads: each read goes on where the last
    // ended, also in the middle of what the resampler was given.
    for (int32_t sector = 0; sector < 20; ++sector) {
      const std::vector<int16_t> one = ReadSectors(*disc, sector, 1);
      for (size_t i = 0; i < one.size(); ++i) {
        ASSERT_NEAR(one[i], inOrder[sector * kFramesPerSector * 2 + i], 3)
            << rate << " sector " << sector << " " << i;
      }
    }
    std::vector<int16_t> sought = ReadSectors(*disc, 12, 2);
    std::vector<int16_t> back = ReadSectors(*disc, 4, 1);
    size_t skip = rate == kSampleRate ? 0 : 200;  // the resampler's start
    for (size_t i = skip; i < sought.size(); ++i) {
      ASSERT_NEAR(sought[i], inOrder[12 * kFramesPerSector * 2 + i], 3) << rate << " " << i;
    }
    for (size_t i = skip; i < back.size(); ++i) {
      ASSERT_NEAR(back[i], inOrder[4 * kFramesPerSector * 2 + i], 3) << rate << " " << i;
    }
  }
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

void WriteWav(const std::string& path, int rate) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  short samples[100] = {};
  sf_writef_short(f, samples, 100);
  sf_close(f);
}

struct Broken {
  const char* name;
  // Writes the input into the folder and returns what to open.
  std::string (*make)(const std::string& folder);
  std::string message;  // after the folder's path and a slash
};

const Broken kBroken[] = {
    {"missing", [](const std::string& f) { return f + "/gone.cue"; },
     "gone.cue: no such file, folder or drive"},
    {"BIN cut partway through a sector",
     [](const std::string& f) {
       Options o = With(3);
       o.truncateBytes = 1000;
       return test::WriteImage(f, Form::kCueBin, o).path;
     },
     "album.cue:1: \"album.bin\" ends partway through a sector: it is 1000 bytes short"},
    {"BIN cut before the last track",
     [](const std::string& f) {
       Options o = With(3);
       o.truncateBytes = (150 + 10) * kSectorBytes;
       return test::WriteImage(f, Form::kCueBin, o).path;
     },
     "album.cue:7: \"album.bin\" ends before TRACK 03 INDEX 01: it is 23520 bytes short"},
    {"bare BIN cut partway through a sector",
     [](const std::string& f) {
       Options o = With(1);
       o.truncateBytes = 2;
       return test::WriteImage(f, Form::kBareBin, o).path;
     },
     "album.bin: \"album.bin\" ends partway through a sector: it is 2 bytes short"},
    {"TOC whose BIN is cut short",
     [](const std::string& f) {
       Options o = With(2);
       o.truncateBytes = 2 * kSectorBytes;
       return test::WriteImage(f, Form::kToc, o).path;
     },
     "album.toc: the image ends before its last sector (299): a file it names is truncated"},
    // libcdio's TOC reader would lose the files it opened for these (LeakSanitizer).
    {"TOC whose track runs past the end of its file",
     [](const std::string& f) {
       WriteFile(f + "/a.bin", std::string(kSectorBytes, '\0'));
       WriteFile(f + "/a.toc", "CD_DA\nTRACK AUDIO\nFILE \"a.bin\" 00:00:00 00:00:02\n");
       return f + "/a.toc";
     },
     "a.toc:3: FILE \"a.bin\" holds 2352 bytes, fewer than the 4704 that its length 00:00:02 "
     "takes"},
    {"TOC track of two files",
     [](const std::string& f) {
       WriteFile(f + "/a.bin", std::string(kSectorBytes, '\0'));
       WriteFile(f + "/a.toc",
                 "CD_DA\nTRACK AUDIO\nFILE \"a.bin\" 0\nTRACK AUDIO\nFILE \"a.bin\" 0\n"
                 "AUDIOFILE \"a.bin\" 0\n");
       return f + "/a.toc";
     },
     "a.toc:6: AUDIOFILE \"a.bin\" is a second file in its track, which takes one"},
    {"CUE whose FILE is missing",
     [](const std::string& f) {
       WriteFile(f + "/a.cue", "REM\nFILE \"03.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
       return f + "/a.cue";
     },
     "a.cue:2: FILE \"03.flac\" is missing"},
    {"CUE that does not parse",
     [](const std::string& f) {
       WriteFile(f + "/a.cue", "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00\n");
       return f + "/a.cue";
     },
     "a.cue:3: \"00:00\" is not a time (mm:ss:ff)"},
    {"CUE naming a file that is not audio",
     [](const std::string& f) {
       WriteFile(f + "/a.flac", "not flac at all");
       WriteFile(f + "/a.cue", "FILE a.flac WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
       return f + "/a.cue";
     },
     "a.cue:1: FILE \"a.flac\": cannot be read as audio"},
    {"empty folder",
     [](const std::string& f) {
       WriteFile(f + "/cover.jpg", "\xFF\xD8");
       return f;
     },
     ": holds no audio files"},
    {"folder with an unreadable audio file",
     [](const std::string& f) {
       test::WriteImage(f, Form::kFlacFolder, Audio(2, 44100, 2));
       WriteFile(f + "/3.flac", "truncated");
       return f;
     },
     "3.flac: cannot be read as audio"},
    {"audio file at an absurd rate",
     [](const std::string& f) {
       WriteWav(f + "/1.wav", 900);
       return f;
     },
     "1.wav: its sample rate of 900 Hz is outside 1000 to 768000 Hz"},
    {"not a disc",
     [](const std::string& f) {
       WriteFile(f + "/a.txt", "hello");
       return f + "/a.txt";
     },
     "a.txt: not a CD drive, a disc image (.cue, .toc, .nrg, .bin) or a folder"},
};

TEST(Disc, BrokenInputsSayWhatIsWrong) {
  for (const Broken& b : kBroken) {
    test::Folder folder;
    std::string path = b.make(folder.path());
    std::string error;
    EXPECT_FALSE(OpenDisc(path, &error)) << b.name;
    std::string want = folder.path() + (b.message[0] == ':' ? "" : "/") + b.message;
    EXPECT_EQ(error.substr(0, want.size()), want) << b.name;
  }
}

// A sheet made for WAVE files that were compressed afterwards plays the compressed files.
TEST(Disc, ASheetNamingWaveFilesFindsThemCompressed) {
  test::Folder folder;
  test::Image image = test::WriteImage(folder.path(), Form::kCueFlac, Audio(2, 44100, 2));
  WriteFile(image.path,
            "FILE \"01.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
            "FILE \"02.wav\" WAVE\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n");
  std::string error;
  std::unique_ptr<Disc> disc = OpenDisc(image.path, &error);
  ASSERT_TRUE(disc) << error;
  EXPECT_EQ(LoudestTone(ReadSectors(*disc, disc->Toc().tracks[1].start, 2), image.tones), 1);
}

// A BIN that goes away after the disc opened: the read fails and gives silence.
TEST(Disc, AReadFromAVanishedFileFails) {
  test::Folder folder;
  test::Image image = test::WriteImage(folder.path(), Form::kCueBinPerTrack, With(2));
  std::string error;
  std::unique_ptr<Disc> disc = OpenDisc(image.path, &error);
  ASSERT_TRUE(disc) << error;
  ASSERT_EQ(remove((folder.path() + "/02.bin").c_str()), 0);
  bool ok = true;
  std::vector<int16_t> s = ReadSectors(*disc, disc->Toc().tracks[1].start - 1, 3, &ok);
  EXPECT_FALSE(ok);
  EXPECT_GT(Rms(std::vector<int16_t>(s.begin(), s.begin() + kFramesPerSector * 2)), 1000);
  EXPECT_EQ(Rms(std::vector<int16_t>(s.begin() + kFramesPerSector * 2, s.end())), 0);
}

TEST(Disc, DrivesThatAreNotThere) {
  std::string error;
  // On a machine with a drive, the drive opens instead, with or without a disc in it.
  std::unique_ptr<Disc> drive = OpenDefaultDrive(&error);
  if (drive) {
    EXPECT_FALSE(drive->Name().empty());
  } else {
    EXPECT_EQ(error, "no CD drive was found");
  }
  EXPECT_FALSE(OpenDisc("/dev/null", &error));
  EXPECT_EQ(error, "/dev/null: not a CD drive");
}

}  // namespace
}  // namespace orvel::disc
