// The portable program's command line: bad inputs end it before any window, naming the file.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <string>

#include "run_command.h"

namespace {

using orvel::test::Outcome;

// Runs the program with `arguments` and no display (so a window could not even open), or
// with the display settings in `environment` ("DISPLAY=:999"), and `piped` (a file) through a
// pipe on its standard input.
Outcome RunOrvel(const std::string& arguments, const std::string& environment = "",
                 const std::string& piped = "") {
  const std::string command = (piped.empty() ? "" : "cat " + piped + " | ") +
                              "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                              environment + " " ORVEL_PROGRAM " " + arguments + " 2>&1";
  return orvel::test::RunCommand(command);
}

std::string TempPath(const char* name) {
  const char* dir = getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

TEST(CommandLine, MissingFileIsNamedAndEndsTheProgram) {
  const std::string path = TempPath("orvel-no-such-file.wav");
  remove(path.c_str());
  const Outcome o = RunOrvel("--input " + path);
  EXPECT_NE(o.exitCode, 0);
  EXPECT_NE(o.output.find(path), std::string::npos) << o.output;
  EXPECT_EQ(o.output.find("--headless"), std::string::npos) << o.output;  // before the host
}

TEST(CommandLine, UnreadableAndNonAudioFilesAreNamed) {
  const std::string text = TempPath("orvel-not-audio.wav");
  std::ofstream(text) << "This is not a sound file.\n";
  const std::string directory = TempPath("");  // a directory cannot be read as a file
  for (const std::string& path : {text, directory}) {
    const Outcome o = RunOrvel("--input " + path);
    EXPECT_NE(o.exitCode, 0) << path;
    EXPECT_NE(o.output.find(path), std::string::npos) << o.output;
  }
  remove(text.c_str());
}

TEST(CommandLine, UnknownOptionPrintsTheUsage) {
  const Outcome o = RunOrvel("--no-such-option");
  EXPECT_NE(o.exitCode, 0);
  EXPECT_NE(o.output.find("--no-such-option"), std::string::npos) << o.output;
  EXPECT_NE(o.output.find("--input"), std::string::npos) << o.output;
  EXPECT_NE(o.output.find("--headless"), std::string::npos) << o.output;
}

TEST(CommandLine, HelpPrintsTheOptionsAndSucceeds) {
  const Outcome o = RunOrvel("--help");
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_NE(o.output.find("--input"), std::string::npos) << o.output;
}

TEST(CommandLine, NoDisplayNamesTheHeadlessOption) {
  const Outcome o = RunOrvel("--input demo");
  EXPECT_NE(o.exitCode, 0);
  EXPECT_NE(o.output.find("--headless"), std::string::npos) << o.output;
}

TEST(CommandLine, AWavStreamOnStandardInputIsVisualisedToItsEnd) {
  // Half a second of a 22050 Hz mono 8-bit square wave, as a program that cannot seek writes it.
  const std::string wav = TempPath("orvel-stream.wav");
  std::ofstream out(wav, std::ios::binary);
  const char header[] =
      "RIFF\xff\xff\xff\xffWAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0"
      "\x22\x56\0\0\x01\0\x08\0data\xff\xff\xff\xff";
  out.write(header, sizeof header - 1);
  for (int k = 0; k < 11025; ++k) out.put(static_cast<char>(k % 50 < 25 ? 60 : 200));
  out.close();
  const Outcome o = RunOrvel("--headless --input - --seconds 1", "SDL_AUDIODRIVER=dummy", wav);
  EXPECT_EQ(o.exitCode, 0) << o.output;
  EXPECT_NE(o.output.find("('-' ended)"), std::string::npos) << o.output;
  remove(wav.c_str());
}

TEST(CommandLine, AnOptionIsNotTakenAsTheValueOfAnother) {
  for (const char* arguments : {"--input --headless", "--headless --screenshot --input"}) {
    const Outcome o = RunOrvel(arguments);
    EXPECT_EQ(o.exitCode, 2) << arguments;
    EXPECT_NE(o.output.find("needs a"), std::string::npos) << o.output;
    EXPECT_EQ(o.output.find("cannot read"), std::string::npos) << o.output;
  }
}

TEST(CommandLine, ControlCharactersInNamesAreShownEscaped) {
  // A name that would turn a terminal red and set its title, as a path and as an option (the
  // shell's printf makes the control characters).
  const std::string name = TempPath("orvel-\\033[31mred\\033]0;title\\a.wav");
  for (const std::string& arguments :
       {"--input \"$(printf '" + name + "')\"",
        std::string("--headless \"$(printf -- '--no-such-\\033[31m')\"")}) {
    const Outcome o = RunOrvel(arguments);
    EXPECT_NE(o.exitCode, 0) << arguments;
    EXPECT_EQ(o.output.find('\033'), std::string::npos) << o.output;
    EXPECT_EQ(o.output.find('\a'), std::string::npos) << o.output;
    EXPECT_NE(o.output.find("\\x1b[31m"), std::string::npos) << o.output;
  }
}

TEST(CommandLine, DisplaysThatShowNothingAreReportedAsNoDisplay) {
  const Outcome unreachable = RunOrvel("--input demo", "DISPLAY=:999");
  EXPECT_EQ(unreachable.exitCode, 1);
  EXPECT_NE(unreachable.output.find("cannot open display :999"), std::string::npos)
      << unreachable.output;
  // Chosen, SDL's dummy driver would give a window that nobody can see or answer.
  const Outcome dummy = RunOrvel("--input demo", "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy");
  EXPECT_EQ(dummy.exitCode, 1);
  EXPECT_NE(dummy.output.find("no display available"), std::string::npos) << dummy.output;
}

}  // namespace
