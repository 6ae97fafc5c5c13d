// Any text as a CUE sheet: read, and when it reads, laid out over files of made-up sizes (some
// whole sectors, some not, some far too short). A sheet that lays out must give a disc that
// makes sense: tracks counting up by one, each at least a sector long, stretches that tile the
// disc from sector 0 to the lead-out.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <string_view>

#include "disc/layout.h"

namespace {

using namespace orvel::disc;

void Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "laid-out disc: %s\n", what);
    abort();
  }
}

void CheckLayout(const CueSheet& sheet, const Layout& layout) {
  const Contents& toc = layout.toc;
  Check(toc.tracks.size() == sheet.tracks.size(), "a track is missing");
  Check(toc.leadOut > 0 && toc.leadOut <= kMaxDiscSectors, "the lead-out is out of range");
  for (size_t i = 0; i < toc.tracks.size(); ++i) {
    const Track& t = toc.tracks[i];
    Check(t.number == toc.FirstTrack() + static_cast<int>(i), "track numbers skip");
    Check(t.start >= 0 && t.length > 0 && t.start + t.length <= toc.leadOut, "a track is empty");
    Check(i + 1 == toc.tracks.size() || t.start + t.length == toc.tracks[i + 1].start,
          "tracks do not follow each other");
  }
  int64_t at = 0;
  for (const Segment& s : layout.segments) {
    Check(s.start == at && s.length > 0, "the stretches do not tile the disc");
    Check(s.file < static_cast<int>(sheet.files.size()) && s.offset >= 0, "a stretch is lost");
    at += s.length;
  }
  Check(at == toc.leadOut, "the stretches end before the lead-out");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  CueSheet sheet;
  std::string error;
  if (!ParseCueSheet(text, "f.cue", &sheet, &error)) {
    Check(error.compare(0, 5, "f.cue") == 0, "a message does not name the sheet");
    return 0;
  }
  std::vector<int64_t> sizes;
  for (size_t i = 0; i < sheet.files.size(); ++i) {
    sizes.push_back(static_cast<int64_t>(i % 4) * 300 * kSectorBytes + (i % 3 == 2 ? 1000 : 0));
  }
  Layout layout;
  if (LayOutSheet(sheet, sizes, "f.cue", &layout, &error)) CheckLayout(sheet, layout);
  return 0;
}
