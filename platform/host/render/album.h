// Renders of a disc (--cd IMAGE|FOLDER with --render): the disc plays in virtual time as a user
// would play it, from its first audio track (or the first of --tracks), with the date line and
// the CD position on; the video's sound is what the player plays, and each track is a chapter
// named from the CUE sheet or the files' tags. With --each-track, every track is a file of its
// own instead.
#ifndef ORVEL_HOST_RENDER_ALBUM_H
#define ORVEL_HOST_RENDER_ALBUM_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "host/render/script.h"
#include "host/render/sink.h"
#include "winmm/disc/disc.h"

namespace orvel::render {

// Play is pressed this long into the video, when the window has been shown for a moment.
constexpr int64_t kAlbumLeadMicros = 1000000;
// The built-in walk through the displays moves on this often.
constexpr int64_t kAlbumStepMicros = 20000000;

struct Album {
  int64_t lengthMicros = 0;     // of the video: the lead-in, then the tracks
  std::vector<Action> actions;  // pressing play and the clock; the walk when asked for
  VideoLabels labels;           // the album's title and artist, and a chapter a track
  struct Track {
    int number;
    disc::Names names;  // the performer is the album's where the track names none
  };
  std::vector<Track> tracks;  // rendered, in order, one for each chapter
};

// Plans the render of `disc`'s audio tracks in `tracks` ("" for all, "3", "3-5", "3-"), with
// the walk through the displays when `walk`. False with *error when the range names no audio
// track of the disc.
bool PlanAlbum(const disc::Disc& disc, const std::string& tracks, bool walk, Album* album,
               std::string* error);

// The file of one track beside `output`: "out/album.mkv", 3, "Intro" -> "out/album - 03 -
// Intro.mkv". Characters that file systems or shells trip over become '_'; a title with none
// left is "Track 03".
std::string TrackFileName(const std::string& output, int number, const std::string& title);

// For --each-track: one file per chapter of `base.labels`, each opened when its first frame
// comes (at most one encoder at a time) and labelled as that track. `base.output` names the
// album's file, beside which the tracks are written. Null with *error when the first cannot be
// opened.
std::unique_ptr<Sink> OpenTrackSinks(const SinkSettings& base, const Album& album,
                                     std::vector<std::string>* files, std::string* error);

}  // namespace orvel::render

#endif
