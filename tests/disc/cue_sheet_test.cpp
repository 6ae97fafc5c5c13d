// The CUE sheet reader over sheet texts: what it takes from good sheets, and the line it names
// for each kind of broken one.
#include "disc/cue_sheet.h"

#include <gtest/gtest.h>

namespace orvel::disc {
namespace {

TEST(CueSheet, ReadsFilesTracksIndexesAndGaps) {
  const std::string text =
      "\xEF\xBB\xBFREM GENRE Rock\r\n"
      "PERFORMER \"Some Band\"\r\n"
      "file \"My Album.bin\" motorola\r\n"
      "  TRACK 01 AUDIO\r\n"
      "    FLAGS DCP\r\n"
      "    INDEX 01 00:00:00\r\n"
      "  TRACK 02 MODE1/2048\r"
      "    PREGAP 00:02:00\r"
      "    INDEX 01 01:02:03\n"
      "    POSTGAP 00:00:10\n"
      "FILE next.flac WAVE\n"
      "  track 03 audio\n"
      "    INDEX 00 00:00:00\n"
      "    INDEX 01 00:01:00\n"
      "    INDEX 02 00:03:00";
  CueSheet sheet;
  std::string error;
  ASSERT_TRUE(ParseCueSheet(text, "a.cue", &sheet, &error)) << error;
  ASSERT_EQ(sheet.files.size(), 2u);
  EXPECT_EQ(sheet.files[0].name, "My Album.bin");
  EXPECT_TRUE(sheet.files[0].raw && sheet.files[0].bigEndian);
  EXPECT_EQ(sheet.files[0].line, 3);
  EXPECT_EQ(sheet.files[1].name, "next.flac");
  EXPECT_FALSE(sheet.files[1].raw);
  ASSERT_EQ(sheet.tracks.size(), 3u);
  const CueTrack& two = sheet.tracks[1];
  EXPECT_FALSE(two.audio);
  EXPECT_EQ(two.sectorBytes, 2048);
  EXPECT_EQ(two.pregap, 150);
  EXPECT_EQ(two.postgap, 10);
  EXPECT_EQ(two.indexes[0].frame, (60 + 2) * 75 + 3);
  EXPECT_EQ(two.indexes[0].line, 9);
  const CueTrack& three = sheet.tracks[2];
  EXPECT_EQ(three.line, 12);
  ASSERT_EQ(three.indexes.size(), 3u);
  EXPECT_EQ(three.indexes[0].number, 0);
  EXPECT_EQ(three.indexes[2].frame, 225);
  EXPECT_EQ(three.indexes[2].file, 1);
}

// A sheet whose INDEX 01 lies in the next FILE: the gap is kept at the end of the file before.
TEST(CueSheet, AnIndexBelongsToTheFileAboveIt) {
  CueSheet sheet;
  std::string error;
  ASSERT_TRUE(
      ParseCueSheet("FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                    "TRACK 02 AUDIO\nINDEX 00 00:10:00\nFILE b.wav WAVE\nINDEX 01 00:00:00\n",
                    "s.cue", &sheet, &error))
      << error;
  EXPECT_EQ(sheet.tracks[1].indexes[0].file, 0);
  EXPECT_EQ(sheet.tracks[1].indexes[1].file, 1);
}

TEST(CueSheet, NamesTheLineOfEveryFault) {
  const std::string head = "FILE \"a.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {"TRACK 01 AUDIO\n", "s.cue:1: TRACK comes before any FILE"},
      {"FILE \"a.bin BINARY\n", "s.cue:1: a quoted name has no closing quote"},
      {"FILE a.bin\n", "s.cue:1: FILE needs a name and a type"},
      {"FILE a.bin BINARY\nINDEX 01 00:00:00\n", "s.cue:2: INDEX comes before any TRACK"},
      {head + "TRACK 03 AUDIO\n", "s.cue:4: TRACK 03 follows TRACK 1"},
      {head + "TRACK 02 VIDEO\n", "s.cue:4: unknown track mode \"VIDEO\""},
      {head + "TRACK 02 AUDIO\nINDEX 01 00:60:00\n", "s.cue:5: time 00:60:00 is out of range"},
      {head + "TRACK 02 AUDIO\nINDEX 01 00:00:75\n", "s.cue:5: time 00:00:75 is out of range"},
      {head + "TRACK 02 AUDIO\nINDEX 01 1000:00:00\n", "s.cue:5: time 1000:00:00 is out of range"},
      {head + "TRACK 02 AUDIO\nINDEX 01 99999999999999:00:00\n",
       "s.cue:5: \"99999999999999:00:00\" is not a time"},
      {head + "TRACK 02 AUDIO\nINDEX 01 1:2\n", "s.cue:5: \"1:2\" is not a time"},
      {head + "TRACK 02 AUDIO\nINDEX 02 00:00:00\n", "s.cue:5: INDEX 02 comes before INDEX 01"},
      {head + "TRACK 02 AUDIO\nINDEX 00 00:00:00\nINDEX 02 00:00:00\n",
       "s.cue:6: INDEX 02 follows INDEX 0"},
      {head + "TRACK 02 AUDIO\nINDEX 00 00:01:00\n", "s.cue:4: TRACK 2 has no INDEX 01"},
      {head + "TRACK 02 AUDIO\nINDEX 01 00:01:00\nPREGAP 00:02:00\n",
       "s.cue:6: PREGAP must come before"},
      {head + "TRACK 100 AUDIO\n", "s.cue:4: TRACK number \"100\" is not 1 to 99"},
      {head + "FILE b.bin BINARY\n", "s.cue:4: FILE \"b.bin\" has no INDEX"},
      {"FILE a.bin BINARY\nFILE b.bin BINARY\n", "s.cue:2: the FILE before this one has no INDEX"},
      {"REM nothing here\n", "s.cue: this cue sheet has no TRACK"},
      {std::string("PK\x03\x04\x00\x00", 6), "s.cue:1: this is not a cue sheet (binary data)"},
      {std::string(kMaxSheetBytes + 1, ' '), "s.cue: too large for a cue sheet"},
  };
  for (const Case& c : cases) {
    CueSheet sheet;
    std::string error;
    EXPECT_FALSE(ParseCueSheet(c.text, "s.cue", &sheet, &error)) << c.message;
    EXPECT_EQ(error.substr(0, c.message.size()), c.message) << c.text.substr(0, 200);
  }
}

// Tracks beyond 99 stop the reader at the hundredth, whatever follows.
TEST(CueSheet, AThousandTracksStopAtTheHundredth) {
  std::string text = "FILE a.bin BINARY\n";
  for (int t = 1; t <= 1000; ++t) {
    text += "TRACK " + std::to_string(t) + " AUDIO\nINDEX 01 00:00:00\n";
  }
  CueSheet sheet;
  std::string error;
  EXPECT_FALSE(ParseCueSheet(text, "s.cue", &sheet, &error));
  EXPECT_EQ(error, "s.cue:200: TRACK number \"100\" is not 1 to 99");
}

}  // namespace
}  // namespace orvel::disc
