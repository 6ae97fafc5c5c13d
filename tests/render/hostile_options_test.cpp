// Render options and scripts made to hurt: rates and times that overflow, and bytes that would
// drive the user's terminal. Each is refused before the program runs, with a message that
// states the range and shows control bytes as \xHH.
#include <gtest/gtest.h>
#include <math.h>
#include <sndfile.h>
#include <string.h>

#include <vector>

#include "run_orvel.h"

namespace {

using orvel::test::RunOrvel;
using orvel::test::Scratch;

struct HostileOption {
  std::string arguments;  // after --input TONE; SCRIPT names the script file
  std::string script;     // what the script file holds
  const char* said;       // part of the message
};

std::string Lines(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

const char kRate[] = "from 0.1 to 240 frames a second";
const char kTime[] = "up to 1000000000 seconds";

const HostileOption kOptions[] = {
    {"--fps-out 1e9", "", kRate},
    {"--fps-out nan", "", kRate},
    {"--fps-out inf", "", kRate},
    {"--fps-out 1e10/1", "", kRate},
    {"--fps-out 1/2000000000", "", kRate},
    {"--fps-out 1/4294967297", "", kRate},
    {"--fps-out 241", "", kRate},
    {"--fps-out 0.01", "", kRate},
    {"--from 99999999999999", "", kTime},
    {"--from 1:99999999999999", "", kTime},
    {"--from \"$(printf '\\033]0;owned\\007')\"", "", "--from '\\x1b]0;owned\\x07'"},
    {"--script SCRIPT", "99999999999999 click bars\n", kTime},
    {"--script SCRIPT", "0:01 \033[2J click bars\n", "unknown action '\\x1b[2J'"},
    {"--script SCRIPT", "0:01 click \033]0;t\007\n", "no button called '\\x1b]0;t\\x07'"},
    {"--script SCRIPT", std::string(1 << 20, '#') + "\n", "is larger than 1048576 bytes"},
    {"--script SCRIPT", Lines("0:01 scroll +100\n", 10001),
     "script.txt:10001: more actions than a script may hold (10000)"},
    {"--script SCRIPT", "", "script.txt' is empty: it needs one timed action a line"},
    {"--render \"$(printf 'DIR/\\033[2J.avi')\"", "", "/\\x1b[2J.avi': unknown kind of output"},
    {"--render DIR/%0999999999d.png", "", "not a PNG file pattern: its number is wider than"},
    {"--render DIR/%0300d.png", "", "not a PNG file pattern: its names would be longer"},
};

TEST(HostileOptions, OverflowsAndTerminalEscapesAreRefusedInWords) {
  const std::string dir = Scratch("hostile-options");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 0.5, 22050, 1));
  for (const HostileOption& h : kOptions) {
    std::ofstream(dir + "/script.txt") << h.script;
    std::string arguments = h.arguments;
    for (const auto& [word, path] : {std::pair{"SCRIPT", dir + "/script.txt"}, {"DIR", dir}}) {
      const size_t at = arguments.find(word);
      if (at != std::string::npos) arguments.replace(at, strlen(word), path);
    }
    if (arguments.find("--render") == std::string::npos) arguments += " --render -";
    const auto o = RunOrvel("--input " + dir + "/tone.wav " + arguments, dir + "/frames");
    EXPECT_EQ(o.exitCode, 1) << arguments << "\n" << o.errors;
    EXPECT_NE(o.errors.find(h.said), std::string::npos) << h.said << " in:\n" << o.errors;
    EXPECT_EQ(o.errors.find('\033'), std::string::npos) << o.errors;
    EXPECT_EQ(orvel::test::ReadAll(dir + "/frames"), "");  // nothing rendered
  }
}

// A file with no sound in it, and trace words from the environment, are named as they are; a
// wide frame number still makes a file of its own for each frame.
TEST(HostileOptions, MessagesSayWhatIsWrong) {
  const std::string dir = Scratch("hostile-messages");
  ASSERT_TRUE(orvel::test::WriteTone(dir + "/empty.wav", 0, 22050, 1));
  auto o = RunOrvel("--input " + dir + "/empty.wav --render -", dir + "/frames");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.errors.find("empty.wav' holds no sound to render"), std::string::npos) << o.errors;

  ASSERT_TRUE(orvel::test::WriteTone(dir + "/tone.wav", 0.1, 22050, 1));
  o = RunOrvel("--input " + dir + "/tone.wav --render -", dir + "/frames", "",
               "export ORVEL_TRACE=\"$(printf 'gdi,\\033[2J')\"");
  EXPECT_EQ(o.exitCode, 0) << o.errors;
  EXPECT_NE(o.errors.find("unknown word \"\\x1b[2J\""), std::string::npos) << o.errors;
  EXPECT_EQ(o.errors.find('\033'), std::string::npos) << o.errors;

  o = RunOrvel("--input " + dir + "/tone.wav --render " + dir + "/f%060d.png", dir + "/frames");
  EXPECT_EQ(o.exitCode, 0) << o.errors;
  for (const char* last : {"1.png", "4.png"}) {  // 0.1 s: frames 1 to 4
    EXPECT_TRUE(orvel::test::Exists(dir + "/f" + std::string(59, '0') + last)) << last;
  }
}

// Samples far beyond full scale (3e38, infinities, NaN) in a float file: the render clips them
// to full scale, as the live window's sound does, instead of failing in the encoder.
TEST(HostileOptions, HugeSamplesRenderClipped) {
  const std::string dir = Scratch("huge-samples");
  SF_INFO info = {};
  info.samplerate = 22050;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open((dir + "/huge.wav").c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  std::vector<float> samples(11025);
  for (size_t i = 0; i < samples.size(); ++i) {
    const float kinds[] = {3e38f, -3e38f, INFINITY, NAN, 0.5f};
    samples[i] = kinds[i % 5];
  }
  sf_write_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
  sf_close(file);
  const auto o =
      RunOrvel("--input " + dir + "/huge.wav --render " + dir + "/huge.mp4", dir + "/out");
  EXPECT_EQ(o.exitCode, 0) << o.errors;
  EXPECT_TRUE(orvel::test::Exists(dir + "/huge.mp4"));
}

}  // namespace
