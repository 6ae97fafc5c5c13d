#include "host/render/album.h"

#include <stdio.h>

#include <algorithm>

#include "host/render/cable_tap.h"
#include "host/render/quantities.h"

namespace orvel::render {
namespace {

using disc::Names;

// Where the built-in walk goes: every kind of display, one step at a time.
const char* const kWalk[] = {"bars",       "circles",   "sphere",        "extents", "stars",
                             "gauge",      "rings",     "bezier",        "random",  "dots",
                             "star-rings", "triangles", "triangle-rings"};

// "3", "3-5" or "3-" into [*first, *last]; "" is every track.
bool ParseTracks(const std::string& text, int lastOnDisc, int* first, int* last) {
  *first = 1;
  *last = lastOnDisc;
  if (text.empty()) return true;
  int a = 0, b = 0, used = 0;
  const int n = sscanf(text.c_str(), "%2d%n-%2d%n", &a, &used, &b, &used);
  const bool open = n == 1 && used + 1 == static_cast<int>(text.size()) && text.back() == '-';
  if (n < 1 || (used != static_cast<int>(text.size()) && !open) || a < 1 || (n == 2 && b < a)) {
    return false;
  }
  *first = a;
  *last = n == 2 ? b : open ? lastOnDisc : a;
  return true;
}

std::string Two(int n) {
  char text[8];
  snprintf(text, sizeof text, "%02d", n);
  return text;
}

// What the user hears of a track: its title, with its performer where that is not the album's.
std::string ChapterTitle(const Names& track, const Names& album, int number) {
  std::string title = track.title.empty() ? "Track " + Two(number) : track.title;
  if (!track.performer.empty() && track.performer != album.performer) {
    title = track.performer + " - " + title;
  }
  return title;
}

// "a/b/album.cue" -> "a/b/", "album", ".cue"; "a/b/album/" -> "a/b/", "album", "".
struct PathParts {
  std::string folder;  // with its '/', or empty
  std::string stem;
  std::string ext;  // with its '.', or empty
};
PathParts SplitPath(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.find_last_of('/');
  PathParts p;
  p.folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  p.stem = path.substr(p.folder.size());
  const size_t dot = p.stem.find_last_of('.');
  if (dot != std::string::npos && dot > 0) {
    p.ext = p.stem.substr(dot);
    p.stem.resize(dot);
  }
  return p;
}

std::vector<Action> Actions(int firstTrack, bool walk, int64_t length) {
  std::string text;
  const std::string lead = std::to_string(kAlbumLeadMicros / 1000000) + " ";
  // PLAY plays track 1; each NEXT moves on a track and plays it.
  if (firstTrack == 1) text += lead + "click play\n";
  for (int t = 1; t < firstTrack; ++t) text += lead + "click next\n";
  text += lead + "click clock\n";  // the date line, and the CD position under it
  for (int64_t at = kAlbumLeadMicros, k = 0; walk && at < length; at += kAlbumStepMicros, ++k) {
    text += std::to_string(at / 1000000) + " click " +
            kWalk[k % static_cast<int64_t>(std::size(kWalk))] + "\n";
  }
  std::vector<Action> actions;
  std::string error;
  ParseScript(text, "album", &actions, &error);
  return actions;
}

}  // namespace

bool PlanAlbum(const disc::Disc& disc, const std::string& tracks, bool walk, Album* album,
               std::string* error) {
  const disc::Contents& toc = disc.Toc();
  if (toc.tracks.empty()) {
    *error = "'" + disc.Name() + "' holds no disc to render";
    return false;
  }
  int first = 0, last = 0;
  if (!ParseTracks(tracks, toc.LastTrack(), &first, &last)) {
    *error = "--tracks '" + tracks + "' is not a track or a range of tracks such as 3, 3-5 or 3-";
    return false;
  }
  const disc::AlbumNames names = disc.Describe();
  *album = Album();
  // Play runs on through the audio tracks and stops before a data track.
  std::vector<size_t> chosen;
  for (size_t i = 0; i < toc.tracks.size(); ++i) {
    const disc::Track& t = toc.tracks[i];
    if (t.number < first || t.number > last) continue;
    if (!t.audio) {
      if (chosen.empty()) continue;
      break;
    }
    chosen.push_back(i);
  }
  if (chosen.empty()) {
    *error = "--tracks " + tracks + " holds no audio track of '" + disc.Name() + "' (tracks " +
             std::to_string(toc.FirstTrack()) + " to " + std::to_string(toc.LastTrack()) + ")";
    return false;
  }
  Names albumNames = names.album;
  if (albumNames.title.empty()) albumNames.title = SplitPath(disc.Name()).stem;
  album->labels.title = album->labels.album = albumNames.title;
  album->labels.artist = albumNames.performer;
  const int32_t origin = toc.tracks[chosen.front()].start;
  for (size_t i : chosen) {
    const disc::Track& t = toc.tracks[i];
    const Names n = i < names.tracks.size() ? names.tracks[i] : Names{};
    Chapter c;
    c.startMicros =
        kAlbumLeadMicros + int64_t{t.start - origin} * 1000000 / disc::kSectorsPerSecond;
    c.endMicros = c.startMicros + int64_t{t.length} * 1000000 / disc::kSectorsPerSecond;
    c.title = ChapterTitle(n, albumNames, t.number);
    album->labels.chapters.push_back(c);
    album->tracks.push_back(
        {t.number, Names{n.title, n.performer.empty() ? albumNames.performer : n.performer}});
  }
  // The first chapter holds the moment before play too, so that every moment has a chapter.
  album->labels.chapters.front().startMicros = 0;
  album->lengthMicros = album->labels.chapters.back().endMicros;
  album->actions = Actions(toc.tracks[chosen.front()].number, walk, album->lengthMicros);
  return true;
}

std::string TrackFileName(const std::string& output, int number, const std::string& title) {
  const PathParts out = SplitPath(output);
  std::string safe;
  for (char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    safe += byte < 0x20 || byte == 0x7F || std::string("/\\:*?\"<>|").find(c) != std::string::npos
                ? '_'
                : c;
  }
  // No leading dot (a hidden file) or dash (an option), no blanks or dots at either end, and a
  // length any file system takes, cut between UTF-8 characters.
  const size_t start = safe.find_first_not_of(" .-");
  safe = start == std::string::npos ? "" : safe.substr(start);
  if (safe.size() > 120) {
    size_t cut = 120;
    while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80) --cut;
    safe.resize(cut);
  }
  while (!safe.empty() && (safe.back() == ' ' || safe.back() == '.')) safe.pop_back();
  if (safe.empty()) safe = "Track " + Two(number);
  return out.folder + out.stem + " - " + Two(number) + " - " + safe + out.ext;
}

