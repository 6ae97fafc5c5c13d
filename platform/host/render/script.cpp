#include "host/render/script.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "host/headless.h"

namespace orvel::render {
namespace {

// Where a user clicks each button: the centre of its rectangle in the window's client area.
struct Button {
  const char* name;
  int left, top, width, height;
};

constexpr Button kButtons[] = {
    {"stop", 20, 8, 60, 25},
    {"pause", 85, 8, 60, 25},
    {"prev", 150, 8, 60, 25},
    {"play", 215, 8, 60, 25},
    {"next", 280, 8, 60, 25},
    {"clock", 345, 8, 60, 25},
    {"colour", 20, 341, 60, 25},
    {"dots", 85, 341, 60, 25},
    {"bezier", 150, 341, 60, 25},
    {"extents", 215, 341, 60, 25},
    {"bars", 280, 341, 60, 25},
    {"circles", 345, 341, 60, 25},
    {"rings", 410, 341, 60, 25},
    {"triangles", 475, 341, 60, 25},
    {"triangle-rings", 20, 371, 60, 25},
    {"stars", 85, 371, 60, 25},
    {"star-rings", 150, 371, 60, 25},
    {"random", 215, 371, 60, 25},
    {"gauge", 280, 371, 60, 25},
    {"sphere", 475, 371, 60, 25},
};

// Other spellings a user may reach for.
const char* Canonical(const std::string& name) {
  static const std::pair<const char*, const char*> kAliases[] = {{"color", "colour"},
                                                                 {"time", "clock"},
                                                                 {"envelope", "bezier"},
                                                                 {"trirings", "triangle-rings"},
                                                                 {"starrings", "star-rings"}};
  for (const auto& [alias, real] : kAliases) {
    if (name == alias) return real;
  }
  return name.c_str();
}

const Button* FindButton(const std::string& name) {
  const std::string real = Canonical(name);
  for (const Button& b : kButtons) {
    if (real == b.name) return &b;
  }
  return nullptr;
}

// The keypad: ten 15-pixel keys from x 25 every 20 pixels at y 310; digit 0 is the last key.
POINT KeyCentre(int digit) {
  const int key = digit == 0 ? 9 : digit - 1;
  return POINT{25 + 20 * key + 7, 317};
}

// The speed bar (345,386)-(470,396): a 16-pixel arrow at each end.
constexpr POINT kScrollLeft = {353, 391}, kScrollRight = {462, 391};

constexpr int kFirstCommand = 11842, kLastCommand = 11855;

// The speed bar's settings, 1 to 50, less one: the presses that take it from end to end.
constexpr int kSpeedSteps = 49;

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  const size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

bool ParseInt(const std::string& text, int* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < -1000000 || v > 1000000) return false;
  *value = static_cast<int>(v);
  return true;
}

std::string JoinedNames() {
  std::string all;
  for (const Button& b : kButtons) all += (all.empty() ? "" : ", ") + std::string(b.name);
  return all;
}

// The action part of a line (after the time); false with *what set when it is wrong.
bool ParseAction(std::istringstream& words, Action* a, std::string* what) {
  std::string verb, arg;
  words >> verb;
  if (verb == "click") {
    if (!(words >> arg)) return (*what = "click needs a button (" + JoinedNames() + ")"), false;
    if (!FindButton(arg)) {
      return (*what = "no button called '" + arg + "' (buttons: " + JoinedNames() + ")"), false;
    }
    a->kind = Action::Kind::kClick;
    a->button = Canonical(arg);
  } else if (verb == "command") {
    a->kind = Action::Kind::kCommand;
    if (!(words >> arg) || !ParseInt(arg, &a->command) || a->command < kFirstCommand ||
        a->command > kLastCommand) {
      return (*what = "command takes a display command from 11842 to 11855"), false;
    }
  } else if (verb == "key") {
    a->kind = Action::Kind::kKeys;
    while (words >> arg) {
      int digit = -1;
      if (!ParseInt(arg, &digit) || digit < 0 || digit > 9 || arg.size() != 1) {
        return (*what = "key takes keypad digits 0 to 9, for example 'key 0 7'"), false;
      }
      a->digits.push_back(digit);
    }
    if (a->digits.empty()) return (*what = "key needs at least one digit"), false;
  } else if (verb == "scroll") {
    a->kind = Action::Kind::kScroll;
    if (!(words >> arg) || (arg[0] != '+' && arg[0] != '-') || !ParseInt(arg, &a->steps) ||
        a->steps == 0 || a->steps < -100 || a->steps > 100) {
      return (*what = "scroll takes a signed number of arrow presses, for example +5 or -3"), false;
    }
  } else {
    *what = verb.empty() ? "an action must follow the time (click, command, key or scroll)"
                         : "unknown action '" + verb + "' (click, command, key or scroll)";
    return false;
  }
  if (words >> arg) return (*what = "unexpected '" + arg + "' at the end of the line"), false;
  return true;
}

}  // namespace

