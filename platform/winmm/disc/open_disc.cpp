// Choosing the back end for what the user named, and the sheets made up for a bare .bin and a
// folder of audio files.
#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "disc/audio_file.h"
#include "disc/disc_internal.h"
#include "disc/nrg_check.h"

namespace orvel::disc {

std::string BaseName(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileKind(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? "missing" : strerror(errno);
  if (S_ISREG(st.st_mode)) return "";
  if (S_ISDIR(st.st_mode)) return "a folder";
  if (S_ISFIFO(st.st_mode)) return "a FIFO";
  if (S_ISSOCK(st.st_mode)) return "a socket";
  return S_ISBLK(st.st_mode) ? "a block device" : "a character device";
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Extension(const std::string& path) {
  std::string base = BaseName(path);
  size_t dot = base.rfind('.');
  return dot == std::string::npos ? std::string() : Lower(base.substr(dot + 1));
}

// Extensions of files that must be audio: in a folder, one of these that cannot be read is an
// error, where any other file that is not audio (a cover picture, a log) is passed over.
constexpr const char* kAudioExtensions[] = {"flac", "wav",  "ogg", "oga", "opus", "mp3", "aif",
                                            "aiff", "aifc", "au",  "w64", "caf",  "wv"};

bool LooksLikeAudio(const std::string& name) {
  std::string ext = Extension(name);
  for (const char* k : kAudioExtensions) {
    if (ext == k) return true;
  }
  return false;
}

// Name order with runs of digits compared as numbers: "2.flac" before "10.flac".
bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isdigit(static_cast<unsigned char>(a[i])) && isdigit(static_cast<unsigned char>(b[j]))) {
      size_t ie = i, je = j;
      while (ie < a.size() && isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
      while (je < b.size() && isdigit(static_cast<unsigned char>(b[je]))) ++je;
      size_t is = a.find_first_not_of('0', i), js = b.find_first_not_of('0', j);
      is = std::min(is, ie);
      js = std::min(js, je);
      if (ie - is != je - js) return ie - is < je - js;
      int c = a.compare(is, ie - is, b, js, je - js);
      if (c != 0) return c < 0;
      i = ie;
      j = je;
      continue;
    }
    int ca = tolower(static_cast<unsigned char>(a[i])),
        cb = tolower(static_cast<unsigned char>(b[j]));
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

// Sheets made when an album was ripped to WAVE often name the .wav files after they have been
// compressed: a missing audio file is looked for under the same name with another audio
// extension. Returns `path` itself when it is there or nothing else is.
std::string RecodedAs(const std::string& path) {
  struct stat st;
  size_t dot = path.rfind('.');
  if (stat(path.c_str(), &st) == 0 || dot == std::string::npos || dot < path.rfind('/') + 1) {
    return path;
  }
  for (const char* ext : kAudioExtensions) {
    std::string other = path.substr(0, dot + 1) + ext;
    if (stat(other.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return other;
  }
  return path;
}

std::unique_ptr<Disc> OpenCueFile(const std::string& path, std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && st.st_size > static_cast<off_t>(kMaxSheetBytes)) {
    *error = path + ": too large for a cue sheet (" + std::to_string(st.st_size) + " bytes)";
    return nullptr;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (!in) {
    *error = path + ": cannot be read: " + strerror(errno);
    return nullptr;
  }
  if (st.st_size == 0 || !(text << in.rdbuf())) {  // inserting nothing counts as a failure
    *error = path + ": is empty, not a cue sheet";
    return nullptr;
  }
  CueSheet sheet;
  if (!ParseCueSheet(text.str(), path, &sheet, error)) return nullptr;
  std::vector<std::string> paths;
  for (const CueFile& f : sheet.files) {
    std::string file = f.name[0] == '/' ? f.name : FolderOf(path) + f.name;
    paths.push_back(f.raw ? file : RecodedAs(file));
  }
  return OpenSheetDisc(path, path, sheet, paths, error);
}

// A .bin without a sheet: one audio track of raw sectors.
std::unique_ptr<Disc> OpenBareBin(const std::string& path, std::string* error) {
  CueSheet sheet;
  sheet.files.push_back(CueFile{BaseName(path), true, false, 0});
  CueTrack track;
  track.number = 1;
  track.indexes.push_back(CueIndex{1, 0, 0, 0});
  sheet.tracks.push_back(track);
  return OpenSheetDisc(path, path, sheet, {path}, error);
}

// A folder of audio files: one track per file, in name order.
std::unique_ptr<Disc> OpenFolder(const std::string& path, std::string* error) {
  DIR* dir = opendir(path.c_str());
  if (!dir) {
    *error = path + ": cannot be read: " + strerror(errno);
    return nullptr;
  }
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end(), NaturalLess);
  std::string folder = path.back() == '/' ? path : path + "/";
  CueSheet sheet;
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    struct stat st;
    std::string file = folder + name;
    int64_t frames = 0;
    std::string why;
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (!ProbeAudioFile(file, file, &frames, &why)) {
      if (!LooksLikeAudio(name)) continue;
      *error = why;
      return nullptr;
    }
    if (sheet.tracks.size() == 99) {
      *error = path + ": holds more than 99 audio files, more tracks than a disc can have";
      return nullptr;
    }
    CueTrack track;
    track.number = static_cast<int>(sheet.tracks.size()) + 1;
    track.indexes.push_back(CueIndex{1, 0, static_cast<int>(sheet.files.size()), 0});
    sheet.tracks.push_back(track);
    sheet.files.push_back(CueFile{name, false, false, 0});
    paths.push_back(file);
  }
  if (sheet.tracks.empty()) {
    *error = path + ": holds no audio files";
    return nullptr;
  }
  return OpenSheetDisc(path, path, sheet, paths, error);
}

// The track modes of libcdio's cdrdao reader (a TRACK line without one leaves it dividing by a
// sector size of zero), with the bytes a sector of each takes in its file as the reader counts
// them when it holds a FILE's length against the file (0: not held).
struct TocMode {
  const char* name;
  int64_t sectorBytes;
};
constexpr TocMode kTocModes[] = {
    {"AUDIO", 2352},     {"MODE0", 0},          {"MODE1", 2048},       {"MODE1_RAW", 2048},
    {"MODE2", 2336},     {"MODE2_FORM1", 2352}, {"MODE2_FORM2", 2048}, {"MODE2_FORM_MIX", 2336},
    {"MODE2_RAW", 2048},
};

// The longest line libcdio is sure to read whole.
constexpr size_t kMaxTocLine = 500;

// What the lines read so far say of the track they are in.
struct TocTrack {
  int64_t sectorBytes = 0;
  int files = 0;
};

// The sectors of an "mm:ss:ff" time, or -1 when the text is not one (libcdio reports that).
int64_t MsfSectors(const std::string& text) {
  int64_t part[3] = {0, 0, 0};
  size_t at = 0;
  for (int k = 0; k < 3; ++k) {
    const size_t end = k < 2 ? text.find(':', at) : text.size();
    if (end == std::string::npos || end == at || end - at > 6) return -1;
    for (size_t i = at; i < end; ++i) {
      if (!isdigit(static_cast<unsigned char>(text[i]))) return -1;
      part[k] = part[k] * 10 + (text[i] - '0');
    }
    at = end + 1;
  }
  return part[1] < 60 && part[2] < 75 ? (part[0] * 60 + part[1]) * 75 + part[2] : -1;
}

// What is wrong with a FILE line's file, or an empty string. libcdio's reader opens each file
// as it reads the TOC and loses what it opened (never closed, for the life of the program) when
// a file is shorter than the length its line gives, or when a track names a second file; both
// are refused here, before libcdio reads the TOC. A missing file is left for libcdio to report.
std::string TocFileFault(const std::string& file, const std::string& rest, TocTrack* track) {
  const std::string kind = FileKind(file);
  if (!kind.empty()) return kind == "missing" ? "" : "is " + kind + ", not a file";
  if (++track->files > 1) return "is a second file in its track, which takes one";
  std::istringstream fields(rest);
  std::string start, length;
  fields >> start >> length;
  const int64_t sectors = MsfSectors(length);
  struct stat st;
  if (sectors <= 0 || track->sectorBytes == 0 || stat(file.c_str(), &st) != 0 ||
      sectors * track->sectorBytes <= st.st_size) {
    return "";
  }
  return "holds " + std::to_string(st.st_size) + " bytes, fewer than the " +
         std::to_string(sectors * track->sectorBytes) + " that its length " + length + " takes";
}

// What is wrong with a line of the TOC at `path` before libcdio reads it, or an empty string.
// libcdio opens the files a TOC names without asking what they are, and waits forever on a
// FIFO: each FILE, AUDIOFILE and DATAFILE that is there must be a regular file.
std::string TocLineFault(const std::string& path, const std::string& line, TocTrack* track) {
  std::istringstream words(line);
  std::string first, second;
  words >> first >> second;
  if (first == "TRACK") {
    for (const TocMode& mode : kTocModes) {
      if (second == mode.name) {
        *track = TocTrack{mode.sectorBytes, 0};
        return "";
      }
    }
    return "TRACK needs a mode such as AUDIO, not \"" + second + "\"";
  }
  const size_t open = line.find('"');
  const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
  if ((first != "FILE" && first != "AUDIOFILE" && first != "DATAFILE") ||
      close == std::string::npos) {
    return "";
  }
  const std::string name = line.substr(open + 1, close - open - 1);
  const std::string fault =
      TocFileFault(name[0] == '/' ? name : FolderOf(path) + name, line.substr(close + 1), track);
  return fault.empty() ? "" : first + " \"" + name + "\" " + fault;
}

bool CheckTocFile(const std::string& path, std::string* error) {
  // libcdio is given a copy of the TOC made in the temporary folder (cdio_disc.cpp).
  const char* tmp = getenv("TMPDIR");
  const std::string temporary = tmp && *tmp ? tmp : "/tmp";
  const std::string tmpKind = FileKind(temporary);
  if (tmpKind != "a folder") {
    *error = path + ": cannot be copied for reading into the temporary folder '" + temporary +
             "' (TMPDIR), which is " + (tmpKind.empty() ? "a file" : tmpKind);
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::string line;
  TocTrack track;
  for (int number = 1; std::getline(in, line) && number <= 100000; ++number) {
    // libcdio reads a line as a C string, in pieces of a few hundred bytes, up to a comment.
    line = line.substr(0, line.find('\0'));
    const std::string fault = line.size() >= kMaxTocLine
                                  ? "a line longer than " + std::to_string(kMaxTocLine) + " bytes"
                                  : TocLineFault(path, line.substr(0, line.find("//")), &track);
    if (!fault.empty()) {
      *error = path + ":" + std::to_string(number) + ": " + fault;
      return false;
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<Disc> OpenDisc(const std::string& spec, std::string* error) {
  struct stat st;
  if (spec.empty()) {
    *error = "--cd was given an empty name: name a drive, a disc image or a folder";
    return nullptr;
  }
  if (stat(spec.c_str(), &st) != 0) {
    *error = spec + (errno == ENOENT ? std::string(": no such file, folder or drive")
                                     : std::string(": cannot be opened: ") + strerror(errno));
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) return OpenFolder(spec, error);
  if (S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode)) return OpenDrive(spec, error);
  // A FIFO or a socket would be waited on for ever.
  if (!S_ISREG(st.st_mode)) {
    *error = spec + ": " + FileKind(spec) + ", not a CD drive, a disc image or a folder";
    return nullptr;
  }
  std::string ext = Extension(spec);
  if (ext == "cue") return OpenCueFile(spec, error);
  if (ext == "toc") return CheckTocFile(spec, error) ? OpenCdioImage(spec, true, error) : nullptr;
  if (ext == "nrg") return CheckNrgImage(spec, error) ? OpenCdioImage(spec, false, error) : nullptr;
  if (ext == "bin" || ext == "img" || ext == "raw") return OpenBareBin(spec, error);
  *error = spec + ": not a CD drive, a disc image (.cue, .toc, .nrg, .bin) or a folder";
  return nullptr;
}

}  // namespace orvel::disc
