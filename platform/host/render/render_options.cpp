#include <CLI/CLI.hpp>

#include "host/render/render.h"

namespace orvel::render {

void AddOptions(CLI::App& cli, Options* o) {
  cli.add_option("--render", o->output,
                 "Render to a file instead of showing a window: .mp4, .mkv, .webm, .gif, a PNG "
                 "sequence such as frames/%05d.png, or - for raw RGB24 frames on standard "
                 "output (561 x 411, or as --size or --scale make them)");
  cli.add_option("--codec", o->codec,
                 "Video codec of the render: h264, hevc, vp9, av1, gif or "
                 "an FFmpeg encoder name");
  cli.add_option("--crf", o->crf, "Constant quality of the render's video (lower is better)")
      ->check(CLI::Range(0, 63));
  cli.add_option("--fps-out", o->fpsOut,
                 "Frame rate of the render, such as 30, 25 or 30000/1001 (the window's own "
                 "rate, 1000/33, by default)");
  cli.add_option("--from", o->from, "Start the render at this time of the music (m:ss)");
  cli.add_option("--script", o->script,
                 "Timed actions for the render, one a line: '0:05 click bars', '0:20 command "
                 "11845', '0:30 key 0 7', '0:40 scroll +5' (at most 10000 actions and 1 MiB)");
  cli.add_option("--size", o->size,
                 "Frame size of the render: WIDTHxHEIGHT, 1080p, 1440p, 4k or vertical "
                 "(1080x1920); the window is enlarged as large as fits, crisply, centred on "
                 "black (with --scale N: exactly N times)");
  cli.add_option("--tracks", o->tracks,
                 "With --cd: render these tracks of the disc, such as 3, 3-5 or 3- (all by "
                 "default)");
  cli.add_flag("--each-track", o->eachTrack,
               "With --cd: write each track to a file of its own beside the --render name, "
               "named from the titles (album - 03 - Title.mkv)");
  cli.add_flag("--showcase", o->showcase,
               "Walk through every display during the render (a built-in script)");
}

}  // namespace orvel::render