bool ParseScript(const std::string& text, const std::string& name, std::vector<Action>* actions,
                 std::string* error) {
  std::istringstream lines(text);
  std::string line;
  actions->clear();
  for (int number = 1; std::getline(lines, line); ++number) {
    line = Trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    std::istringstream words(line);
    std::string time;
    words >> time;
    Action a;
    a.line = number;
    std::string what;
    if (!ParseTime(time, &a.micros)) {
      what = "'" + time + "' is not a time (" + TimeForm() + ")";
    } else {
      ParseAction(words, &a, &what);
    }
    if (what.empty() && actions->size() == kMaxScriptActions) {
      what = "more actions than a script may hold (" + std::to_string(kMaxScriptActions) + ")";
    }
    if (!what.empty()) {
      *error = name + ":" + std::to_string(number) + ": " + what;
      return false;
    }
    actions->push_back(std::move(a));
  }
  std::stable_sort(actions->begin(), actions->end(),
                   [](const Action& x, const Action& y) { return x.micros < y.micros; });
  return true;
}

bool LoadScript(const std::string& path, std::vector<Action>* actions, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  // One byte more than a script may hold tells a script that is too large (or endless, as
  // /dev/zero is) without reading it all.
  std::string text(kMaxScriptBytes + 1, '\0');
  if (in) in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (!in && !in.eof()) {
    *error = "cannot read the script '" + path + "'";
    return false;
  }
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxScriptBytes) {
    *error =
        "the script '" + path + "' is larger than " + std::to_string(kMaxScriptBytes) + " bytes";
    return false;
  }
  if (text.empty()) {
    *error = "the script '" + path + "' is empty: it needs one timed action a line";
    return false;
  }
  return ParseScript(text, path, actions, error);
}

std::vector<Action> Showcase() {
  static const char kShowcase[] =
      "0:02.5 click sphere\n0:05 click sphere\n0:07.5 click sphere\n"  // variants 1..3
      "0:10 click dots\n0:12.5 click bezier\n0:15 click extents\n"
      "0:17.5 click bars\n0:20 click colour\n"
      "0:22.5 click circles\n0:25 click rings\n0:27.5 click triangles\n"
      "0:30 click triangle-rings\n0:32.5 click stars\n0:35 click star-rings\n"
      "0:37.5 click random\n0:38 scroll +15\n"
      "0:40 click gauge\n0:42.5 command 11845\n0:45 command 11846\n"
      "0:47.5 click clock\n0:48 click clock\n"    // the date line, then the big clock
      "0:52.5 click clock\n0:55 click sphere\n";  // the clock off; back to the sphere (variant 0)
  std::vector<Action> actions;
  std::string error;
  ParseScript(kShowcase, "showcase", &actions, &error);
  return actions;
}

std::vector<std::string> ButtonNames() {
  std::vector<std::string> names;
  for (const Button& b : kButtons) names.push_back(b.name);
  return names;
}

void Perform(const Action& action, HWND mainWindow) {
  switch (action.kind) {
    case Action::Kind::kClick:
      if (const Button* b = FindButton(action.button)) {
        headless::Click(mainWindow, b->left + b->width / 2, b->top + b->height / 2);
      }
      break;
    case Action::Kind::kCommand:
      PostMessageA(mainWindow, WM_COMMAND, static_cast<WPARAM>(action.command), 0);
      break;
    case Action::Kind::kKeys:
      for (int digit : action.digits) {
        const POINT p = KeyCentre(digit);
        headless::Click(mainWindow, p.x, p.y);
      }
      break;
    case Action::Kind::kScroll: {
      // The speed runs from 1 to 50: presses past 49 in a row change nothing, and are spared.
      const POINT p = action.steps > 0 ? kScrollRight : kScrollLeft;
      const int presses = std::min(std::abs(action.steps), kSpeedSteps);
      for (int i = 0; i < presses; ++i) headless::Click(mainWindow, p.x, p.y);
      break;
    }
  }
}

}  // namespace orvel::render
