// An NRG image keeps its table of contents at its end: a trailer ("NERO" and a 32-bit offset, or
// "NER5" and a 64-bit one) points back to a chain of chunks (id, big-endian length, data) that
// ends with "END!". Everything here is read from the file, never from the offsets alone.
#include "disc/nrg_check.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace orvel::disc {
namespace {

// libcdio reads at most this much from the start of the chunks to the end of the file.
constexpr int64_t kMaxFooterBytes = 4096;
// The last sector a table may name: 100 minutes of 75 sectors a second, past any real disc.
constexpr int64_t kMaxSector = 100 * 60 * 75;
constexpr uint32_t kLeadInLsn = 0xFFFFFF6A;  // -150 as the tables store it

uint32_t Be32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint64_t Be64(const unsigned char* p) {
  return (uint64_t{Be32(p)} << 32) | Be32(p + 4);
}

// The four-letter chunk ids as numbers.
constexpr uint32_t Id(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

// A chunk's data, `size` bytes at `data`; each check returns an empty string when the chunk is
// sound, else what is wrong with it.
struct Chunk {
  uint32_t id;
  const unsigned char* data;
  uint32_t size;
};

// CUEX and CUES: 8-byte entries (type, track, address form and control, reserved, sector),
// two lead-in entries and then two per track; each pair is a track's start and what follows.
std::string CheckCueTable(const Chunk& c, int* tracks) {
  if (c.size % 8 != 0 || c.size < 32 || (c.size / 8) % 2 != 0) {
    return "its cue table has " + std::to_string(c.size) + " bytes, not pairs of 8-byte entries";
  }
  const bool cuex = c.id == Id("CUEX");
  const uint32_t entries = c.size / 8;
  if (cuex && Be32(c.data + 4) != kLeadInLsn) return "its cue table does not start at -150";
  for (uint32_t i = 2; i + 1 < entries; i += 2) {
    const unsigned char* a = c.data + i * 8;
    const unsigned char* b = a + 8;
    const int form = a[2] >> 4;
    const uint32_t start = Be32(a + 4), next = Be32(b + 4);
    const bool sameTrack = a[1] == b[1];
    if ((cuex ? form > 1 || sameTrack : form != 0 || !sameTrack) || start > kMaxSector ||
        next > kMaxSector || (cuex && next < start)) {
      return "entry " + std::to_string(i) + " of its cue table does not make sense";
    }
  }
  *tracks = static_cast<int>(entries / 2 - 1);
  return "";
}

// The bytes of a sector for each track mode that ETNF and ETN2 name; 0 for an unknown mode.
uint32_t SectorBytes(uint32_t mode, bool etn2) {
  switch (mode) {
    case 0:
    case 2:
      return 2048;
    case 3:
      return 2336;
    case 6:
    case 0x20:
      return etn2 ? 0 : 2336;
    case 7:
      return 2352;
    default:
      return 0;
  }
}

// ETNF (20-byte entries, 32-bit offsets) and ETN2 (32 bytes, 64-bit): a track's place in the
// file, its length in bytes, its mode and its first sector.
std::string CheckTrackTable(const Chunk& c, int* tracks) {
  const bool etn2 = c.id == Id("ETN2");
  const uint32_t entry = etn2 ? 32 : 20;
  if (c.size == 0 || c.size % entry != 0) {
    return "its track table has " + std::to_string(c.size) + " bytes, not " +
           std::to_string(entry) + "-byte entries";
  }
  for (uint32_t i = 0; i < c.size / entry; ++i) {
    const unsigned char* e = c.data + i * entry;
    const uint64_t start = etn2 ? Be64(e) : Be32(e);
    const uint64_t length = etn2 ? Be64(e + 8) : Be32(e + 4);
    const uint32_t mode = Be32(e + (etn2 ? 16 : 8));
    const uint64_t firstSector = Be32(e + (etn2 ? 20 : 12));
    const uint32_t bytes = SectorBytes(mode, etn2);
    if (bytes == 0 || length % bytes != 0 || start != firstSector * bytes ||
        firstSector + length / bytes > kMaxSector) {
      return "entry " + std::to_string(i + 1) + " of its track table does not make sense";
    }
  }
  *tracks = static_cast<int>(c.size / entry);
  return "";
}

// One chunk in the chain; `tracks` counts the tracks of the table seen so far.
std::string CheckChunk(const Chunk& c, int* tracks, int* tables) {
  const uint32_t id = c.id;
  if (id == Id("CUEX") || id == Id("CUES") || id == Id("ETNF") || id == Id("ETN2")) {
    if (++*tables > 1) return "it holds more than one track table";
    return id == Id("ETNF") || id == Id("ETN2") ? CheckTrackTable(c, tracks)
                                                : CheckCueTable(c, tracks);
  }
  if (id == Id("DAOX") || id == Id("DAOI")) {
    // A 22-byte header, then one entry per track (libcdio reads the first one in any case).
    const uint32_t entry = id == Id("DAOX") ? 42 : 30;
    if (c.size < 22 + entry * static_cast<uint32_t>(std::max(1, *tracks))) {
      return "its disc-at-once chunk is too short for its tracks";
    }
  } else if ((id == Id("SINF") || id == Id("MTYP")) && c.size != 4) {
    return "a session or media chunk is not 4 bytes long";
  } else if (id == Id("CDTX") && c.size % 18 != 0) {
    return "its CD-TEXT is not made of 18-byte packs";
  } else if (id == Id("NERO") || id == Id("NER5")) {
    return "a footer stands among its chunks";
  }
  return "";
}

// Walks the chunks in `tail` (the file's last bytes, from byte `base` of the file on), the
// chunks starting at `first` and ending before `end` (indexes into `tail`).
std::string CheckChunks(const std::vector<unsigned char>& tail, size_t base, size_t first,
                        size_t end) {
  int tracks = 0, tables = 0;
  for (size_t pos = first;;) {
    if (end - pos < 8) return "its chunks run into the footer without an END! chunk";
    const Chunk c{Be32(&tail[pos]), &tail[pos + 8], Be32(&tail[pos + 4])};
    if (c.size > end - pos - 8) {
      return "the chunk at byte " + std::to_string(base + pos) + " is longer (" +
             std::to_string(c.size) + " bytes) than what is left of the file";
    }
    if (c.id == Id("END!")) break;
    std::string why = CheckChunk(c, &tracks, &tables);
    if (!why.empty()) return why;
    pos += 8 + c.size;
  }
  if (tracks < 1 || tracks > 99) {
    return "its table names " + std::to_string(tracks) + " tracks (a disc has 1 to 99)";
  }
  return "";
}

// The file's last `count` bytes.
bool ReadTail(int fd, int64_t size, size_t count, std::vector<unsigned char>* tail) {
  tail->resize(count);
  size_t got = 0;
  while (got < count) {
    const ssize_t n = pread(fd, tail->data() + got, count - got, size - count + got);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

// What is wrong with the image in `fd`, `size` bytes long; empty when nothing is.
std::string Examine(int fd, int64_t size) {
  if (size < 20) return "too short (" + std::to_string(size) + " bytes) to be an NRG image";
  const size_t count = static_cast<size_t>(std::min(size, kMaxFooterBytes + 12));
  std::vector<unsigned char> tail;
  if (!ReadTail(fd, size, count, &tail)) return std::string("cannot be read: ") + strerror(errno);
  const unsigned char* trailer = &tail[count - 12];
  uint64_t offset = 0;
  int64_t trailerBytes = 0;
  if (memcmp(trailer + 4, "NERO", 4) == 0) {
    offset = Be32(trailer + 8);
    trailerBytes = 8;
  } else if (memcmp(trailer, "NER5", 4) == 0) {
    offset = Be64(trailer + 4);
    trailerBytes = 12;
  } else {
    return "not an NRG image: it does not end with an NRG footer (NER5 or NERO)";
  }
  const int64_t end = size - trailerBytes;
  if (offset >= static_cast<uint64_t>(end) || end - static_cast<int64_t>(offset) < 8) {
    return "its footer points to byte " + std::to_string(offset) + ", outside the file (" +
           std::to_string(size) + " bytes)";
  }
  if (size - static_cast<int64_t>(offset) > kMaxFooterBytes) {
    return "its footer's chunks take " + std::to_string(size - static_cast<int64_t>(offset)) +
           " bytes, more than an NRG image's " + std::to_string(kMaxFooterBytes);
  }
  const size_t base = static_cast<size_t>(size - static_cast<int64_t>(count));
  return CheckChunks(tail, base, static_cast<size_t>(offset) - base,
                     static_cast<size_t>(end) - base);
}

}  // namespace

bool CheckNrgImage(const std::string& path, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    *error = path + ": cannot be read: " + strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  const std::string why = S_ISREG(st.st_mode) ? Examine(fd, st.st_size) : "not a file";
  close(fd);
  if (why.empty()) return true;
  *error = path + ": " + why;
  return false;
}

}  // namespace orvel::disc
