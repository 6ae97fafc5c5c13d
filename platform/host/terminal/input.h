// What a user types and clicks in the terminal, from the bytes the terminal sends in raw mode
// with SGR mouse reports (modes 1002 and 1006) turned on.
#ifndef ORVEL_HOST_TERMINAL_INPUT_H
#define ORVEL_HOST_TERMINAL_INPUT_H

#include <stddef.h>

#include <string>
#include <vector>

namespace orvel::terminal {

struct TermEvent {
  enum class Kind {
    kMouseDown,  // the left button, at (col, row)
    kMouseUp,
    kMouseMove,  // with the left button held
    kKey,        // a key press: `key` is a Win32 virtual key (VK_RETURN, '0'..'9', 'A'..'Z', ...)
    kQuit,       // q or Ctrl-C: end the program as the close box would
    kStatusOk,   // the answer to a status report (ESC [ 5 n): all written before it was taken
  };
  Kind kind;
  int col = 0, row = 0;  // 0-based cells for the mouse, or pixels where they are reported so
  int key = 0;
  bool operator==(const TermEvent& o) const {
    return kind == o.kind && col == o.col && row == o.row && key == o.key;
  }
};

// Turns the terminal's bytes into events. A sequence split across reads is completed by the
// next Feed; anything it does not know (other buttons, the wheel, function keys, answers to
// queries) is dropped whole.
class InputParser {
 public:
  // Appends the events that `bytes` complete to *events.
  void Feed(const char* bytes, size_t size, std::vector<TermEvent>* events);
  // A lone Escape held back as the possible start of a sequence becomes the Esc key: call
  // when no more bytes came soon after it.
  void Flush(std::vector<TermEvent>* events);

 private:
  // Parses one item at the start of pending_; the bytes it used, 0 when it is incomplete.
  size_t ParseOne(std::vector<TermEvent>* events) const;
  std::string pending_;
};

}  // namespace orvel::terminal

#endif