namespace {

// One file after another: each track's frames go to its own sink, opened when its first frame
// comes.
class TrackSinks : public Sink {
 public:
  struct Part {
    int64_t firstFrame = 0;  // window frames of the render
    SinkSettings settings;
  };
  explicit TrackSinks(std::vector<Part> parts) : parts_(std::move(parts)) {}

  bool OpenNext(std::string* error) {
    current_.reset();
    current_ = OpenSink(parts_[next_].settings, error);
    ++next_;
    fresh_ = true;
    return current_ != nullptr;
  }

  bool Write(const gdi::Surface& picture, const std::vector<RECT>& changed, int count) override {
    if (!current_) return false;
    if (next_ < parts_.size() && frame_ >= parts_[next_].firstFrame) {
      if (!current_->Finish()) return false;
      if (!OpenNext(&openError_)) return false;
    }
    ++frame_;
    if (!fresh_) return current_->Write(picture, changed, count);
    fresh_ = false;  // a new file starts from the whole picture
    return current_->Write(picture, {RECT{0, 0, picture.width, picture.height}}, count);
  }

  bool Finish() override { return current_ && current_->Finish(); }
  std::string Error() const override {
    return !openError_.empty() || !current_ ? openError_ : current_->Error();
  }
  std::string Discard() override { return current_ ? current_->Discard() : ""; }

 private:
  std::vector<Part> parts_;
  size_t next_ = 0;
  std::unique_ptr<Sink> current_;
  int64_t frame_ = 0;
  bool fresh_ = false;
  std::string openError_;
};

}  // namespace

std::unique_ptr<Sink> OpenTrackSinks(const SinkSettings& base, const Album& album,
                                     std::vector<std::string>* files, std::string* error) {
  std::vector<TrackSinks::Part> parts;
  const std::vector<Chapter>& chapters = base.labels.chapters;
  for (size_t i = 0; i < chapters.size(); ++i) {
    TrackSinks::Part p;
    p.firstFrame = i == 0 ? 0 : chapters[i].startMicros / kFrameMicros;
    const int64_t end = i + 1 < chapters.size() ? chapters[i + 1].startMicros / kFrameMicros
                                                : base.audio.lengthMicros / kFrameMicros + 1;
    p.settings = base;
    const Album::Track& track = album.tracks[i];
    p.settings.output = TrackFileName(base.output, track.number, track.names.title);
    p.settings.labels =
        VideoLabels{track.names.title, track.names.performer, base.labels.album, track.number, {}};
    p.settings.audio.startMicros = p.firstFrame * kFrameMicros;
    p.settings.audio.lengthMicros =
        std::min(end * kFrameMicros, base.audio.lengthMicros) - p.settings.audio.startMicros;
    files->push_back(p.settings.output);
    parts.push_back(std::move(p));
  }
  auto sinks = std::make_unique<TrackSinks>(std::move(parts));
  if (!sinks->OpenNext(error)) return nullptr;
  return sinks;
}

}  // namespace orvel::render
