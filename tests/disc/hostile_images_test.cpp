// Disc images made to hurt: NRG footers and chunks that point outside the file or hold tables
// libcdio does not expect, and FIFOs, folders and loops where a disc or a track file belongs.
// Each is refused with a message that names the file and what is wrong, without waiting.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "disc/disc.h"
#include "disc/nrg_check.h"
#include "disc_images.h"

namespace orvel::disc {
namespace {

std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Be64(uint64_t v) {
  return Be32(uint32_t(v >> 32)) + Be32(uint32_t(v));
}

std::string Chunk(const char* id, const std::string& data) {
  return id + Be32(uint32_t(data.size())) + data;
}

// A cue-table entry: type, track, address form and control, reserved, sector.
std::string CueEntry(int track, int form, uint32_t lsn) {
  return std::string{char(0x01), char(track), char(form << 4), 0} + Be32(lsn);
}

// One audio track of `sectors` sectors: lead-in pair, then the track's start and the lead-out.
std::string CueTable(uint32_t sectors) {
  return CueEntry(0, 0, 0xFFFFFF6A) + CueEntry(1, 0, 0xFFFFFF6A) + CueEntry(1, 0, 0) +
         CueEntry(0xAA, 0, sectors);
}

// A disc-at-once chunk for `tracks` tracks of audio (mode 7).
std::string Daox(int tracks) {
  std::string data(22, '\0');
  for (int t = 0; t < tracks; ++t) {
    std::string entry(42, '\0');
    entry[16] = 7;
    data += entry;
  }
  return data;
}

// An NRG image: `sectors` sectors of silence, the chunks, then a NER5 trailer pointing at them.
std::string Nrg(const std::string& chunks, uint32_t sectors = 150) {
  const std::string audio(size_t(sectors) * kSectorBytes, '\0');
  return audio + chunks + "NER5" + Be64(audio.size());
}

const std::string kEnd = Chunk("END!", "");
const std::string kGoodChunks = Chunk("CUEX", CueTable(150)) + Chunk("DAOX", Daox(1)) + kEnd;

struct Hostile {
  const char* name;
  std::string bytes;    // the whole .nrg file
  const char* message;  // what the error says after the file's path and ": "
};

const Hostile kNrgImages[] = {
    {"52 bytes: CUEX, a footer offset near 2^32",
     "CUEX" + std::string(36, '\0') + "NER5" + Be64(0xFFFFFFF0u),
     "its footer points to byte 4294967280, outside the file (52 bytes)"},
    {"a bare NER5", "NER5", "too short (4 bytes) to be an NRG image"},
    {"a footer offset of 10^12", std::string(64, '\0') + "NER5" + Be64(1000000000000),
     "its footer points to byte 1000000000000, outside the file (76 bytes)"},
    {"a 32-bit NERO footer past the end",
     std::string(64, '\0') + Be32(0) + "NERO" + Be32(0x7FFFFFFF),
     "its footer points to byte 2147483647, outside the file (76 bytes)"},
    {"chunks more than 4 KiB from the end", Nrg(Chunk("JUNK", std::string(5000, 'x')) + kEnd),
     "its footer's chunks take 5028 bytes, more than an NRG image's 4096"},
    {"no footer at all", std::string(100, 'x'), "not an NRG image: it does not end with"},
    {"a chunk longer than the file", Nrg(Chunk("CUEX", CueTable(150)).substr(0, 8)),
     "the chunk at byte 352800 is longer (32 bytes) than what is left of the file"},
    {"no END! chunk", Nrg(Chunk("CUEX", CueTable(150))),
     "its chunks run into the footer without an END! chunk"},
    {"no tracks", Nrg(kEnd), "its table names 0 tracks (a disc has 1 to 99)"},
    {"two track tables", Nrg(Chunk("CUEX", CueTable(150)) + Chunk("CUEX", CueTable(150)) + kEnd),
     "it holds more than one track table"},
    {"an odd cue table", Nrg(Chunk("CUEX", CueTable(150) + CueEntry(2, 0, 0)) + kEnd),
     "its cue table has 40 bytes, not pairs of 8-byte entries"},
    {"a cue table not from -150",
     Nrg(Chunk("CUEX", CueEntry(0, 0, 0) + CueTable(150).substr(8)) + kEnd),
     "its cue table does not start at -150"},
    {"an MSF form the reader stops on",
     Nrg(Chunk("CUEX", CueTable(150).substr(0, 16) + CueEntry(1, 3, 0) + CueEntry(0xAA, 0, 150)) +
         kEnd),
     "entry 2 of its cue table does not make sense"},
    {"a track of one entry",
     Nrg(Chunk("CUEX", CueTable(150).substr(0, 16) + CueEntry(1, 0, 0) + CueEntry(1, 0, 150)) +
         kEnd),
     "entry 2 of its cue table does not make sense"},
    {"100 tracks",
     [] {
       std::string table = CueTable(0).substr(0, 16);
       for (int t = 1; t <= 100; ++t) table += CueEntry(t, 0, t) + CueEntry(t + 1, 0, t + 1);
       return Nrg(Chunk("CUEX", table) + kEnd);
     }(),
     "its table names 100 tracks (a disc has 1 to 99)"},
    {"a track table of an unknown mode",
     Nrg(Chunk("ETNF", Be32(0) + Be32(2352 * 150) + Be32(9) + Be32(0) + Be32(0)) + kEnd),
     "entry 1 of its track table does not make sense"},
    {"a track table whose length is not whole sectors",
     Nrg(Chunk("ETNF", Be32(0) + Be32(2352 * 150 + 1) + Be32(7) + Be32(0) + Be32(0)) + kEnd),
     "entry 1 of its track table does not make sense"},
    {"a short disc-at-once chunk",
     Nrg(Chunk("CUEX", CueTable(150)) + Chunk("DAOX", Daox(0)) + kEnd),
     "its disc-at-once chunk is too short for its tracks"},
    {"a session chunk of 3 bytes", Nrg(Chunk("SINF", "abc") + kGoodChunks),
     "a session or media chunk is not 4 bytes long"},
    {"CD-TEXT in broken packs", Nrg(Chunk("CDTX", std::string(17, 'x')) + kGoodChunks),
     "its CD-TEXT is not made of 18-byte packs"},
    {"a footer among the chunks", Nrg(Chunk("NER5", std::string(8, '\0')) + kGoodChunks),
     "a footer stands among its chunks"},
};

TEST(HostileImages, BrokenNrgImagesAreRefusedNamingTheFile) {
  for (const Hostile& h : kNrgImages) {
    test::Folder folder;
    const std::string path = folder.path() + "/disc.nrg";
    std::ofstream(path, std::ios::binary) << h.bytes;
    std::string error;
    EXPECT_FALSE(OpenDisc(path, &error)) << h.name;
    const std::string want = path + ": " + h.message;
    EXPECT_EQ(error.substr(0, want.size()), want) << h.name;
  }
}

// The checks let a sound image through to libcdio, which reads its one track.
TEST(HostileImages, ASoundNrgImageOpens) {
  test::Folder folder;
  const std::string path = folder.path() + "/disc.nrg";
  std::ofstream(path, std::ios::binary) << Nrg(Chunk("MTYP", Be32(1)) + kGoodChunks);
  std::string error;
  EXPECT_TRUE(CheckNrgImage(path, &error)) << error;
  std::unique_ptr<Disc> disc = OpenDisc(path, &error);
  ASSERT_TRUE(disc) << error;
  EXPECT_EQ(disc->Toc().tracks.size(), 1u);
}

struct NotAFile {
  const char* name;
  // Makes the input in `folder` and returns what to open.
  std::string (*make)(const std::string& folder);
  const char* message;           // after the folder's path and a slash
  const char* tmpdir = nullptr;  // TMPDIR while it is opened, under the folder
};

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

const NotAFile kNotFiles[] = {
    {"a FIFO as the disc",
     [](const std::string& f) {
       mkfifo((f + "/disc.cue").c_str(), 0600);
       return f + "/disc.cue";
     },
     "disc.cue: a FIFO, not a CD drive, a disc image or a folder"},
    {"a TOC naming a FIFO",
     [](const std::string& f) {
       mkfifo((f + "/pipe.bin").c_str(), 0600);
       Write(f + "/a.toc", "CD_DA\n\nTRACK AUDIO\nFILE \"pipe.bin\" 0\n");
       return f + "/a.toc";
     },
     "a.toc:4: FILE \"pipe.bin\" is a FIFO, not a file"},
    {"a CUE naming a FIFO",
     [](const std::string& f) {
       mkfifo((f + "/pipe.bin").c_str(), 0600);
       Write(f + "/a.cue", "FILE \"pipe.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
       return f + "/a.cue";
     },
     "a.cue:1: FILE \"pipe.bin\" is a FIFO, not a file"},
    {"a CUE naming a folder",
     [](const std::string& f) {
       mkdir((f + "/sub.wav").c_str(), 0700);
       Write(f + "/a.cue", "FILE \"sub.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
       return f + "/a.cue";
     },
     "a.cue:1: FILE \"sub.wav\" is a folder, not a file"},
    {"an empty CUE",
     [](const std::string& f) {
       Write(f + "/a.cue", "");
       return f + "/a.cue";
     },
     "a.cue: is empty, not a cue sheet"},
    {"a symbolic link to itself",
     [](const std::string& f) {
       symlink("loop.cue", (f + "/loop.cue").c_str());
       return f + "/loop.cue";
     },
     "loop.cue: cannot be opened: Too many levels of symbolic links"},
    {"a TOC track without a mode (libcdio divides by zero)",
     [](const std::string& f) {
       Write(f + "/a.bin", std::string(kSectorBytes, '\0'));
       Write(f + "/a.toc", "CD_DA\n\nTRACK\nFILE \"a.bin\" 00:00:00\n");
       return f + "/a.toc";
     },
     "a.toc:3: TRACK needs a mode such as AUDIO, not \"\""},
    {"a TOC track whose mode hides behind a NUL",
     [](const std::string& f) {
       Write(f + "/a.toc", std::string("CD_DA\nTRACK\0 AUDIO\n", 19));
       return f + "/a.toc";
     },
     "a.toc:2: TRACK needs a mode such as AUDIO, not \"\""},
    {"a TOC while TMPDIR is missing",
     [](const std::string& f) {
       Write(f + "/a.toc", "CD_DA\n");
       return f + "/a.toc";
     },
     "a.toc: cannot be copied for reading into the temporary folder", "/gone"},
};

TEST(HostileImages, WhatIsNotAFileIsRefusedWithoutWaiting) {
  for (const NotAFile& n : kNotFiles) {
    test::Folder folder;
    const std::string path = n.make(folder.path());
    const std::string tmpdir = getenv("TMPDIR") ? getenv("TMPDIR") : "";
    if (n.tmpdir) setenv("TMPDIR", (folder.path() + n.tmpdir).c_str(), 1);
    std::string error;
    EXPECT_FALSE(OpenDisc(path, &error)) << n.name;
    if (n.tmpdir) tmpdir.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", tmpdir.c_str(), 1);
    const std::string want = folder.path() + "/" + n.message;
    EXPECT_EQ(error.substr(0, want.size()), want) << n.name;
  }
}

}  // namespace
}  // namespace orvel::disc
