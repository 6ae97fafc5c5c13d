// Message boxes in the terminal: drawn in text cells over the picture and answered there.
#ifndef ORVEL_HOST_TERMINAL_MESSAGE_BOX_H
#define ORVEL_HOST_TERMINAL_MESSAGE_BOX_H

#include <string>

namespace orvel::terminal {

enum class BoxAnswer {
  kOk,    // Enter, Esc, Space or a click in the box; or the program is being ended by a signal
  kQuit,  // q or Ctrl-C: the user ends the program
};

// Shows the box in the middle of the terminal and waits for the answer. The terminal must be
// owned (tty.h).
BoxAnswer ShowMessageBox(const std::string& caption, const std::string& text);

}  // namespace orvel::terminal

#endif
