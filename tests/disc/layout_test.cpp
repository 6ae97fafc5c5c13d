// Laying sheets out on a disc: track starts at INDEX 01, lengths running to the next start,
// gaps, mixed sector sizes, padded audio files, and truncated files found before anything plays.
#include "disc/layout.h"

#include <gtest/gtest.h>

namespace orvel::disc {
namespace {

constexpr int64_t S = kSectorBytes;

struct Case {
  const char* name;
  std::string sheet;
  std::vector<int64_t> sizes;
  std::vector<int32_t> starts;  // expected
  std::vector<int32_t> lengths;
  std::string error;  // expected instead, from its start
};

const std::string kOne = "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";

TEST(Layout, PlacesTracksAsADriveReportsThem) {
  const Case cases[] = {
      {"pregap counts in the track before",
       kOne + "TRACK 02 AUDIO\nINDEX 00 00:02:00\nINDEX 01 00:03:00\nTRACK 03 AUDIO\n"
              "INDEX 01 00:05:00\n",
       {500 * S},
       {0, 225, 375},
       {225, 150, 125},
       ""},
      {"a data track's sectors are shorter in the file",
       "FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
       "INDEX 01 00:01:25\n",
       {100 * 2048 + 200 * S},
       {0, 100},
       {100, 200},
       ""},
      {"PREGAP and POSTGAP are silence not in the file",
       kOne + "POSTGAP 00:00:05\nTRACK 02 AUDIO\nPREGAP 00:00:10\nINDEX 01 00:01:00\n",
       {150 * S},
       {0, 90},
       {90, 75},
       ""},
      {"a first INDEX 01 after 00:00:00 starts track 1 late",
       "FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:02:00\n",
       {400 * S},
       {150},
       {250},
       ""},
      {"a gap at the end of the file before",
       "FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:12:00\n"
       "FILE b.wav WAVE\nINDEX 01 00:00:00\n",
       {1000 * S, 300 * S},
       {0, 1000},
       {1000, 300},
       ""},
      {"an audio file's last sector is padded",
       "FILE a.flac WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
       {10 * S + 4},
       {0},
       {11},
       ""},
      {"a BIN that ends partway through a sector",
       kOne,
       {10 * S + 1000},
       {},
       {},
       "s.cue:1: \"a.bin\" ends partway through a sector: it is 1352 bytes short"},
      {"a BIN that ends before the next track",
       kOne + "TRACK 02 AUDIO\nINDEX 01 00:02:00\n",
       {140 * S},
       {},
       {},
       "s.cue:5: \"a.bin\" ends before TRACK 02 INDEX 01: it is 23520 bytes short"},
      {"a BIN that ends before a later file's index",
       kOne + "FILE b.bin BINARY\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
       {10 * S, 10 * S},
       {},
       {},
       "s.cue:6: \"b.bin\" ends before TRACK 02 INDEX 01: it is 152880 bytes short"},
      {"an INDEX before the one above",
       kOne + "TRACK 02 AUDIO\nINDEX 00 00:02:00\nINDEX 01 00:01:00\n",
       {400 * S},
       {},
       {},
       "s.cue:6: this INDEX lies before the one above"},
      {"a last track with nothing in it",
       kOne + "TRACK 02 AUDIO\nINDEX 01 00:01:00\n",
       {75 * S},
       {},
       {},
       "s.cue:5: TRACK 2 holds no sectors: \"a.bin\" ends at its start"},
  };
  for (const Case& c : cases) {
    CueSheet sheet;
    std::string error;
    ASSERT_TRUE(ParseCueSheet(c.sheet, "s.cue", &sheet, &error)) << c.name << ": " << error;
    Layout layout;
    bool ok = LayOutSheet(sheet, c.sizes, "s.cue", &layout, &error);
    if (!c.error.empty()) {
      EXPECT_FALSE(ok) << c.name;
      EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.name;
      continue;
    }
    ASSERT_TRUE(ok) << c.name << ": " << error;
    std::vector<int32_t> starts, lengths;
    for (const Track& t : layout.toc.tracks) {
      starts.push_back(t.start);
      lengths.push_back(t.length);
    }
    EXPECT_EQ(starts, c.starts) << c.name;
    EXPECT_EQ(lengths, c.lengths) << c.name;
    EXPECT_EQ(layout.toc.leadOut, c.starts.back() + c.lengths.back()) << c.name;
    // The segments tile the disc.
    int32_t at = 0;
    for (const Segment& s : layout.segments) {
      EXPECT_EQ(s.start, at) << c.name;
      at += s.length;
    }
    EXPECT_EQ(at, layout.toc.leadOut) << c.name;
  }
}

// Where each sector of a mixed-mode BIN is in the file, and which stretches are silent.
TEST(Layout, SegmentsPointIntoTheirFiles) {
  CueSheet sheet;
  std::string error;
  ASSERT_TRUE(
      ParseCueSheet("FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
                    "TRACK 02 AUDIO\nPREGAP 00:00:02\nINDEX 01 00:00:10\n",
                    "s.cue", &sheet, &error));
  Layout layout;
  ASSERT_TRUE(LayOutSheet(sheet, {10 * 2048 + 5 * S}, "s.cue", &layout, &error)) << error;
  ASSERT_EQ(layout.segments.size(), 3u);
  EXPECT_FALSE(layout.segments[0].audio);
  EXPECT_EQ(layout.segments[0].sectorBytes, 2048);
  EXPECT_EQ(layout.segments[1].file, -1);
  EXPECT_EQ(layout.segments[1].length, 2);
  EXPECT_EQ(layout.segments[2].start, 12);
  EXPECT_EQ(layout.segments[2].offset, 10 * 2048);
  EXPECT_EQ(layout.toc.tracks[1].start, 12);
}

// Sheet times that would overflow sector numbers are refused.
TEST(Layout, RefusesADiscOfHugeGaps) {
  std::string text = kOne;
  for (int t = 2; t <= 9; ++t) {
    text += "TRACK 0" + std::to_string(t) + " AUDIO\nPREGAP 999:00:00\nINDEX 01 00:00:00\n";
  }
  CueSheet sheet;
  std::string error;
  ASSERT_TRUE(ParseCueSheet(text, "s.cue", &sheet, &error)) << error;
  Layout layout;
  EXPECT_FALSE(LayOutSheet(sheet, {S}, "s.cue", &layout, &error));
  EXPECT_NE(error.find("longer than 100 hours"), std::string::npos) << error;
}

}  // namespace
}  // namespace orvel::disc
