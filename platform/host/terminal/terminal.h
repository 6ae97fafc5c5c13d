// The terminal host: the window drawn in the terminal that Orvel runs in (over SSH too), with
// clicks and keys from it. Call before the first window is created, after CloseOnSignals
// (host/ending.h), whose handling of SIGINT, SIGTERM and SIGHUP it keeps.
#ifndef ORVEL_HOST_TERMINAL_TERMINAL_H
#define ORVEL_HOST_TERMINAL_TERMINAL_H

#include <string>

namespace orvel::host {

// How the picture reaches the terminal.
enum class TerminalMode {
  kAuto,    // kitty graphics or sixel where the terminal says it has them, else half blocks
  kBlocks,  // truecolour half-block cells: every terminal with 24-bit colour
  kSixel,   // sixel graphics
  kKitty,   // the kitty graphics protocol
};

// The mode that a --terminal value names ("", "auto", "blocks", "sixel", "kitty"); false for
// any other.
bool ParseTerminalMode(const std::string& name, TerminalMode* mode);

// Makes the terminal host the layer's host and takes the terminal over (restored however the
// program ends), asking the terminal what it can show (up to half a second) unless the mode is
// half blocks. False with *error when there is no terminal to draw in.
bool UseTerminal(TerminalMode mode, std::string* error);

}  // namespace orvel::host

#endif
