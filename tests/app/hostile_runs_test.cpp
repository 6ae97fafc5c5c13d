// Runs set up to hang: standard input closed, FIFOs for a render's music and its output. Each
// ends with a message, or says what it waits for, instead of hanging silently.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "run_command.h"
#include "wait_scale.h"

namespace {

struct HostileRun {
  const char* name;
  std::string shell;  // sets up the folder $d; ORVEL runs the program
  int exitCode;
  const char* said;
};

const HostileRun kRuns[] = {
    {"--input - with standard input closed", "ORVEL --input - --headless --seconds 1 <&-", 1,
     "--input - reads a WAV stream from standard input, which is closed"},
    // MPEG data that libsndfile's MPEG reader reads past its buffer on a pipe (found by fuzzing).
    {"MPEG data on standard input",
     "cat " ORVEL_SOURCE_DIR
     "/fuzz/corpus/wav_stream/mpeg_overread_on_a_pipe | ORVEL --input - --headless --seconds 1",
     1, "'-' is a stream that is not WAV"},
    {"a render from a FIFO no one writes",
     "mkfifo $d/in.wav; ORVEL --input $d/in.wav --render $d/o.gif", 1,
     "a render reads its music from a file; '$d/in.wav' is a FIFO"},
    {"a render into a FIFO",
     "mkfifo $d/out.gif; cat $d/out.gif >/dev/null & ORVEL --input demo --seconds 0.2 --render "
     "$d/out.gif; wait",
     0, "waiting for a program to read '$d/out.gif'"},
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST(HostileRuns, WhatWouldHangEndsInWords) {
  const char* tmp = getenv("TMPDIR");
  const std::string dir =
      std::string(tmp ? tmp : "/tmp") + "/orvel-hostile-runs-" + std::to_string(getpid());
  // The deadline turns a hang into a failure; a sound run takes a second or two.
  const std::string program = "timeout " + std::to_string(orvel::test::ScaledMillis(60000) / 1000) +
                              " env -u DISPLAY -u WAYLAND_DISPLAY " ORVEL_PROGRAM;
  for (const HostileRun& r : kRuns) {
    const std::string shell = "rm -rf " + dir + " && mkdir -p " + dir + " && (" +
                              Replace(Replace(r.shell, "ORVEL", program), "$d", dir) + ") 2>&1";
    const orvel::test::Outcome o = orvel::test::RunCommand(shell);
    EXPECT_EQ(o.exitCode, r.exitCode) << r.name << "\n" << o.output;
    EXPECT_NE(o.output.find(Replace(r.said, "$d", dir)), std::string::npos) << r.name << "\n"
                                                                            << o.output;
  }
  EXPECT_EQ(system(("rm -rf " + dir).c_str()), 0);
}

}  // namespace
