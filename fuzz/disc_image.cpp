// Any bytes as a disc image, through the same opener as --cd: written to a file of the
// target's own as an NRG image or a cdrdao TOC (the first byte chooses), beside a short BIN a
// TOC may name (data.bin). An image either opens, with a table of contents that makes sense
// and sectors that read, or is refused with a message that names it.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "disc/disc.h"

namespace {

using namespace orvel::disc;

void Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "disc image: %s\n", what);
    abort();
  }
}

// The target's folder: $TMPDIR/orvel-fuzz-disc-<pid>, with data.bin (one second of sound),
// removed when the target ends.
struct Scratch {
  Scratch() {
    const char* tmp = getenv("TMPDIR");
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvel-fuzz-disc-" + std::to_string(getpid());
    Check(system(("mkdir -p '" + path + "'").c_str()) == 0, "no folder");
    std::ofstream(path + "/data.bin", std::ios::binary) << std::string(75 * kSectorBytes, '\1');
  }
  ~Scratch() {
    if (system(("rm -rf '" + path + "'").c_str()) != 0) fprintf(stderr, "%s stays\n", path.c_str());
  }
  std::string path;
};

const std::string& Folder() {
  static const Scratch scratch;
  return scratch.path;
}

void CheckDisc(Disc& disc) {
  const Contents& toc = disc.Toc();
  Check(toc.tracks.size() <= 99, "more than 99 tracks");
  for (size_t i = 0; i < toc.tracks.size(); ++i) {
    Check(toc.tracks[i].start >= 0 && toc.tracks[i].start <= toc.leadOut, "a track outside");
  }
  std::vector<int16_t> samples(static_cast<size_t>(4) * kFramesPerSector * 2);
  disc.Read(0, 4, samples.data());
  disc.Read(toc.leadOut - 2, 4, samples.data());
}

}  // namespace

// libcdio's cdrdao reader keeps what it allocated for a TOC it then refuses: its leak, not
// this program's, and reported where the TOC is opened.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libcdio.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 16384) return 0;
  const std::string path = Folder() + (data[0] & 1 ? "/disc.toc" : "/disc.nrg");
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  std::string error;
  std::unique_ptr<Disc> disc = OpenDisc(path, &error);
  if (disc) {
    CheckDisc(*disc);
  } else {
    Check(error.compare(0, path.size(), path) == 0, "a message does not name the image");
  }
  return 0;
}
