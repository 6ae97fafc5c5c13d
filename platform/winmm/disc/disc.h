// An audio CD as the CD-audio device sees it: a table of contents and audio sectors to read.
// A disc comes from a real drive (libcdio with paranoia), from a disc image that libcdio reads
// (CUE/BIN, cdrdao TOC, NRG), from a CUE sheet whose FILE lines name audio files (WAVE, FLAC,
// ...), or from a folder of audio files, one track per file. Every back end gives the same
// picture: 75 sectors a second, each 588 stereo frames of 16-bit samples at 44100 Hz.
#ifndef ORVEL_WINMM_DISC_DISC_H
#define ORVEL_WINMM_DISC_DISC_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

namespace orvel::disc {

constexpr int kSectorsPerSecond = 75;                              // CD frames in a second
constexpr int kFramesPerSector = 588;                              // stereo frames in a sector
constexpr int kSectorBytes = kFramesPerSector * 2 * 2;             // 2352
constexpr int kSampleRate = kSectorsPerSecond * kFramesPerSector;  // 44100
// Sector 0 of the program area is where MSF 00:02:00 lies: the lead-in's two seconds.
constexpr int kMsfOffset = 2 * kSectorsPerSecond;

struct Track {
  int number = 0;      // 1..99
  int32_t start = 0;   // first sector of the track (its INDEX 01), from program-area sector 0
  int32_t length = 0;  // sectors up to the next track's start (or the lead-out)
  bool audio = true;   // false for a data track, which is never played
};

struct Contents {
  std::vector<Track> tracks;  // in order; tracks[i].number == firstTrack + i
  int32_t leadOut = 0;        // the sector after the last track: the disc's length in sectors
  int FirstTrack() const { return tracks.empty() ? 0 : tracks.front().number; }
  int LastTrack() const { return tracks.empty() ? 0 : tracks.back().number; }
};

// What an album and its tracks are called, as a CUE sheet's TITLE and PERFORMER or the audio
// files' tags say (UTF-8 as written; empty where nothing says).
struct Names {
  std::string title;
  std::string performer;
};
struct AlbumNames {
  Names album;
  std::vector<Names> tracks;  // one for each of Toc().tracks, in order
};

class Disc {
 public:
  virtual ~Disc() = default;

  // The table of contents: read when the disc was opened, and for a drive again when Check
  // finds a new disc (empty while the drive has none). It changes only inside Check, so a
  // caller that also makes the Check calls sees it stand still between them.
  virtual const Contents& Toc() const = 0;

  // Reads `count` sectors from `sector` on into `out` (count * kFramesPerSector stereo frames,
  // interleaved left/right, native-endian int16). Sectors of data tracks and sectors past the
  // lead-out read as silence. Returns false when the medium cannot be read (a drive error, a
  // disc taken out, an image file that went away); `out` is then silence from the failing
  // sector on. Called from one thread at a time, not necessarily the same one; a call may
  // block for as long as a drive takes to read.
  virtual bool Read(int32_t sector, int count, int16_t* out) = 0;

  // What the medium did since the last Check.
  enum class Media {
    kPresent,  // the same disc is there
    kChanged,  // a disc was put in or swapped: Toc() is the new disc's
    kAbsent,   // no disc, or one whose contents cannot be read: Toc() is empty
  };
  // Looks at the medium as a drive does: a disc taken out (an empty drive, an open tray)
  // leaves the drive not ready; a disc put in, or swapped between two looks, is taken up by
  // reading its table of contents anew. Images and folders never change. Cheap when nothing
  // changed (no table of contents is read), so it can be asked every second; may be called
  // while another thread is in Read.
  virtual Media Check() { return Media::kPresent; }

  // What the user named, for messages: a device path, an image or a folder.
  virtual std::string Name() const = 0;

  // The album's and the tracks' names; a drive and the images libcdio reads name nothing.
  virtual AlbumNames Describe() const {
    return AlbumNames{{}, std::vector<Names>(Toc().tracks.size())};
  }
};

// Opens what `spec` names: a CD drive's device path (/dev/cdrom, /dev/sr0), a disc image
// (.cue, .toc, .nrg, or a .bin without a sheet), or a folder of audio files. On failure returns
// null and puts a message for the user in *error that names the file and, for a CUE or TOC
// sheet, the line ("album.cue:12: FILE \"03.flac\" is missing").
std::unique_ptr<Disc> OpenDisc(const std::string& spec, std::string* error);

// The first CD drive that libcdio finds, or null (with the reason in *error) when there is
// none. A drive without a disc opens and reports an empty table of contents.
std::unique_ptr<Disc> OpenDefaultDrive(std::string* error);

}  // namespace orvel::disc

#endif
