#include "disc/cue_sheet.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace orvel::disc {
namespace {

// Bytes per sector stored in a raw file for each track mode a sheet may give.
struct Mode {
  const char* name;
  int bytes;
  bool audio;
};
constexpr Mode kModes[] = {
    {"AUDIO", 2352, true},       {"CDG", 2448, true},         {"MODE1/2048", 2048, false},
    {"MODE1/2352", 2352, false}, {"MODE2/2048", 2048, false}, {"MODE2/2324", 2324, false},
    {"MODE2/2336", 2336, false}, {"MODE2/2352", 2352, false}, {"CDI/2336", 2336, false},
    {"CDI/2352", 2352, false},
};

bool EqualNoCase(std::string_view a, const char* b) {
  size_t n = strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return true;
}

class Parser {
 public:
  Parser(const std::string& sheetName, CueSheet* sheet, std::string* error)
      : sheetName_(sheetName), sheet_(sheet), error_(error) {}

  bool Line(std::string_view line, int number);
  bool Finish();

 private:
  bool Fail(const std::string& message) {
    *error_ = sheetName_ + ":" + std::to_string(line_) + ": " + message;
    return false;
  }
  bool Split(std::string_view line, std::vector<std::string>* words);
  bool Time(const std::string& word, int64_t* sectors);
  bool Number(const std::string& word, int low, int high, const char* what, int* value);
  bool File(const std::vector<std::string>& w);
  bool Track(const std::vector<std::string>& w);
  bool Index(const std::vector<std::string>& w);
  bool Gap(const std::vector<std::string>& w, bool pre);
  bool Label(const std::vector<std::string>& w);
  bool CloseTrack();

  const std::string& sheetName_;
  CueSheet* sheet_;
  std::string* error_;
  int line_ = 0;
  bool fileHasIndex_ = true;  // whether the latest FILE has had an INDEX yet
};

// Words separated by blanks; a double-quoted word may hold blanks.
bool Parser::Split(std::string_view line, std::vector<std::string>* words) {
  size_t i = 0;
  while (i < line.size()) {
    unsigned char c = line[i];
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (c == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string_view::npos) return Fail("a quoted name has no closing quote");
      words->emplace_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t end = i;
      while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
      words->emplace_back(line.substr(i, end - i));
      i = end;
    }
  }
  return true;
}

// mm:ss:ff, with ff in 75ths of a second.
bool Parser::Time(const std::string& word, int64_t* sectors) {
  unsigned m = 0, s = 0, f = 0;
  char tail = 0;
  if (word.size() > 12 || word.find_first_not_of("0123456789:") != std::string::npos ||
      sscanf(word.c_str(), "%u:%u:%u%c", &m, &s, &f, &tail) != 3) {
    return Fail("\"" + word + "\" is not a time (mm:ss:ff)");
  }
  if (s > 59 || f > 74 || m > static_cast<unsigned>(kMaxSheetMinutes)) {
    return Fail("time " + word + " is out of range");
  }
  *sectors = (static_cast<int64_t>(m) * 60 + s) * 75 + f;
  return true;
}

bool Parser::Number(const std::string& word, int low, int high, const char* what, int* value) {
  if (word.empty() || word.size() > 3 ||
      word.find_first_not_of("0123456789") != std::string::npos || atoi(word.c_str()) < low ||
      atoi(word.c_str()) > high) {
    return Fail(std::string(what) + " number \"" + word + "\" is not " + std::to_string(low) +
                " to " + std::to_string(high));
  }
  *value = atoi(word.c_str());
  return true;
}

bool Parser::File(const std::vector<std::string>& w) {
  if (w.size() != 3) return Fail("FILE needs a name and a type (FILE \"name\" BINARY)");
  if (!fileHasIndex_) return Fail("the FILE before this one has no INDEX");
  CueFile file;
  file.name = w[1];
  file.raw = EqualNoCase(w[2], "BINARY") || EqualNoCase(w[2], "MOTOROLA");
  file.bigEndian = EqualNoCase(w[2], "MOTOROLA");
  file.line = line_;
  if (file.name.empty()) return Fail("FILE has an empty name");
  sheet_->files.push_back(file);
  fileHasIndex_ = false;
  return true;
}

bool Parser::CloseTrack() {
  if (sheet_->tracks.empty()) return true;
  const CueTrack& t = sheet_->tracks.back();
  for (const CueIndex& i : t.indexes) {
    if (i.number == 1) return true;
  }
  line_ = t.line;
  return Fail("TRACK " + std::to_string(t.number) + " has no INDEX 01");
}

