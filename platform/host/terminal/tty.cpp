// The signal handlers only use async-signal-safe calls (write, tcsetattr, raise, sigaction):
// releasing the terminal is writing a fixed string and setting the saved modes back.
#include "host/terminal/tty.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace orvel::terminal {
namespace {

// The alternate screen, the cursor hidden, reports of the left button's presses, releases and
// drags in SGR form; the screen cleared.
constexpr char kEnter[] = "\x1b[?1049h\x1b[?25l\x1b[?1002h\x1b[?1006h\x1b[0m\x1b[2J";
// Everything back, the main screen last: kitty images deleted (other terminals ignore the
// command), mouse reports off, colours, the cursor. It starts with ESC, which also ends any
// sequence that a write cut short left open.
constexpr char kLeave[] =
    "\x1b_Ga=d,d=A,q=2\x1b\\\x1b[?1006l\x1b[?1002l\x1b[?1000l\x1b[0m\x1b[?25h\x1b[?1049l";
// The most written at once, so that a release between two pieces stops a frame soon.
constexpr size_t kPiece = 4096;

int g_fd = -1;
termios g_saved;
std::atomic<bool> g_owned{false};
std::atomic<bool> g_windowShown{false};
std::atomic<int> g_endings{0};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[NSIG];

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT};

void Notify(char what) {
  if (g_pipe[1] >= 0) (void)!write(g_pipe[1], &what, 1);
}

// Runs the handler that was installed before this one (the program's own ending), or the
// default action.
void Chain(int number, siginfo_t* info, void* context) {
  const struct sigaction& previous = g_previous[number];
  if (previous.sa_flags & SA_SIGINFO) {
    previous.sa_sigaction(number, info, context);
  } else if (previous.sa_handler == SIG_DFL) {
    ReleaseTerminal();
    signal(number, SIG_DFL);
    raise(number);
  } else if (previous.sa_handler != SIG_IGN) {
    previous.sa_handler(number);
  }
}

// SIGINT, SIGTERM, SIGHUP. The first, with a window shown, closes it and the program exits
// normally, releasing the terminal then; otherwise the process is about to end at once.
void OnEnding(int number, siginfo_t* info, void* context) {
  const int saved = errno;
  if (g_endings.fetch_add(1) > 0 || !g_windowShown) ReleaseTerminal();
  Notify('e');
  Chain(number, info, context);
  errno = saved;
}

void OnResize(int) {
  const int saved = errno;
  Notify('w');
  errno = saved;
}

// Installed with SA_RESETHAND: the raise ends the process with the signal's default action.
void OnCrash(int number) {
  ReleaseTerminal();
  raise(number);
}

void InstallHandlers() {
  struct sigaction action = {};
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_SIGINFO;
  action.sa_sigaction = OnEnding;
  for (int number : kEndingSignals) sigaction(number, &action, &g_previous[number]);
  action.sa_flags = SA_RESTART;
  action.sa_handler = OnResize;
  sigaction(SIGWINCH, &action, nullptr);
  action.sa_flags = SA_RESETHAND | SA_NODEFER;
  action.sa_handler = OnCrash;
  for (int number : kCrashSignals) sigaction(number, &action, nullptr);
}

}  // namespace

bool TakeTerminal(std::string* error) {
  if (g_fd < 0) {
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      *error = std::string("no terminal: cannot open /dev/tty: ") + strerror(errno);
      return false;
    }
    if (tcgetattr(fd, &g_saved) != 0) {
      *error = std::string("no terminal: /dev/tty: ") + strerror(errno);
      close(fd);
      return false;
    }
    if (pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
      *error = std::string("cannot make a pipe: ") + strerror(errno);
      close(fd);
      return false;
    }
    g_fd = fd;
    InstallHandlers();
    atexit(ReleaseTerminal);
  }
  termios raw = g_saved;
  cfmakeraw(&raw);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(g_fd, TCSANOW, &raw) != 0) {
    *error = std::string("cannot put the terminal in raw mode: ") + strerror(errno);
    return false;
  }
  g_owned = true;
  return WriteTerminal(kEnter, sizeof kEnter - 1);
}

void ReleaseTerminal() {
  if (!g_owned.exchange(false)) return;
  const char* p = kLeave;
  size_t left = sizeof kLeave - 1;
  while (left > 0) {
    const ssize_t n = write(g_fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    p += n;
    left -= static_cast<size_t>(n);
  }
  tcsetattr(g_fd, TCSANOW, &g_saved);
}

bool OwnsTerminal() {
  return g_owned;
}

int TerminalFd() {
  return g_fd;
}

void TerminalSize(int* cols, int* rows) {
  winsize size = {};
  const bool known = ioctl(g_fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0;
  *cols = known ? size.ws_col : 80;
  *rows = known ? size.ws_row : 24;
}

void CellPixels(int* width, int* height) {
  winsize size = {};
  if (ioctl(g_fd, TIOCGWINSZ, &size) != 0 || size.ws_xpixel == 0 || size.ws_ypixel == 0 ||
      size.ws_col == 0 || size.ws_row == 0) {
    return;
  }
  *width = size.ws_xpixel / size.ws_col;
  *height = size.ws_ypixel / size.ws_row;
}

int UnsentBytes() {
  int queued = 0;
  return ioctl(g_fd, TIOCOUTQ, &queued) == 0 ? queued : 0;
}

bool WriteTerminal(const char* bytes, size_t size) {
  while (size > 0) {
    if (!g_owned) return false;
    const ssize_t n = write(g_fd, bytes, std::min(size, kPiece));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

int SignalFd() {
  return g_pipe[0];
}

Signals ReadSignals() {
  Signals signals;
  char buffer[64];
  ssize_t got;
  while ((got = read(g_pipe[0], buffer, sizeof buffer)) > 0) {
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] == 'w') signals.resized = true;
      if (buffer[i] == 'e') signals.ending = true;
    }
  }
  return signals;
}

void WindowShown() {
  g_windowShown = true;
}

}  // namespace orvel::terminal
