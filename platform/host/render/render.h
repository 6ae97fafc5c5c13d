// Offline rendering: Orvel runs on the headless host under the virtual clock from the first
// sample of the music to the last, and every frame of the window goes to a file (a video, a
// GIF, a PNG sequence) or to standard output as raw RGB24, with the music muxed in.
//
// Frame k of the window covers music time [k * 33 ms, (k + 1) * 33 ms): it is the window's
// picture when that period ends (virtual time (k + 1) * 33 ms, before anything due then
// runs), which is the frame the program drew from the sound at the start of the period. Its
// timestamp in the output is k * 33 ms, so each picture is shown with the sound it shows.
#ifndef ORVEL_HOST_RENDER_RENDER_H
#define ORVEL_HOST_RENDER_RENDER_H

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace orvel::render {

struct Options {
  std::string output;  // empty: no render
  std::string codec;
  int crf = -1;
  std::string fpsOut;   // empty: the window's own rate, 1000/33
  std::string from;     // a time, as in scripts
  double seconds = -1;  // negative: to the end
  std::string script;
  bool showcase = false;
  std::string size;        // empty: the window's own size (or --scale's)
  int scale = 0;           // 0: as large as --size allows, or the window's own size
  std::string tracks;      // a disc's render: which tracks ("" all, "3", "3-5", "3-")
  bool eachTrack = false;  // a disc's render: a file per track
};

// The render options (--render, --crf, --codec, --fps-out, --from, --script, --showcase,
// --size, --tracks, --each-track) for the portable program's command line; the program's own
// --seconds and --scale give `seconds` and `scale`.
void AddOptions(CLI::App& cli, Options* options);

// Renders `input` ("demo", an audio file's path that the wave input has already accepted, or
// "cd": the disc chosen with --cd, played from its first track);
// `program` runs the program (WinMain) to its end. A signal that closes the window early
// (host/ending.h: Ctrl-C) stops the render cleanly. Returns the process's exit code: 0 done,
// 1 failed (with a message on standard error), 130 stopped early (the output is complete and
// plays up to there).
int Run(const Options& options, const std::string& input, const std::function<int()>& program);

}  // namespace orvel::render

#endif
