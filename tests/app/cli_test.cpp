// The portable program's command line: bad inputs end it before any window, naming the file.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <string>

namespace {

struct Outcome {
  int exitCode = -1;
  std::string output;  // standard output and error together
};

// Runs the program with `arguments` and no display (so a window could not even open).
Outcome RunOrvel(const std::string& arguments) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " ORVEL_PROGRAM
                              " " +
                              arguments + " 2>&1";
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) outcome.output += buffer;
  const int status = pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
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

}  // namespace
