#include "disc/layout.h"

#include <stdio.h>

namespace orvel::disc {
namespace {

// Each INDEX starts a stretch of its file that runs to the next INDEX in the same file, or to
// the file's end. The first INDEX of a file also takes the file's beginning before it (the
// hidden pregap of a sheet whose first INDEX 01 is not at 00:00:00).
class LayOut {
 public:
  LayOut(const CueSheet& sheet, const std::vector<int64_t>& fileBytes, const std::string& name,
         Layout* layout, std::string* error)
      : sheet_(sheet), bytes_(fileBytes), name_(name), layout_(layout), error_(error) {}

  bool Run();

 private:
  bool Fail(int line, const std::string& message) {
    // A made-up sheet (a folder, a bare .bin) has no lines to point at.
    *error_ = name_ + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + message;
    return false;
  }
  bool Add(int file, int64_t offset, int64_t length, int sectorBytes, bool audio, int line);
  bool Stretch(size_t t, size_t i, std::vector<int32_t>* starts);
  const CueIndex* Next(size_t t, size_t i, const CueTrack** track) const;

  const CueSheet& sheet_;
  const std::vector<int64_t>& bytes_;
  const std::string& name_;
  Layout* layout_;
  std::string* error_;
  int64_t disc_ = 0;       // the next disc sector
  int file_ = -1;          // the file being laid out
  int64_t fileByte_ = 0;   // where in it the next stretch begins
  int64_t fileFrame_ = 0;  // and at which of its sectors
};

bool LayOut::Add(int file, int64_t offset, int64_t length, int sectorBytes, bool audio, int line) {
  if (length <= 0) return true;
  if (disc_ + length > kMaxDiscSectors) {
    return Fail(line, "the disc would be longer than " +
                          std::to_string(kMaxDiscSectors / kSectorsPerSecond / 3600) + " hours");
  }
  Segment s;
  s.start = static_cast<int32_t>(disc_);
  s.length = static_cast<int32_t>(length);
  s.file = file;
  s.offset = offset;
  s.sectorBytes = sectorBytes;
  s.audio = audio;
  layout_->segments.push_back(s);
  disc_ += length;
  return true;
}

// The index after INDEX i of track t, and the track it belongs to; null after the last.
const CueIndex* LayOut::Next(size_t t, size_t i, const CueTrack** track) const {
  if (i + 1 < sheet_.tracks[t].indexes.size()) {
    *track = &sheet_.tracks[t];
    return &sheet_.tracks[t].indexes[i + 1];
  }
  if (t + 1 == sheet_.tracks.size()) return nullptr;
  *track = &sheet_.tracks[t + 1];
  return &(*track)->indexes[0];
}

// "TRACK 03 INDEX 01", as a sheet writes it.
std::string Where(const CueTrack& track, const CueIndex& index) {
  char s[32];
  snprintf(s, sizeof s, "TRACK %02d INDEX %02d", track.number, index.number);
  return s;
}

// Lays out the stretch of file that INDEX i of track t begins.
bool LayOut::Stretch(size_t t, size_t i, std::vector<int32_t>* starts) {
  const CueTrack& track = sheet_.tracks[t];
  const CueIndex& index = track.indexes[i];
  const CueFile& file = sheet_.files[index.file];
  int stride = file.raw ? track.sectorBytes : kSectorBytes;
  if (index.file != file_) {
    file_ = index.file;
    fileByte_ = 0;
    fileFrame_ = 0;
  }
  // A later index of the file begins its own stretch; the file's first one begins at 0.
  int64_t begin = fileFrame_;
  int64_t size = bytes_[file_];
  int64_t indexByte = fileByte_ + (index.frame - begin) * stride;
  if (indexByte > size) {
    return Fail(index.line, "\"" + file.name + "\" ends before " + Where(track, index) +
                                ": it is " + std::to_string(indexByte - size) + " bytes short");
  }
  if (index.number == 1) (*starts)[t] = static_cast<int32_t>(disc_ + index.frame - begin);
  const CueTrack* nextTrack = nullptr;
  const CueIndex* next = Next(t, i, &nextTrack);
  int64_t length;
  if (next && next->file == file_) {
    if (next->frame < index.frame) return Fail(next->line, "this INDEX lies before the one above");
    length = next->frame - begin;
    if (fileByte_ + length * stride > size) {
      return Fail(next->line, "\"" + file.name + "\" ends before " + Where(*nextTrack, *next) +
                                  ": it is " + std::to_string(fileByte_ + length * stride - size) +
                                  " bytes short");
    }
  } else {
    int64_t rest = size - fileByte_;
    if (file.raw && rest % stride != 0) {
      return Fail(file.line, "\"" + file.name + "\" ends partway through a sector: it is " +
                                 std::to_string(stride - rest % stride) + " bytes short");
    }
    length = (rest + stride - 1) / stride;
  }
  if (!Add(file_, fileByte_, length, stride, track.audio, index.line)) return false;
  fileByte_ += length * stride;
  fileFrame_ = begin + length;
  return true;
}

bool LayOut::Run() {
  std::vector<int32_t> starts(sheet_.tracks.size());
  for (size_t t = 0; t < sheet_.tracks.size(); ++t) {
    const CueTrack& track = sheet_.tracks[t];
    if (!Add(-1, 0, track.pregap, kSectorBytes, true, track.line)) return false;
    for (size_t i = 0; i < track.indexes.size(); ++i) {
      if (!Stretch(t, i, &starts)) return false;
    }
    if (!Add(-1, 0, track.postgap, kSectorBytes, true, track.line)) return false;
  }
  Contents& toc = layout_->toc;
  toc.leadOut = static_cast<int32_t>(disc_);
  for (size_t t = 0; t < sheet_.tracks.size(); ++t) {
    Track track;
    track.number = sheet_.tracks[t].number;
    track.start = starts[t];
    track.length = (t + 1 < starts.size() ? starts[t + 1] : toc.leadOut) - starts[t];
    track.audio = sheet_.tracks[t].audio;
    if (track.length <= 0) {
      const CueIndex& one = sheet_.tracks[t].indexes.back();
      return Fail(one.line, "TRACK " + std::to_string(track.number) + " holds no sectors: \"" +
                                sheet_.files[one.file].name + "\" ends at its start (truncated?)");
    }
    toc.tracks.push_back(track);
  }
  return true;
}

}  // namespace

bool LayOutSheet(const CueSheet& sheet, const std::vector<int64_t>& fileBytes,
                 const std::string& sheetName, Layout* layout, std::string* error) {
  *layout = Layout();
  return LayOut(sheet, fileBytes, sheetName, layout, error).Run();
}

}  // namespace orvel::disc
