// The terminal host: the window drawn in the terminal that Orvel runs in (over SSH too), with
// clicks and keys from it. Call before the first window is created, after CloseOnSignals
// (host/ending.h), whose handling of SIGINT, SIGTERM and SIGHUP it keeps.
#ifndef ORVEL_HOST_TERMINAL_TERMINAL_H
#define ORVEL_HOST_TERMINAL_TERMINAL_H

#include <string>

namespace orvel::host {

// How the picture reaches the terminal.
enum class TerminalMode {
  kBlocks,  // truecolour half-block cells: every terminal with 24-bit colour
};

// Makes the terminal host the layer's host and takes the terminal over (restored however the
// program ends). False with *error when there is no terminal to draw in.
bool UseTerminal(TerminalMode mode, std::string* error);

}  // namespace orvel::host

#endif
