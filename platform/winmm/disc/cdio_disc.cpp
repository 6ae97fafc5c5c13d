// Discs that libcdio reads: cdrdao TOC and NRG images, and real drives, read through paranoia
// for jitter and error correction, whose discs may come and go (drive_disc.cpp).
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <fcntl.h>
#include <stdlib.h>
#include <limits.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/cdrom.h>
#endif

#include <algorithm>
#include <fstream>
#include <mutex>
#include <sstream>

#include "disc/disc_internal.h"
#include "disc/drive.h"
#include "disc/layout.h"

namespace orvel::disc {
namespace {

constexpr int kSamplesPerSector = kFramesPerSector * 2;
// How often paranoia retries a sector before it gives up on it.
constexpr int kParanoiaRetries = 20;

// libcdio reports problems (a TOC line it cannot parse, a file it cannot open) through one
// process-wide log. While a disc opens, its warnings are kept for the user's message; at any
// other time they are dropped rather than printed over the program's own output.
std::mutex logLock;
std::string* logCapture = nullptr;

void LogHandler(cdio_log_level_t level, const char message[]) {
  if (logCapture && level >= CDIO_LOG_WARN && logCapture->empty()) *logCapture = message;
}

class LogScope {
 public:
  explicit LogScope(std::string* into) : hold_(logLock) {
    static std::once_flag installed;
    std::call_once(installed, [] { cdio_log_set_handler(LogHandler); });
    logCapture = into;
  }
  ~LogScope() { logCapture = nullptr; }

