// Where rendered frames go. A sink is opened before the program runs (so that a bad output
// fails before any work), takes the window's picture once per frame of the window, and is
// finished at the end, also after an interruption, leaving a complete file of what it got.
#ifndef ORVEL_HOST_RENDER_SINK_H
#define ORVEL_HOST_RENDER_SINK_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "gdi/surface.h"

namespace orvel::render {

// The window's client area, the size of every frame unless the render enlarges it.
constexpr int kWindowWidth = 561;
constexpr int kWindowHeight = 411;

// The window's frame rate: one picture every 33 ms of music.
constexpr int64_t kFrameMicros = 33000;

// A frame rate as a fraction, frames per second = num / den.
struct Rate {
  int num = 1000;
  int den = 33;
};

class CableTap;

// The music that the render covers, for muxing: a file, the demo or what a disc played, from
// startMicros for lengthMicros.
struct AudioSpan {
  std::string input;          // a path, or "demo"; ignored with a cable
  CableTap* cable = nullptr;  // a disc's render: the sound as it is played, recorded as it goes
  int64_t startMicros = 0;
  int64_t lengthMicros = 0;
};

// A chapter of a video, in microseconds of the video.
struct Chapter {
  int64_t startMicros = 0;
  int64_t endMicros = 0;
  std::string title;
};

// What a video file says of itself (empty: nothing).
struct VideoLabels {
  std::string title, artist, album;
  int track = 0;  // 0: none
  std::vector<Chapter> chapters;
};

struct SinkSettings {
  std::string output;  // what the user gave: a path, a PNG pattern, or "-"
  std::string codec;   // empty: the container's default
  int crf = -1;        // -1: the codec's default
  Rate rate;           // of the output
  AudioSpan audio;
  VideoLabels labels;        // video files only
  int width = kWindowWidth;  // of each frame
  int height = kWindowHeight;
};

class Sink {
 public:
  virtual ~Sink() = default;
  // Takes the window's picture as `count` consecutive output frames (0 when the output rate
  // drops it). `changed` covers every pixel that differs from the last picture (the whole
  // picture the first time). Called while the window stands still; false once writing has
  // failed.
  virtual bool Write(const gdi::Surface& picture, const std::vector<RECT>& changed, int count) = 0;
  // Flushes and closes the output. False when that fails.
  virtual bool Finish() = 0;
  // After a failure: what went wrong, naming the output.
  virtual std::string Error() const = 0;
  // After a failure: removes what a broken output left; returns a sentence for the user about
  // what remains (empty when nothing was written).
  virtual std::string Discard() = 0;
};

// The kinds of output, by the name given: for messages.
std::string SupportedOutputs();

// Opens the sink for settings.output. Null with *error (naming the output) for an unknown
// kind, a codec this FFmpeg lacks, or an output that cannot be written.
std::unique_ptr<Sink> OpenSink(const SinkSettings& settings, std::string* error);

// The individual sinks (sink_raw.cpp, sink_png.cpp, sink_av.cpp).
std::unique_ptr<Sink> OpenRawSink(const SinkSettings& settings, std::string* error);
std::unique_ptr<Sink> OpenPngSink(const SinkSettings& settings, std::string* error);
std::unique_ptr<Sink> OpenAvSink(const SinkSettings& settings, std::string* error);

// Updates `rgb`, the picture as packed RGB24 (width * height * 3 bytes), where it changed.
void UpdateRgb24(const gdi::Surface& picture, const std::vector<RECT>& changed, uint8_t* rgb);

}  // namespace orvel::render

#endif
