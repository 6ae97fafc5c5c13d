// --cd on the command line: a disc that cannot be read ends the program before any window,
// with a message that names the file (and, for a sheet, the line).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "disc_images.h"
#include "run_command.h"

namespace {

using orvel::test::Outcome;

// Runs the program without a display, so that getting as far as a window would also fail.
Outcome RunOrvel(const std::string& arguments) {
  return orvel::test::RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY " ORVEL_PROGRAM " " +
                                 arguments + " 2>&1");
}

TEST(CdCommandLine, UnreadableDiscsAreNamedBeforeAnyWindow) {
  orvel::test::Folder folder;
  const std::string dir = folder.path();
  std::ofstream(dir + "/broken.cue") << "FILE \"album.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                        "    INDEX 01 00:xx:00\n";
  std::ofstream(dir + "/lost.cue") << "FILE \"gone.flac\" WAVE\n  TRACK 01 AUDIO\n"
                                      "    INDEX 01 00:00:00\n";
  orvel::test::Options truncated;
  truncated.truncateBytes = 5000;
  const orvel::test::Image cut =
      orvel::test::WriteImage(dir, orvel::test::Form::kCueBin, truncated);
  struct Case {
    std::string spec;
    std::string named;  // must appear in the message
  };
  const Case cases[] = {
      {dir + "/missing.cue", "missing.cue"},
      {dir + "/broken.cue", "broken.cue:3"},
      {dir + "/lost.cue", "gone.flac"},
      {cut.path, ".bin"},
  };
  for (const Case& c : cases) {
    const Outcome o = RunOrvel("--cd '" + c.spec + "'");
    EXPECT_EQ(o.exitCode, 1) << c.spec << "\n" << o.output;
    EXPECT_NE(o.output.find(c.named), std::string::npos) << o.output;
    EXPECT_EQ(o.output.find("display"), std::string::npos) << o.output;  // before the host
  }
}

// A render reads its music from a file; the CD plays in real time, so it is refused in words.
TEST(CdCommandLine, ADiscsRenderRefusesWhatItCannotDoInWords) {
  orvel::test::Folder folder;
  const orvel::test::Image image =
      orvel::test::WriteImage(folder.path(), orvel::test::Form::kCueBin);
  const std::string out = " --render '" + folder.path() + "/cd.mp4'";
  const std::string cd = "--cd '" + image.path + "'";
  const struct {
    std::string arguments, says;
  } rows[] = {
      {cd + " --tracks 50" + out, "--tracks 50 holds no audio track of"},
      {cd + " --tracks 3-1" + out, "--tracks '3-1' is not a track or a range"},
      {cd + " --from 0:10" + out, "for a disc choose --tracks"},
      {"--input demo --each-track" + out, "--tracks and --each-track choose tracks of a disc"},
      {cd + " --each-track --render -", "standard output is one stream"},
  };
  for (const auto& r : rows) {
    const Outcome o = RunOrvel(r.arguments);
    EXPECT_EQ(o.exitCode, 1) << r.arguments << "\n" << o.output;
    EXPECT_NE(o.output.find(r.says), std::string::npos) << r.arguments << "\n" << o.output;
  }
}

}  // namespace
