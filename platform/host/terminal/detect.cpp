#include "host/terminal/detect.h"

#include <poll.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include "host/terminal/tty.h"

namespace orvel::terminal {
namespace {

// The numbers of the first control sequence in `bytes` that starts with `start` and ends with
// `final`, e.g. "\x1b[6;" ... "t"; false when there is none.
bool Numbers(const std::string& bytes, const std::string& start, char final, int* a, int* b) {
  const size_t at = bytes.find(start);
  if (at == std::string::npos) return false;
  const size_t end = bytes.find(final, at + start.size());
  if (end == std::string::npos) return false;
  const std::string body = bytes.substr(at + start.size(), end - at - start.size());
  char tail = 0;
  return sscanf(body.c_str(), "%d;%d%c", a, b, &tail) == 2 && *a > 0 && *b > 0;
}

int64_t NowMillis() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

const char kQuestions[] =
    "\x1b_Gi=31,s=1,v=1,a=q,t=d,f=24;AAAA\x1b\\"  // kitty graphics: a 1 x 1 image, not kept
    "\x1b[16t"                                    // the cell size in pixels
    "\x1b[14t"                                    // the text area in pixels
    "\x1b[?1016$p"                                // mouse reports in pixels: known?
    "\x1b[c";                                     // primary device attributes

Abilities ReadAnswers(const std::string& bytes, int cols, int rows, bool* complete) {
  Abilities abilities;
  abilities.kitty = bytes.find("\x1b_Gi=31;OK") != std::string::npos;
  // Mode 1016 set (1) or reset (2): the terminal knows it.
  abilities.pixelMouse = bytes.find("\x1b[?1016;1$y") != std::string::npos ||
                         bytes.find("\x1b[?1016;2$y") != std::string::npos;
  const size_t da = bytes.find("\x1b[?");
  const size_t daEnd = da == std::string::npos ? da : bytes.find('c', da);
  *complete = daEnd != std::string::npos;
  if (*complete) {
    const std::string attributes = ";" + bytes.substr(da + 3, daEnd - da - 3) + ";";
    abilities.sixel = attributes.find(";4;") != std::string::npos;
  }
  int height = 0, width = 0;
  if (Numbers(bytes, "\x1b[6;", 't', &height, &width)) {
    abilities.cellWidth = width;
    abilities.cellHeight = height;
  } else if (Numbers(bytes, "\x1b[4;", 't', &height, &width) && cols > 0 && rows > 0) {
    abilities.cellWidth = width / cols;
    abilities.cellHeight = height / rows;
  }
  return abilities;
}

Abilities AskTerminal(int timeoutMillis) {
  int cols, rows;
  TerminalSize(&cols, &rows);
  WriteTerminal(kQuestions, sizeof kQuestions - 1);
  std::string answers;
  bool complete = false;
  Abilities abilities;
  const int64_t end = NowMillis() + timeoutMillis;
  while (!complete) {
    const int64_t left = end - NowMillis();
    pollfd fd{TerminalFd(), POLLIN, 0};
    if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) break;
    char bytes[512];
    const ssize_t got = read(fd.fd, bytes, sizeof bytes);
    if (got <= 0) break;
    answers.append(bytes, static_cast<size_t>(got));
    abilities = ReadAnswers(answers, cols, rows, &complete);
  }
  return abilities;
}

}  // namespace orvel::terminal
