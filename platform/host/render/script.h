// Render scripts: timed actions that a user would make in the window, one a line:
//
//   0:05 click bars        a button by name (ButtonNames() lists them)
//   0:20 command 11845     a display command of the menu template (11842..11855)
//   0:30 key 0 7           keypad digits, pressed in order
//   0:40 scroll +5         presses of the speed bar's right (+) or left (-) arrow
//
// A time is [[h:]m:]s with an optional fraction of a second; '#' starts a comment and blank
// lines are skipped. Actions happen at their time of the music, in the order given when two
// share a time.
#ifndef ORVEL_HOST_RENDER_SCRIPT_H
#define ORVEL_HOST_RENDER_SCRIPT_H

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "host/render/quantities.h"

namespace orvel::render {

struct Action {
  int64_t micros = 0;  // music time
  int line = 0;        // in the script, for messages
  enum class Kind { kClick, kCommand, kKeys, kScroll } kind = Kind::kClick;
  std::string button;       // kClick
  int command = 0;          // kCommand
  std::vector<int> digits;  // kKeys, 0..9
  int steps = 0;            // kScroll: + right, - left
};

// A script holds at most this many bytes and actions; applying an action costs at most the
// 49 speed-bar presses that take the speed from end to end.
constexpr size_t kMaxScriptBytes = 1 << 20;
constexpr size_t kMaxScriptActions = 10000;

// Parses a whole script. On the first bad line returns false with *error as
// "<name>:<line>: <what is wrong>". Actions come out sorted by time (stable).
bool ParseScript(const std::string& text, const std::string& name, std::vector<Action>* actions,
                 std::string* error);

// Reads and parses a script file; a file that cannot be read is an error naming it.
bool LoadScript(const std::string& path, std::vector<Action>* actions, std::string* error);

// The built-in showcase: every display, each sphere variant and pattern kind, the two charts
// and the big clock, about two and a half seconds each (a little under a minute in all).
std::vector<Action> Showcase();

// The names that `click` takes, in the window's order.
std::vector<std::string> ButtonNames();

// Carries out one action on the main window as mouse input (commands are posted as the menu
// would send them). Safe from a clock callback; the window thread handles it next.
void Perform(const Action& action, HWND mainWindow);

}  // namespace orvel::render

#endif
