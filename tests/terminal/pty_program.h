// Orvel run in a pseudo-terminal of a given size, its output read into a terminal emulator
// (vterm_screen.h): what a user in a terminal sees, and the modes the terminal is left in.
#ifndef ORVEL_TESTS_TERMINAL_PTY_PROGRAM_H
#define ORVEL_TESTS_TERMINAL_PTY_PROGRAM_H

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "run_command.h"
#include "vterm_screen.h"
#include "wait_scale.h"

namespace orvel::test {

class PtyProgram {
 public:
  // Starts the program with `arguments`, no display and a silent sound system.
  PtyProgram(int cols, int rows, std::vector<std::string> arguments) : screen(cols, rows) {
    winsize size = {};
    size.ws_col = static_cast<unsigned short>(cols);
    size.ws_row = static_cast<unsigned short>(rows);
    pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
      ExecWithoutDisplay(ORVEL_PROGRAM, std::move(arguments));
    }
    tcgetattr(master, &initial);
    screen.AnswerTo(master);
  }
  ~PtyProgram() {
    if (pid > 0 && !exited) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (master >= 0) close(master);
  }

  // Reads the program's output until `done` holds or 30 s pass (scaled, wait_scale.h);
  // whether it held. The output ends when the program has exited and closed the terminal.
  bool ReadUntil(const std::function<bool()>& done) {
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (!done()) {
      timespec now;
      clock_gettime(CLOCK_MONOTONIC, &now);
      const long waited =
          (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
      if (waited > ScaledMillis(30000)) return false;
      pollfd fd{master, POLLIN, 0};
      if (poll(&fd, 1, 100) <= 0) continue;
      char buffer[65536];
      const ssize_t got = read(master, buffer, sizeof buffer);
      if (got <= 0) return done();  // the program has gone
      received += static_cast<size_t>(got);
      screen.Feed(std::string(buffer, static_cast<size_t>(got)));
    }
    return true;
  }

  // Reads until some row shows `text`.
  bool ReadUntilText(const std::string& text) {
    return ReadUntil([&] { return RowWith(text) >= 0; });
  }
  int RowWith(const std::string& text) const {
    for (int row = 0; row < screen.rows(); ++row) {
      if (screen.Text(row).find(text) != std::string::npos) return row;
    }
    return -1;
  }

  // Resizes the terminal; the kernel tells the program with SIGWINCH.
  void Resize(int cols, int rows) {
    screen.Resize(cols, rows);
    winsize size = {};
    size.ws_col = static_cast<unsigned short>(cols);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(master, TIOCSWINSZ, &size);
  }

  // The screen's text, row by row: what a failed check shows.
  std::string Dump() const {
    std::string text;
    for (int row = 0; row < screen.rows(); ++row) text += screen.Text(row) + "\n";
    return text;
  }

  void Type(const std::string& bytes) { (void)!write(master, bytes.data(), bytes.size()); }

  // Reads the rest of the output and waits for the program: the exit code, or -signal.
  int Finish() {
    ReadUntil([] { return false; });
    int status = 0;
    waitpid(pid, &status, 0);
    exited = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  // Whether the terminal's line discipline is as it was before the program started.
  bool ModesRestored() const {
    termios now;
    if (tcgetattr(master, &now) != 0) return false;
    return now.c_iflag == initial.c_iflag && now.c_oflag == initial.c_oflag &&
           now.c_lflag == initial.c_lflag && now.c_cflag == initial.c_cflag;
  }

  VtermScreen screen;
  pid_t pid = -1;
  int master = -1;
  termios initial = {};
  size_t received = 0;
  bool exited = false;
};

}  // namespace orvel::test

#endif