bool Parser::Track(const std::vector<std::string>& w) {
  if (w.size() != 3) return Fail("TRACK needs a number and a mode (TRACK 01 AUDIO)");
  if (sheet_->files.empty()) return Fail("TRACK comes before any FILE");
  int number = 0;
  if (!Number(w[1], 1, 99, "TRACK", &number)) return false;
  if (!sheet_->tracks.empty() && number != sheet_->tracks.back().number + 1) {
    return Fail("TRACK " + w[1] + " follows TRACK " + std::to_string(sheet_->tracks.back().number) +
                "; tracks must count up by one");
  }
  const Mode* mode = nullptr;
  for (const Mode& m : kModes) {
    if (EqualNoCase(w[2], m.name)) mode = &m;
  }
  if (!mode) return Fail("unknown track mode \"" + w[2] + "\"");
  int line = line_;
  if (!CloseTrack()) return false;
  line_ = line;
  CueTrack track;
  track.number = number;
  track.audio = mode->audio;
  track.sectorBytes = mode->bytes;
  track.line = line_;
  sheet_->tracks.push_back(track);
  return true;
}

bool Parser::Index(const std::vector<std::string>& w) {
  if (w.size() != 3) return Fail("INDEX needs a number and a time (INDEX 01 00:00:00)");
  if (sheet_->tracks.empty()) return Fail("INDEX comes before any TRACK");
  CueIndex index;
  if (!Number(w[1], 0, 99, "INDEX", &index.number) || !Time(w[2], &index.frame)) return false;
  std::vector<CueIndex>& indexes = sheet_->tracks.back().indexes;
  if (!indexes.empty() && index.number != indexes.back().number + 1) {
    return Fail("INDEX " + w[1] + " follows INDEX " + std::to_string(indexes.back().number));
  }
  if (indexes.empty() && index.number > 1) return Fail("INDEX " + w[1] + " comes before INDEX 01");
  index.file = static_cast<int>(sheet_->files.size()) - 1;
  index.line = line_;
  indexes.push_back(index);
  fileHasIndex_ = true;
  return true;
}

bool Parser::Gap(const std::vector<std::string>& w, bool pre) {
  if (w.size() != 2) return Fail(w[0] + " needs a time (mm:ss:ff)");
  if (sheet_->tracks.empty()) return Fail(w[0] + " comes before any TRACK");
  CueTrack& t = sheet_->tracks.back();
  if (pre && !t.indexes.empty()) return Fail("PREGAP must come before the track's INDEX lines");
  return Time(w[1], pre ? &t.pregap : &t.postgap);
}

// TITLE and PERFORMER name the album before the first TRACK and a track after it. A sheet
// written by hand may leave the quotes off a name of several words: they are joined again.
bool Parser::Label(const std::vector<std::string>& w) {
  std::string text;
  for (size_t i = 1; i < w.size(); ++i) text += (i > 1 ? " " : "") + w[i];
  CueLabels& labels = sheet_->tracks.empty() ? sheet_->album : sheet_->tracks.back().labels;
  (EqualNoCase(w[0], "TITLE") ? labels.title : labels.performer) = text;
  return true;
}

bool Parser::Line(std::string_view line, int number) {
  line_ = number;
  for (unsigned char c : line) {
    if (c < 0x20 && c != '\t') return Fail("this is not a cue sheet (binary data)");
  }
  std::vector<std::string> w;
  if (!Split(line, &w)) return false;
  if (w.empty()) return true;
  if (EqualNoCase(w[0], "FILE")) return File(w);
  if (EqualNoCase(w[0], "TRACK")) return Track(w);
  if (EqualNoCase(w[0], "INDEX")) return Index(w);
  if (EqualNoCase(w[0], "PREGAP")) return Gap(w, true);
  if (EqualNoCase(w[0], "POSTGAP")) return Gap(w, false);
  if (EqualNoCase(w[0], "TITLE") || EqualNoCase(w[0], "PERFORMER")) return Label(w);
  // REM, FLAGS, ISRC, CATALOG and the other CD-TEXT words change nothing here.
  return true;
}

bool Parser::Finish() {
  if (!CloseTrack()) return false;
  if (!fileHasIndex_) {
    line_ = sheet_->files.back().line;
    return Fail("FILE \"" + sheet_->files.back().name + "\" has no INDEX");
  }
  if (sheet_->tracks.empty()) {
    *error_ = sheetName_ + ": this cue sheet has no TRACK";
    return false;
  }
  return true;
}

}  // namespace

bool ParseCueSheet(std::string_view text, const std::string& sheetName, CueSheet* sheet,
                   std::string* error) {
  *sheet = CueSheet();
  if (text.size() > kMaxSheetBytes) {
    *error = sheetName + ": too large for a cue sheet (" + std::to_string(text.size()) + " bytes)";
    return false;
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a UTF-8 byte-order mark
  Parser parser(sheetName, sheet, error);
  int number = 0;
  while (!text.empty()) {
    size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    if (!parser.Line(line, ++number)) return false;
    if (end == std::string_view::npos) break;
    // \r\n, \n and a lone \r each end one line.
    text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
  }
  return parser.Finish();
}

}  // namespace orvel::disc
