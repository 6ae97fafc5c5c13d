// Message boxes in the terminal: drawn in text cells over the picture and answered there.
#ifndef ORVEL_HOST_TERMINAL_MESSAGE_BOX_H
#define ORVEL_HOST_TERMINAL_MESSAGE_BOX_H

#include <string>
#include <vector>

namespace orvel::terminal {

enum class BoxAnswer {
  kOk,    // Enter, Esc, Space or a click in the box; or the program is being ended by a signal
  kQuit,  // q or Ctrl-C: the user ends the program
};

// The box's lines for a terminal `cols` cells wide: the text wrapped at spaces (or cut where a
// word is too long) to at most cols - 4 cells, every byte that is not printable ASCII shown
// as '?'. At least one line.
std::vector<std::string> BoxLines(const std::string& text, int cols);

// Shows the box in the middle of the terminal and waits for the answer. The terminal must be
// owned (tty.h).
BoxAnswer ShowMessageBox(const std::string& caption, const std::string& text);

}  // namespace orvel::terminal

#endif
