// A CD drive whose disc can come and go while the program runs. The media-change logic
// (DriveDisc) is written against DriveIo, the few questions a drive is asked, so that the same
// logic runs over libcdio for a real drive and over a disc held in memory in tests.
#ifndef ORVEL_WINMM_DISC_DRIVE_H
#define ORVEL_WINMM_DISC_DRIVE_H

#include <stdint.h>

#include <functional>
#include <memory>
#include <string>

#include "disc/disc.h"

namespace orvel::disc {

// The hardware side of a drive. DiscReady and MediaChanged are asked on every Check and must
// be cheap (no read of the disc); Load, Unload and ReadSector are never called at the same time
// as one another, but DiscReady and MediaChanged may run beside them. Checks come one at a
// time.
class DriveIo {
 public:
  virtual ~DriveIo() = default;
  // Whether a disc is in and the drive is ready; false for an empty drive or an open tray.
  virtual bool DiscReady() = 0;
  // Whether the medium changed since this was last asked (a tray opened and closed, a disc
  // swapped), however briefly: true once per change.
  virtual bool MediaChanged() = 0;
  // Takes up the disc now in: reads its table of contents into *toc and makes ready to read
  // its audio. False when it has no readable table of contents (a blank or damaged disc).
  virtual bool Load(Contents* toc) = 0;
  // Lets the loaded disc go: what Load set up for reading is closed.
  virtual void Unload() = 0;
  // Reads one audio sector of the loaded disc into `out` (kFramesPerSector stereo frames,
  // interleaved, native-endian); false when it cannot be read.
  virtual bool ReadSector(int32_t sector, int16_t* out) = 0;
};

// Disc::Read over one-sector reads: fills `count` sectors from `sector` on, reading through
// `readOne` only the sectors of audio tracks (the rest are silence); on the first failure the
// rest of `out` is silence and the result false.
bool ReadTrackSectors(const Contents& toc, int32_t sector, int count, int16_t* out,
                      const std::function<bool(int32_t sector, int16_t* out)>& readOne);

// A drive as a Disc: the disc in it when this is made is loaded at once (an empty drive gives
// an empty table of contents), and Check takes up every change after.
std::unique_ptr<Disc> MakeDriveDisc(std::string name, std::unique_ptr<DriveIo> io);

}  // namespace orvel::disc

#endif
