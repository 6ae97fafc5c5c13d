// How a run of the portable program ends: --headless answers the boxes of start-up by itself
// and runs to --seconds (leaving a --screenshot), and SIGINT, SIGTERM and SIGHUP close the
// window so that the program ends normally, with exit code 0.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "run_command.h"
#include "wait_scale.h"

namespace {

// The program running with no display and a silent sound system, its standard error in a pipe.
struct Program {
  pid_t pid = -1;
  int errors = -1;
  std::string text;  // what it wrote so far

  explicit Program(std::vector<std::string> arguments) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], 2);
      close(fds[0]);
      orvel::test::ExecWithoutDisplay(ORVEL_PROGRAM, std::move(arguments));
    }
    close(fds[1]);
    errors = fds[0];
  }

  // Reads standard error until `needle` appears or the program closes it.
  bool WaitFor(const std::string& needle) {
    char buffer[256];
    while (text.find(needle) == std::string::npos) {
      const ssize_t got = read(errors, buffer, sizeof buffer);
      if (got <= 0) return false;
      text.append(buffer, static_cast<size_t>(got));
    }
    return true;
  }

  // The exit code, or -signal when a signal ended the program.
  int Wait() {
    WaitFor("\x01");  // to the end of its output
    close(errors);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
};

// Whether the process has a handler for the signal (its SigCgt mask in /proc).
bool Catches(pid_t pid, int number) {
  FILE* f = fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
  if (f == nullptr) return false;
  char line[256];
  unsigned long long mask = 0;
  while (fgets(line, sizeof line, f) != nullptr) {
    if (sscanf(line, "SigCgt: %llx", &mask) == 1) break;
  }
  fclose(f);
  return (mask >> (number - 1)) & 1;
}

std::string TempPath(const char* name) {
  const char* dir = getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

// Width and height from a PNG's header, or 0 x 0.
std::pair<int, int> PngSize(const std::string& path) {
  unsigned char header[24] = {};
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return {0, 0};
  const size_t got = fread(header, 1, sizeof header, f);
  fclose(f);
  if (got != sizeof header || header[1] != 'P') return {0, 0};
  auto word = [&](int at) {
    return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3];
  };
  return {word(16), word(20)};
}

// A fifth of a second of a 22050 Hz mono 8-bit WAV stream on a pipe that the program reads as
// /dev/fd/N; the test keeps the writing end until the program has started.
struct ShortStream {
  int fds[2] = {-1, -1};
  ShortStream() {
    if (pipe(fds) == 0) fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  }
  std::string Name() const { return "/dev/fd/" + std::to_string(fds[0]); }
  void Write() {
    close(fds[0]);
    const char header[] =
        "RIFF\xff\xff\xff\xffWAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0"
        "\x22\x56\0\0\x01\0\x08\0data\xff\xff\xff\xff";
    std::string bytes(header, sizeof header - 1);
    for (int k = 0; k < 4410; ++k) bytes += static_cast<char>(k % 50 < 25 ? 60 : 200);
    EXPECT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fds[1]);
  }
};

TEST(Headless, AnswersTheAboutBoxRunsForTheGivenSecondsAndSavesTheWindow) {
  const std::string shot = TempPath("orvel-ending-shot.png");
  remove(shot.c_str());
  ShortStream stream;
  Program run({"--headless", "--input", stream.Name(), "--seconds", "1.5", "--screenshot", shot});
  stream.Write();
  EXPECT_EQ(run.Wait(), 0) << run.text;
  // The CD message and then the About box, each named on standard error; once the About box
  // is answered, the sound input opens and is read to its end.
  EXPECT_NE(run.text.find("Orvel: * Could not open CD Device *"), std::string::npos) << run.text;
  EXPECT_NE(run.text.find("Orvel!: "), std::string::npos) << run.text;
  EXPECT_NE(run.text.find("' ended)"), std::string::npos) << run.text;
  EXPECT_EQ(PngSize(shot), std::make_pair(561, 411));
  remove(shot.c_str());
}

TEST(Signals, CloseTheWindowAndTheProgramEndsNormally) {
  for (int number : {SIGINT, SIGTERM, SIGHUP}) {
    Program run({"--headless", "--input", "demo"});
    ASSERT_TRUE(run.WaitFor("Orvel!: ")) << run.text;  // the About box is answered
    kill(run.pid, number);
    EXPECT_EQ(run.Wait(), 0) << strsignal(number) << "\n" << run.text;
  }
}

TEST(Signals, BeforeAnyWindowEndTheProgramAtOnce) {
  // A FIFO that nobody writes: opening it waits, before any window exists.
  const std::string fifo = TempPath("orvel-ending-fifo");
  remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Program run({"--headless", "--input", fifo});
  for (long i = 0; i < orvel::test::ScaledMillis(5000) / 10 && !Catches(run.pid, SIGTERM); ++i) {
    usleep(10000);
  }
  kill(run.pid, SIGTERM);
  EXPECT_EQ(run.Wait(), 128 + SIGTERM) << run.text;
  remove(fifo.c_str());
}

}  // namespace