 private:
  std::lock_guard<std::mutex> hold_;
};

// Paranoia reports a failed read through a callback without a context pointer; a read runs
// on one thread at a time, so the flag is the reading thread's own.
thread_local bool readFailed = false;
void ParanoiaCallback(long, paranoia_cb_mode_t mode) {
  if (mode == PARANOIA_CB_READERR || mode == PARANOIA_CB_SKIP) readFailed = true;
}

// Asks the kernel whether `path` is a CD drive and, if so, whether a disc is in it and ready.
// Cheap: nothing is read from the disc. Elsewhere than Linux, any device libcdio takes is a
// drive with a disc in it.
enum class DriveState { kNotADrive, kNoDisc, kDisc };
DriveState Probe(const std::string& path) {
#ifdef __linux__
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return DriveState::kNotADrive;
  DriveState state = DriveState::kNotADrive;
  if (ioctl(fd, CDROM_GET_CAPABILITY, 0) >= 0) {
    state = ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT) == CDS_DISC_OK ? DriveState::kDisc
                                                                       : DriveState::kNoDisc;
  }
  close(fd);
  return state;
#else
  return cdio_is_device(path.c_str(), DRIVER_DEVICE) ? DriveState::kDisc : DriveState::kNotADrive;
#endif
}

// Reads the table of contents that libcdio has for `cdio`; false (with a reason) when there
// is none or it is impossible.
bool ReadToc(CdIo_t* cdio, Contents* toc, std::string* why) {
  *toc = Contents();
  track_t first = cdio_get_first_track_num(cdio);
  track_t count = cdio_get_num_tracks(cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
    *why = "no table of contents";
    return false;
  }
  for (track_t t = first; t < first + count; ++t) {
    Track track;
    track.number = t;
    track.start = cdio_get_track_lsn(cdio, t);
    track.audio = cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO;
    toc->tracks.push_back(track);
  }
  toc->leadOut = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
  for (size_t i = 0; i < toc->tracks.size(); ++i) {
    Track& t = toc->tracks[i];
    int32_t end = i + 1 < toc->tracks.size() ? toc->tracks[i + 1].start : toc->leadOut;
    t.length = end - t.start;
    if (t.start < 0 || t.length <= 0 || t.start > kMaxDiscSectors) {
      *why = "track " + std::to_string(t.number) + " has an impossible position";
      *toc = Contents();
      return false;
    }
  }
  return true;
}

// One audio sector straight from libcdio, without paranoia's checks.
bool ReadPlain(CdIo_t* cdio, int32_t sector, int16_t* out) {
  unsigned char bytes[kSectorBytes];
  if (cdio_read_audio_sectors(cdio, bytes, sector, 1) != DRIVER_OP_SUCCESS) return false;
  for (int i = 0; i < kSamplesPerSector; ++i) {
    out[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return true;
}

// A cdrdao TOC or NRG image: libcdio reads the sectors, which never change.
class CdioImage : public Disc {
 public:
  CdioImage(std::string name, CdIo_t* cdio) : name_(std::move(name)), cdio_(cdio) {}
  ~CdioImage() override { cdio_destroy(cdio_); }

  const Contents& Toc() const override { return toc_; }
  std::string Name() const override { return name_; }
  bool Read(int32_t sector, int count, int16_t* out) override {
    return ReadTrackSectors(toc_, sector, count, out, [this](int32_t at, int16_t* into) {
      return ReadPlain(cdio_, at, into);
    });
  }

  bool LoadToc(std::string* why) { return ReadToc(cdio_, &toc_, why); }
  // Whether the last audio sector reads.
  bool ReadsToTheEnd() {
    int16_t sector[kSamplesPerSector];
    for (auto t = toc_.tracks.rbegin(); t != toc_.tracks.rend(); ++t) {
      if (t->audio) return ReadPlain(cdio_, t->start + t->length - 1, sector);
    }
    return true;
  }

 private:
  std::string name_;
  CdIo_t* cdio_;
  Contents toc_;
};

// A real drive through libcdio: its disc is opened afresh on every Load, since libcdio keeps
// the table of contents it read first for as long as the handle lives. Audio is read through
// paranoia where the drive allows it, else sector by sector as the drive gives it.
class CdioDrive : public DriveIo {
 public:
  explicit CdioDrive(std::string path) : path_(std::move(path)) {}
  ~CdioDrive() override { Unload(); }

  bool DiscReady() override { return Probe(path_) == DriveState::kDisc; }
  bool MediaChanged() override;
  bool Load(Contents* toc) override;
  void Unload() override;
  bool ReadSector(int32_t sector, int16_t* out) override;

 private:
  std::string path_;
  CdIo_t* cdio_ = nullptr;
  cdrom_drive_t* drive_ = nullptr;
  cdrom_paranoia_t* paranoia_ = nullptr;
  int32_t next_ = -1;  // the sector paranoia reads next without seeking
};

bool CdioDrive::MediaChanged() {
#ifdef __linux__
  // The kernel keeps one flag a drive for this question, whichever descriptor asks it.
  int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  const bool changed = ioctl(fd, CDROM_MEDIA_CHANGED, CDSL_CURRENT) == 1;
  close(fd);
  return changed;
#else
  // Elsewhere a drive counts as holding the same disc for as long as it is ready.
  return false;
#endif
}

bool CdioDrive::Load(Contents* toc) {
  Unload();
  // libcdio's complaints about a disc it cannot read are not the user's concern: the drive
  // then counts as not ready, as an empty one does.
  std::string ignored;
  LogScope log(&ignored);
  cdio_ = cdio_open(path_.c_str(), DRIVER_DEVICE);
  if (!cdio_ || !ReadToc(cdio_, toc, &ignored)) {
    Unload();
    return false;
  }
  drive_ = cdio_cddap_identify_cdio(cdio_, CDDA_MESSAGE_FORGETIT, nullptr);
  if (drive_ && cdio_cddap_open(drive_) == 0) {
    paranoia_ = cdio_paranoia_init(drive_);
    cdio_paranoia_modeset(paranoia_, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
  }
  next_ = -1;
  return true;
}

void CdioDrive::Unload() {
  if (paranoia_) cdio_paranoia_free(paranoia_);
  if (drive_) cdio_cddap_close_no_free_cdio(drive_);
  if (cdio_) cdio_destroy(cdio_);
  paranoia_ = nullptr;
  drive_ = nullptr;
  cdio_ = nullptr;
}

bool CdioDrive::ReadSector(int32_t sector, int16_t* out) {
  if (!cdio_) return false;
  if (!paranoia_) return ReadPlain(cdio_, sector, out);
  if (sector != next_) cdio_paranoia_seek(paranoia_, sector, SEEK_SET);
  readFailed = false;
  int16_t* got = cdio_paranoia_read_limited(paranoia_, ParanoiaCallback, kParanoiaRetries);
  next_ = got && !readFailed ? sector + 1 : -1;
  if (!got || readFailed) return false;
  memcpy(out, got, kSectorBytes);
  return true;
}

// libcdio opens the files a TOC names relative to the current folder rather than the TOC's
// own. It is given a copy of the TOC, line for line (so that the line numbers in its messages
// hold), with those names made absolute.
std::string TocWithAbsoluteNames(const std::string& text, const std::string& folder) {
  std::string out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t word = line.find_first_not_of(" \t");
    size_t quote = line.find('"');
    if (word != std::string::npos && quote != std::string::npos && quote + 1 < line.size() &&
        line[quote + 1] != '/') {
      std::string first = line.substr(word, line.find_first_of(" \t", word) - word);
      if (first == "FILE" || first == "AUDIOFILE" || first == "DATAFILE") {
        line.insert(quote + 1, folder);
      }
    }
    out += line + "\n";
  }
  return out;
}

void ReplaceAll(std::string* s, const std::string& from, const std::string& to) {
  for (size_t at = s->find(from); at != std::string::npos; at = s->find(from, at + to.size())) {
    s->replace(at, from.size(), to);
  }
}

// Opens the TOC at `path` through a copy with absolute names; *why gets libcdio's complaint.
CdIo_t* OpenToc(const std::string& path, std::string* why) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (!in || !(text << in.rdbuf()) || text.str().size() > kMaxSheetBytes) {
    *why = "cannot be read";
    return nullptr;
  }
  std::string folder = FolderOf(path);
  if (folder.empty() || folder[0] != '/') {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return nullptr;
    folder = std::string(cwd) + "/" + folder;
  }
  const char* tmp = getenv("TMPDIR");
  std::string copy = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvel_XXXXXX.toc";
  int fd = mkstemps(copy.data(), 4);  // libcdio takes only a name that ends in .toc
  if (fd < 0) return nullptr;
  std::string rewritten = TocWithAbsoluteNames(text.str(), folder);
  bool written =
      write(fd, rewritten.data(), rewritten.size()) == static_cast<ssize_t>(rewritten.size());
  close(fd);
  CdIo_t* cdio = written ? cdio_open(copy.c_str(), DRIVER_CDRDAO) : nullptr;
  unlink(copy.c_str());
  ReplaceAll(why, copy, path);
  ReplaceAll(why, folder, "");
  return cdio;
}

}  // namespace

std::unique_ptr<Disc> OpenCdioImage(const std::string& path, bool toc, std::string* error) {
  std::string why;
  LogScope log(&why);
  CdIo_t* cdio = toc ? OpenToc(path, &why) : cdio_open(path.c_str(), DRIVER_NRG);
  if (!cdio) {
    *error = path + ": cannot be read as a " + (toc ? "cdrdao TOC" : "NRG image") +
             (why.empty() ? std::string() : " (" + why + ")");
    return nullptr;
  }
  auto disc = std::make_unique<CdioImage>(path, cdio);
  if (!disc->LoadToc(&why)) {
    *error = path + ": " + why;
    return nullptr;
  }
  // libcdio takes a TOC's word for a file's length; a file cut short shows on the last sector.
  if (!disc->ReadsToTheEnd()) {
    *error = path + ": the image ends before its last sector (" +
             std::to_string(disc->Toc().leadOut - 1) + "): a file it names is truncated";
    return nullptr;
  }
  return disc;
}

std::unique_ptr<Disc> OpenDrive(const std::string& device, std::string* error) {
  std::string path = device;
  if (path.empty()) {
    std::string ignored;
    LogScope log(&ignored);
    char* found = cdio_get_default_device(nullptr);
    if (found) path = found;
    cdio_free(found);
    if (path.empty()) {
      *error = "no CD drive was found";
      return nullptr;
    }
  }
  if (Probe(path) == DriveState::kNotADrive) {
    *error = path + ": not a CD drive";
    return nullptr;
  }
  // An empty drive opens too: the disc is taken up when one is put in.
  return MakeDriveDisc(path, std::make_unique<CdioDrive>(path));
}

std::unique_ptr<Disc> OpenDefaultDrive(std::string* error) {
  return OpenDrive("", error);
}

}  // namespace orvel::disc
