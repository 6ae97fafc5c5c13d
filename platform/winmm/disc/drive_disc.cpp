// Media change as a drive does it: an empty or opened drive answers not ready; a disc put in
// is found by the next Check, which reads its table of contents; a different disc gives the
// new tracks; a disc taken out leaves an empty table of contents and makes reads fail.
#include <string.h>

#include <algorithm>
#include <mutex>

#include "disc/drive.h"

namespace orvel::disc {
namespace {

constexpr int kSamplesPerSector = kFramesPerSector * 2;

const Track* TrackAt(const Contents& toc, int32_t sector) {
  for (const Track& t : toc.tracks) {
    if (sector >= t.start && sector < t.start + t.length) return &t;
  }
  return nullptr;
}

class DriveDisc : public Disc {
 public:
  DriveDisc(std::string name, std::unique_ptr<DriveIo> io)
      : name_(std::move(name)), io_(std::move(io)) {
    // A change that happened before the drive was opened is the disc loaded now.
    io_->MediaChanged();
    if (io_->DiscReady()) Take();
  }
  ~DriveDisc() override {
    if (state_ == State::kLoaded) io_->Unload();
  }

  const Contents& Toc() const override { return toc_; }
  std::string Name() const override { return name_; }
  bool Read(int32_t sector, int count, int16_t* out) override;
  Media Check() override;

 private:
  // kUnreadable: a disc is in but has no table of contents (a blank or damaged disc); it is
  // not tried again until the medium changes, so that a poll stays cheap.
  enum class State { kEmpty, kLoaded, kUnreadable };

  // Loads the disc in the drive in place of whatever was loaded. Holds no lock: the caller
  // holds ioLock_ or is the constructor.
  void Take();
  void Drop();

  std::string name_;
  std::unique_ptr<DriveIo> io_;
  std::mutex ioLock_;  // Read against Take and Drop
  State state_ = State::kEmpty;
  Contents toc_;
};

void DriveDisc::Take() {
  Drop();
  state_ = io_->Load(&toc_) ? State::kLoaded : State::kUnreadable;
  if (state_ != State::kLoaded) toc_ = Contents();
}

void DriveDisc::Drop() {
  if (state_ == State::kLoaded) io_->Unload();
  state_ = State::kEmpty;
  toc_ = Contents();
}

Disc::Media DriveDisc::Check() {
  // Both questions are asked every time, so that a change seen while the drive was empty
  // does not count again once the new disc is loaded.
  const bool ready = io_->DiscReady();
  const bool changed = io_->MediaChanged();
  if (!ready) {
    if (state_ != State::kEmpty) {
      std::lock_guard<std::mutex> hold(ioLock_);
      Drop();
    }
    return Media::kAbsent;
  }
  if (state_ != State::kEmpty && !changed) {
    return state_ == State::kLoaded ? Media::kPresent : Media::kAbsent;
  }
  std::lock_guard<std::mutex> hold(ioLock_);
  Take();
  return state_ == State::kLoaded ? Media::kChanged : Media::kAbsent;
}

bool DriveDisc::Read(int32_t sector, int count, int16_t* out) {
  std::lock_guard<std::mutex> hold(ioLock_);
  if (state_ != State::kLoaded) {
    memset(out, 0, static_cast<size_t>(std::max(count, 0)) * kSectorBytes);
    return count <= 0;
  }
  return ReadTrackSectors(toc_, sector, count, out,
                          [this](int32_t at, int16_t* into) { return io_->ReadSector(at, into); });
}

}  // namespace

bool ReadTrackSectors(const Contents& toc, int32_t sector, int count, int16_t* out,
                      const std::function<bool(int32_t sector, int16_t* out)>& readOne) {
  if (count <= 0) return true;
  memset(out, 0, static_cast<size_t>(count) * kSectorBytes);
  // Sectors outside the tracks are silence, whatever number a caller passes.
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(sector) + count, toc.leadOut);
  for (int64_t at = std::max<int64_t>(sector, 0); at < end; ++at) {
    const Track* t = TrackAt(toc, static_cast<int32_t>(at));
    if (!t || !t->audio) continue;
    int16_t* into = out + (at - sector) * kSamplesPerSector;
    if (!readOne(static_cast<int32_t>(at), into)) {
      memset(into, 0, static_cast<size_t>(sector + count - at) * kSectorBytes);
      return false;
    }
  }
  return true;
}

std::unique_ptr<Disc> MakeDriveDisc(std::string name, std::unique_ptr<DriveIo> io) {
  return std::make_unique<DriveDisc>(std::move(name), std::move(io));
}

}  // namespace orvel::disc
