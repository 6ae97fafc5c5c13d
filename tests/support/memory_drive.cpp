#include "memory_drive.h"

#include <math.h>

#include "disc_images.h"

namespace orvel::test {

disc::Contents ContentsOf(const MemoryDisc& disc) {
  disc::Contents toc;
  int32_t start = 0;
  for (size_t i = 0; i < disc.size(); ++i) {
    const int32_t length = disc[i].seconds * disc::kSectorsPerSecond;
    toc.tracks.push_back(disc::Track{static_cast<int>(i) + 1, start, length, disc[i].audio});
    start += length;
  }
  toc.leadOut = start;
  return toc;
}

void MemoryDrive::Insert(MemoryDisc disc) {
  std::lock_guard<std::mutex> hold(lock_);
  // A swap is a change; a disc put into an empty drive adds none to the one its ejection made,
  // the least a drive reports.
  changed_ = changed_ || in_;
  disc_ = std::move(disc);
  in_ = true;
}

void MemoryDrive::Eject() {
  std::lock_guard<std::mutex> hold(lock_);
  in_ = false;
  changed_ = true;
}

void MemoryDrive::EjectAfter(int looks) {
  std::lock_guard<std::mutex> hold(lock_);
  looksLeft_ = looks;
}

int MemoryDrive::TocReads() {
  std::lock_guard<std::mutex> hold(lock_);
  return tocReads_;
}

void MemoryDrive::Hold(bool held) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    held_ = held;
  }
  released_.notify_all();
}

bool MemoryDrive::DiscReady() {
  std::lock_guard<std::mutex> hold(lock_);
  if (looksLeft_ == 0) {
    in_ = false;
    changed_ = true;
  }
  if (looksLeft_ >= 0) --looksLeft_;
  return in_;
}

bool MemoryDrive::MediaChanged() {
  std::lock_guard<std::mutex> hold(lock_);
  const bool changed = changed_;
  changed_ = false;
  return changed;
}

bool MemoryDrive::Load(disc::Contents* toc) {
  std::lock_guard<std::mutex> hold(lock_);
  ++tocReads_;
  if (!in_ || disc_.empty()) return false;
  *toc = ContentsOf(disc_);
  return true;
}

bool MemoryDrive::ReadSector(int32_t sector, int16_t* out) {
  std::unique_lock<std::mutex> hold(lock_);
  released_.wait(hold, [this] { return !held_; });
  if (!in_) return false;
  const disc::Contents toc = ContentsOf(disc_);
  for (const disc::Track& t : toc.tracks) {
    if (sector < t.start || sector >= t.start + t.length) continue;
    if (!t.audio) return false;  // a drive refuses to read a data sector as audio
    for (int i = 0; i < disc::kFramesPerSector; ++i) {
      const int64_t n = static_cast<int64_t>(sector - t.start) * disc::kFramesPerSector + i;
      const double v =
          kToneLevel * 32767 * sin(2 * M_PI * ToneHz(t.number) * n / disc::kSampleRate);
      out[2 * i] = out[2 * i + 1] = static_cast<int16_t>(lround(v));
    }
    return true;
  }
  return false;
}

MemoryCd MakeMemoryCd(const MemoryDisc* disc) {
  auto drive = std::make_unique<MemoryDrive>();
  MemoryDrive* raw = drive.get();
  if (disc) raw->Insert(*disc);
  return MemoryCd{disc::MakeDriveDisc("memory", std::move(drive)), raw};
}

}  // namespace orvel::test
