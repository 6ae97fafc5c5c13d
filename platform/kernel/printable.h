// Text from outside (a path, a device name) as it may be shown in a message on a terminal.
#ifndef ORVEL_KERNEL_PRINTABLE_H
#define ORVEL_KERNEL_PRINTABLE_H

#include <string>

namespace orvel {

// `text` with every control byte (below 0x20, and 0x7f) written as \xHH, and a backslash as
// \\, so that a name cannot move the cursor, change colours or retitle the terminal. Other
// bytes, UTF-8 included, are kept.
std::string Printable(const std::string& text);

}  // namespace orvel

#endif
