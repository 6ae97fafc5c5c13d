// Runs a program in a pseudo-terminal of a given size, as a terminal emulator that draws
// nothing would: reads everything the program writes, as fast as it comes, and answers status
// report requests (ESC [ 5 n) as terminals do. For bench/terminal/run.
//
//   terminal-drain COLS ROWS SETTLE SECONDS CLICK -- PROGRAM ARGS...
//
// Cells are 10 x 20 pixels (the window size says so). After 1 and 2 s it presses Enter (Orvel's
// start-up boxes); with CLICK "bars" it then clicks the spectrum bars button where Orvel's
// terminal host shows it (blocks, or an image: pass "bars-image"). From SETTLE s on it counts,
// over SECONDS s, the bytes written and the CPU time of the program's threads (from
// /proc/PID/task/*/schedstat), and prints "BYTES_PER_SECOND CPU_SHARE".
#include <dirent.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "host/terminal/fit.h"

namespace {

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// Seconds of CPU that the process's live threads have used.
double CpuSeconds(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (dir == nullptr) return 0;
  double total = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    FILE* f = fopen((tasks + "/" + entry->d_name + "/schedstat").c_str(), "r");
    unsigned long long ns = 0;
    if (f != nullptr && fscanf(f, "%llu", &ns) == 1) total += ns * 1e-9;
    if (f != nullptr) fclose(f);
  }
  closedir(dir);
  return total;
}

// The SGR mouse report that presses (or releases) the bars button's centre (310, 353).
std::string BarsClick(int cols, int rows, bool image, char final) {
  const orvel::terminal::Fit fit = image ? orvel::terminal::Fit(561, 411, cols, rows - 1, 10, 20)
                                         : orvel::terminal::Fit(561, 411, cols, rows);
  const int col = fit.firstCol() + 310 * fit.shownWidth() / fit.width() / fit.cellWidth();
  const int row = fit.firstRow() + 353 * fit.shownHeight() / fit.height() / fit.cellHeight();
  return "\x1b[<0;" + std::to_string(col + 1) + ";" + std::to_string(row + 1) + final;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 8 || strcmp(argv[6], "--") != 0) {
    fprintf(stderr, "usage: terminal-drain COLS ROWS SETTLE SECONDS CLICK -- PROGRAM ARGS...\n");
    return 2;
  }
  const int cols = atoi(argv[1]), rows = atoi(argv[2]);
  const double settle = atof(argv[3]), seconds = atof(argv[4]);
  const std::string click = argv[5];
  winsize size = {};
  size.ws_col = static_cast<unsigned short>(cols);
  size.ws_row = static_cast<unsigned short>(rows);
  size.ws_xpixel = static_cast<unsigned short>(cols * 10);
  size.ws_ypixel = static_cast<unsigned short>(rows * 20);
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    execvp(argv[7], argv + 7);
    _exit(127);
  }
  struct Step {
    double at;
    std::string bytes;
  } steps[] = {{1.0, "\r"}, {2.0, "\r"}, {2.5, ""}, {2.6, ""}};
  if (click != "-") {
    steps[2].bytes = BarsClick(cols, rows, click == "bars-image", 'M');
    steps[3].bytes = BarsClick(cols, rows, click == "bars-image", 'm');
  }
  const double start = Now();
  double cpuStart = 0;
  size_t bytes = 0;
  const std::string query = "\x1b[5n";
  std::string tail;  // the end of the last read, where a request may have begun
  bool counting = false;
  for (double now = 0; now < settle + seconds; now = Now() - start) {
    for (Step& step : steps) {
      if (now >= step.at && !step.bytes.empty()) {
        (void)!write(master, step.bytes.data(), step.bytes.size());
        step.bytes.clear();
      }
    }
    if (!counting && now >= settle) {
      counting = true;
      cpuStart = CpuSeconds(pid);
      bytes = 0;
    }
    pollfd fd{master, POLLIN, 0};
    if (poll(&fd, 1, 50) <= 0) continue;
    char buffer[65536];
    const ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) break;
    bytes += static_cast<size_t>(got);
    tail.append(buffer, static_cast<size_t>(got));
    for (size_t at = tail.find(query); at != std::string::npos; at = tail.find(query, at + 1)) {
      (void)!write(master, "\x1b[0n", 4);
    }
    tail.erase(0, tail.size() > query.size() ? tail.size() - (query.size() - 1) : 0);
  }
  const double cpu = CpuSeconds(pid) - cpuStart;
  kill(pid, SIGTERM);
  pollfd rest{master, POLLIN, 0};
  while (poll(&rest, 1, 2000) > 0) {
    char buffer[65536];
    if (read(master, buffer, sizeof buffer) <= 0) break;
  }
  waitpid(pid, nullptr, 0);
  printf("%.0f %.5f\n", bytes / seconds, cpu / seconds);
  return 0;
}
