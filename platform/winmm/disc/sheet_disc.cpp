// A disc laid out from a sheet: raw BIN files and audio files, read a stretch at a time, with
// only the file being read kept open.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>

#include "disc/audio_file.h"
#include "disc/disc_internal.h"
#include "disc/layout.h"

namespace orvel::disc {
namespace {

// Sectors read from a raw file at a time.
constexpr int kRawChunk = 32;
constexpr int kSamplesPerSector = kFramesPerSector * 2;

class SheetDisc : public Disc {
 public:
  SheetDisc(std::string name, CueSheet sheet, std::vector<std::string> paths, Layout layout)
      : name_(std::move(name)),
        sheet_(std::move(sheet)),
        paths_(std::move(paths)),
        layout_(std::move(layout)) {}
  ~SheetDisc() override { Close(); }

  const Contents& Toc() const override { return layout_.toc; }
  std::string Name() const override { return name_; }
  bool Read(int32_t sector, int count, int16_t* out) override;
  AlbumNames Describe() const override;

 private:
  void Close();
  bool Open(int file);
  bool ReadRaw(const Segment& seg, int32_t at, int count, int16_t* out);
  bool ReadAudio(const Segment& seg, int32_t at, int count, int16_t* out);

  std::string name_;
  CueSheet sheet_;
  std::vector<std::string> paths_;
  Layout layout_;
  int open_ = -1;  // the file open now, an index into sheet_.files
  FILE* raw_ = nullptr;
  int64_t rawPos_ = -1;  // where raw_ stands, or -1 when not known
  std::unique_ptr<AudioFileReader> audio_;
  std::vector<unsigned char> buffer_;
};

void SheetDisc::Close() {
  if (raw_) fclose(raw_);
  raw_ = nullptr;
  audio_.reset();
  open_ = -1;
}

bool SheetDisc::Open(int file) {
  if (open_ == file) return true;
  Close();
  if (sheet_.files[file].raw) {
    raw_ = fopen(paths_[file].c_str(), "rb");
    rawPos_ = 0;
    if (!raw_) return false;
  } else {
    audio_ = std::make_unique<AudioFileReader>(paths_[file]);
    if (!audio_->Ok()) {
      audio_.reset();
      return false;
    }
  }
  open_ = file;
  return true;
}

// Sectors of a raw file: little-endian samples (big-endian for MOTOROLA), each sector the
// first 2352 bytes of its stride.
bool SheetDisc::ReadRaw(const Segment& seg, int32_t at, int count, int16_t* out) {
  bool swap = sheet_.files[seg.file].bigEndian;
  buffer_.resize(static_cast<size_t>(kRawChunk) * seg.sectorBytes);
  while (count > 0) {
    int n = std::min(count, kRawChunk);
    int64_t pos = seg.offset + static_cast<int64_t>(at) * seg.sectorBytes;
    if (pos != rawPos_ && fseeko(raw_, pos, SEEK_SET) != 0) return false;
    size_t want = static_cast<size_t>(n) * seg.sectorBytes;
    size_t got = fread(buffer_.data(), 1, want, raw_);
    rawPos_ = pos + static_cast<int64_t>(got);
    if (got != want) {
      rawPos_ = -1;
      return false;
    }
    for (int s = 0; s < n; ++s) {
      const unsigned char* b = buffer_.data() + static_cast<size_t>(s) * seg.sectorBytes;
      for (int i = 0; i < kSamplesPerSector; ++i, b += 2) {
        *out++ = static_cast<int16_t>(swap ? (b[0] << 8) | b[1] : (b[1] << 8) | b[0]);
      }
    }
    at += n;
    count -= n;
  }
  return true;
}

bool SheetDisc::ReadAudio(const Segment& seg, int32_t at, int count, int16_t* out) {
  int64_t frame = seg.offset / 4 + static_cast<int64_t>(at) * kFramesPerSector;
  return audio_->Read(frame, count * kFramesPerSector, out);
}

bool SheetDisc::Read(int32_t sector, int count, int16_t* out) {
  if (count <= 0) return true;
  memset(out, 0, static_cast<size_t>(count) * kSectorBytes);
  const std::vector<Segment>& segs = layout_.segments;
  // Only sectors 0..leadOut-1 hold anything; worked out in 64 bits, so that no sector number
  // a caller passes can overflow.
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(sector) + count, layout_.toc.leadOut);
  for (int64_t at = std::max<int64_t>(sector, 0); at < end;) {
    const int32_t s = static_cast<int32_t>(at);
    auto it = std::upper_bound(segs.begin(), segs.end(), s,
                               [](int32_t v, const Segment& g) { return v < g.start; });
    const Segment& seg = *(it - 1);
    const int run = static_cast<int>(std::min<int64_t>(end - at, seg.start + seg.length - at));
    const int64_t done = at - sector;
    int16_t* dest = out + done * kSamplesPerSector;
    if (seg.file >= 0 && seg.audio) {
      bool ok = Open(seg.file) && (raw_ ? ReadRaw(seg, s - seg.start, run, dest)
                                        : ReadAudio(seg, s - seg.start, run, dest));
      if (!ok) {
        memset(dest, 0, static_cast<size_t>(count - done) * kSectorBytes);
        Close();
        return false;
      }
    }
    at += run;
  }
  return true;
}

// The sheet's TITLE and PERFORMER where it has them; else the tags of the audio file that a
// track starts in, and for the album those of the first audio file.
AlbumNames SheetDisc::Describe() const {
  AlbumNames names{{sheet_.album.title, sheet_.album.performer}, {}};
  bool albumTagged = false;
  for (const CueTrack& t : sheet_.tracks) {
    Names n{t.labels.title, t.labels.performer};
    size_t file = static_cast<size_t>(t.indexes.front().file);
    for (const CueIndex& index : t.indexes) {
      if (index.number == 1) file = static_cast<size_t>(index.file);
    }
    if (!sheet_.files[file].raw && (n.title.empty() || n.performer.empty() || !albumTagged)) {
      const AudioTags tags = ReadAudioTags(paths_[file]);
      if (n.title.empty()) n.title = tags.title;
      if (n.performer.empty()) n.performer = tags.artist;
      if (!albumTagged) {
        if (names.album.title.empty()) names.album.title = tags.album;
        if (names.album.performer.empty()) names.album.performer = tags.artist;
        albumTagged = true;
      }
    }
    names.tracks.push_back(n);
  }
  return names;
}

// A file's size as the layout counts it: bytes of a raw file; an audio file's 44100 Hz
// frames times four.
// `label` names the file in messages.
bool FileSize(const CueFile& file, const std::string& path, const std::string& label, int64_t* size,
              std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    const std::string kind = FileKind(path);
    *error = label + " is " + (kind == "missing" ? kind : kind + ", not a file");
    return false;
  }
  if (file.raw) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
      *error = label + " cannot be read: " + strerror(errno);
      return false;
    }
    fclose(f);
    *size = st.st_size;
    return true;
  }
  int64_t frames = 0;
  if (!ProbeAudioFile(path, label, &frames, error)) return false;
  *size = frames * 4;
  return true;
}

}  // namespace

std::unique_ptr<Disc> OpenSheetDisc(const std::string& name, const std::string& shownName,
                                    const CueSheet& sheet, const std::vector<std::string>& paths,
                                    std::string* error) {
  std::vector<int64_t> sizes(sheet.files.size());
  for (size_t i = 0; i < sheet.files.size(); ++i) {
    // A made-up sheet (a folder, a bare .bin) has no lines: its files are named by path.
    const CueFile& file = sheet.files[i];
    std::string label =
        file.line > 0 ? shownName + ":" + std::to_string(file.line) + ": FILE \"" + file.name + "\""
                      : paths[i];
    if (!FileSize(file, paths[i], label, &sizes[i], error)) return nullptr;
  }
  Layout layout;
  if (!LayOutSheet(sheet, sizes, shownName, &layout, error)) return nullptr;
  return std::make_unique<SheetDisc>(name, sheet, paths, std::move(layout));
}

}  // namespace orvel::disc
