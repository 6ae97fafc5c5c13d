// A CD drive held in memory, for tests: the program sees it through the same media-change
// logic as a real drive, and a test puts discs in, takes them out and swaps them while it
// runs. Each track of a disc is whole seconds of the tone ToneHz(its number); a data track
// reads as a drive reads one, as nothing the player may play.
#ifndef ORVEL_TESTS_SUPPORT_MEMORY_DRIVE_H
#define ORVEL_TESTS_SUPPORT_MEMORY_DRIVE_H

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "disc/drive.h"

namespace orvel::test {

struct MemoryTrack {
  int seconds = 2;
  bool audio = true;
};
using MemoryDisc = std::vector<MemoryTrack>;  // no tracks: a blank disc, which cannot load

class MemoryDrive : public disc::DriveIo {
 public:
  // Puts `disc` in, or swaps it for the one in (which the drive reports as a change).
  void Insert(MemoryDisc disc);
  // Takes the disc out: the drive is empty and reads fail.
  void Eject();
  // Takes the disc out once the drive has been asked `looks` more times whether it is ready:
  // a disc ejected in the middle of a command.
  void EjectAfter(int looks);
  // How often a table of contents was read (Load).
  int TocReads();
  // A drive that takes its time: while held, reads wait.
  void Hold(bool held);

  bool DiscReady() override;
  bool MediaChanged() override;
  bool Load(disc::Contents* toc) override;
  void Unload() override {}
  bool ReadSector(int32_t sector, int16_t* out) override;

 private:
  std::mutex lock_;
  std::condition_variable released_;
  bool in_ = false;
  bool changed_ = false;
  bool held_ = false;
  int looksLeft_ = -1;  // -1: no ejection pending
  int tocReads_ = 0;
  MemoryDisc disc_;
};

// A drive for the CD-audio device, with `disc` in it (none when null).
struct MemoryCd {
  std::shared_ptr<disc::Disc> disc;  // what the device plays
  MemoryDrive* drive = nullptr;      // lives as long as `disc`
};
MemoryCd MakeMemoryCd(const MemoryDisc* disc);
inline MemoryCd MakeMemoryCd(const MemoryDisc& disc) {
  return MakeMemoryCd(&disc);
}

// The table of contents a disc of these tracks has: back to back from sector 0.
disc::Contents ContentsOf(const MemoryDisc& disc);

}  // namespace orvel::test

#endif
