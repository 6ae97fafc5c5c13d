// The terminal as a device: raw mode, the alternate screen and mouse reporting on the way in,
// and everything put back on every way out: a normal exit, SIGINT, SIGTERM and SIGHUP (which
// close the window first), a second such signal or one before any window exists (which end
// the process at once), and a crash signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT,
// SIGQUIT). There is one terminal a process.
#ifndef ORVEL_HOST_TERMINAL_TTY_H
#define ORVEL_HOST_TERMINAL_TTY_H

#include <stddef.h>

#include <string>

namespace orvel::terminal {

// Opens the controlling terminal (standard input and output may be a file or a pipe, as with
// --input -), saves its modes and takes it over: raw mode, the alternate screen, the cursor
// hidden, SGR mouse reports. False with *error naming the problem when there is no terminal.
bool TakeTerminal(std::string* error);

// Puts the terminal back as it was and stops all output to it. Safe to call again, and from a
// signal handler.
void ReleaseTerminal();

// Whether the program still owns the terminal (it has not been released).
bool OwnsTerminal();

// The terminal's descriptor (read and write), or -1.
int TerminalFd();

// The terminal's size in cells (80 x 24 when it does not say).
void TerminalSize(int* cols, int* rows);

// The size of a cell in screen pixels as the kernel's window size has it; left as they are
// when it does not say.
void CellPixels(int* width, int* height);

// Bytes written to the terminal that it has not taken yet (0 when unknown: a pseudo-terminal,
// which is what terminal emulators and sshd give, always says 0).
int UnsentBytes();

// Writes all of `bytes` unless the terminal is released or gone; false then.
bool WriteTerminal(const char* bytes, size_t size);

// A descriptor that becomes readable when the terminal is resized (SIGWINCH) or when a signal
// that ends the program arrives; ReadSignals() empties it and says which.
int SignalFd();
struct Signals {
  bool resized = false;
  bool ending = false;  // SIGINT, SIGTERM or SIGHUP
};
Signals ReadSignals();

// Tells the signal handlers that a window is shown: from then on the first SIGINT, SIGTERM or
// SIGHUP closes it and the exit restores the terminal; before, the process ends at once.
void WindowShown();

}  // namespace orvel::terminal

#endif
