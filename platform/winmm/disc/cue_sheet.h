// The CUE sheet reader: the text of a sheet to a list of files, tracks and indexes, with every
// fault reported as "album.cue:12: ..." for the user. A pure function over the text, so that it
// can be fuzzed; what the files hold is checked later, when the disc is laid out.
#ifndef ORVEL_WINMM_DISC_CUE_SHEET_H
#define ORVEL_WINMM_DISC_CUE_SHEET_H

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace orvel::disc {

// Larger sheets are refused unread: a real one is a few kilobytes.
constexpr size_t kMaxSheetBytes = 1 << 20;
// INDEX, PREGAP and POSTGAP times above this many minutes are refused.
constexpr int kMaxSheetMinutes = 999;

struct CueFile {
  std::string name;        // as written in the sheet, relative to the sheet's folder
  bool raw = false;        // BINARY or MOTOROLA: raw 2352-byte sectors; otherwise an audio file
  bool bigEndian = false;  // MOTOROLA: samples stored big-endian
  int line = 0;
};

// TITLE and PERFORMER, as written (empty when the sheet has none).
struct CueLabels {
  std::string title;
  std::string performer;
};

struct CueIndex {
  int number = 0;     // 0..99
  int64_t frame = 0;  // position in its file, in sectors (1/75 s)
  int file = 0;       // index into CueSheet::files
  int line = 0;
};

struct CueTrack {
  int number = 0;                 // 1..99, each one more than the one before
  bool audio = true;              // AUDIO or CDG; false for a data mode
  int sectorBytes = 2352;         // bytes a sector of this track takes in a raw file
  int64_t pregap = 0;             // PREGAP: sectors of silence not stored in the file
  int64_t postgap = 0;            // POSTGAP: likewise, after the track
  std::vector<CueIndex> indexes;  // in order; INDEX 01 is always there
  CueLabels labels;
  int line = 0;
};

struct CueSheet {
  std::vector<CueFile> files;
  std::vector<CueTrack> tracks;  // at least one
  CueLabels album;
};

// Reads a sheet's text. `sheetName` is how messages name the sheet ("album.cue"). On failure
// returns false with a message naming the sheet and the line in *error.
bool ParseCueSheet(std::string_view text, const std::string& sheetName, CueSheet* sheet,
                   std::string* error);

}  // namespace orvel::disc

#endif
