// Running the portable program as a user would, for the render tests: its exit code, what it
// said on standard error, and files in a scratch folder of the test's own.
#ifndef ORVEL_TESTS_RENDER_RUN_ORVEL_H
#define ORVEL_TESTS_RENDER_RUN_ORVEL_H

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orvel::test {

struct Outcome {
  int exitCode = -1;
  std::string errors;  // standard error
};

// A fresh folder for one test: $TMPDIR/orvel-render-<name>-<pid>.
inline std::string Scratch(const std::string& name) {
  const char* tmp = getenv("TMPDIR");
  const std::string dir =
      std::string(tmp ? tmp : "/tmp") + "/orvel-render-" + name + "-" + std::to_string(getpid());
  const std::string command = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
  if (system(command.c_str()) != 0) return "";
  return dir;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `orvel <arguments>` without a display; standard output goes to `stdoutPath`, standard
// error to `errors` (default: stdoutPath + ".stderr") and is returned. `shell` runs first in
// the same shell (limits, traps).
inline Outcome RunOrvel(const std::string& arguments, const std::string& stdoutPath,
                        std::string errors = "", const std::string& shell = "true") {
  if (errors.empty()) errors = stdoutPath + ".stderr";
  const std::string command = shell + "; env -u DISPLAY -u WAYLAND_DISPLAY " ORVEL_PROGRAM " " +
                              arguments + " >'" + stdoutPath + "' 2>'" + errors + "'";
  const int status = system(command.c_str());
  Outcome o;
  o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.errors = ReadAll(errors);
  return o;
}

inline bool Exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

// A mono 16-bit WAV of `seconds` of a tone that swells and fades, written without the program.
// A .flac path writes FLAC; `tags` are the title, artist and album, as many as given.
bool WriteTone(const std::string& path, double seconds, int rate, int channels,
               const std::vector<std::string>& tags = {});

}  // namespace orvel::test

#endif
