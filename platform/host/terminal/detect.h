// What the terminal can show, asked of it: primary device attributes (sixel is attribute 4),
// the kitty graphics query, the cell size in pixels (CSI 16 t, else the text area's size from
// CSI 14 t divided by the cells), and whether it reports the mouse in pixels (DECRQM 1016).
#ifndef ORVEL_HOST_TERMINAL_DETECT_H
#define ORVEL_HOST_TERMINAL_DETECT_H

#include <string>

namespace orvel::terminal {

struct Abilities {
  bool sixel = false;
  bool kitty = false;
  bool pixelMouse = false;            // mouse reports in pixels (mode 1016)
  int cellWidth = 0, cellHeight = 0;  // pixels; 0: not known
};

// The questions, in the order asked: the device attributes last, as every terminal answers
// them, so that their answer marks the end of the answers.
extern const char kQuestions[];

// What the answers in `bytes` say, for a terminal of cols x rows cells. Whether the device
// attributes have been answered (the last answer) in *complete.
Abilities ReadAnswers(const std::string& bytes, int cols, int rows, bool* complete);

// Asks the terminal (which must be owned, in raw mode) and waits up to `timeoutMillis` for
// the answers; a terminal that does not answer can show half blocks only. Bytes that came
// and are not answers (a key typed meanwhile) are lost.
Abilities AskTerminal(int timeoutMillis);

}  // namespace orvel::terminal

#endif
