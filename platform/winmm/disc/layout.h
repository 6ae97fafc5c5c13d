// Laying out a CUE sheet's files on a disc: where each track starts and how long it is, and
// which stretch of which file each sector comes from. Pure arithmetic over the sheet and the
// files' sizes, so that a truncated file is found before anything plays.
#ifndef ORVEL_WINMM_DISC_LAYOUT_H
#define ORVEL_WINMM_DISC_LAYOUT_H

#include <stdint.h>

#include <string>
#include <vector>

#include "disc/cue_sheet.h"
#include "disc/disc.h"

namespace orvel::disc {

// Longer discs are refused (a sheet's times could otherwise overflow sector numbers).
constexpr int32_t kMaxDiscSectors = 100 * 3600 * kSectorsPerSecond;

// One stretch of the disc and where its sectors come from.
struct Segment {
  int32_t start = 0;       // first disc sector
  int32_t length = 0;      // sectors
  int file = -1;           // index into CueSheet::files; -1: silence not stored anywhere
  int64_t offset = 0;      // byte of the first sector in the file
  int sectorBytes = 2352;  // bytes from one sector to the next in the file
  bool audio = true;       // false: a data track's sectors, which read as silence
};

struct Layout {
  Contents toc;
  std::vector<Segment> segments;  // in disc order, covering 0..toc.leadOut
};

// fileBytes[i] is the size of sheet.files[i] in bytes; for an audio file, its length in
// 44100 Hz stereo frames times 4, as if it were raw sectors (its last sector may be partial
// and is padded with silence). A raw file that ends partway through a sector, or before an
// INDEX, is refused as truncated with a message naming the file, the sheet line and the
// shortfall in bytes.
bool LayOutSheet(const CueSheet& sheet, const std::vector<int64_t>& fileBytes,
                 const std::string& sheetName, Layout* layout, std::string* error);

}  // namespace orvel::disc

#endif
