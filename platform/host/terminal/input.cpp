#include "host/terminal/input.h"

#include <windows.h>

#include <stdio.h>

namespace orvel::terminal {
namespace {

constexpr char kEsc = '\x1b';
// A control sequence longer than this is not one the parser waits for the rest of.
constexpr size_t kLongestSequence = 64;

// The event of an SGR mouse report: parameters "b;x;y" (1-based cell) and final 'M' (press,
// motion) or 'm' (release). False for reports other than the left button's.
bool MouseReport(const std::string& params, char final, TermEvent* event) {
  if (params.empty() || params[0] != '<') return false;
  int b = 0, x = 0, y = 0;
  char end = 0;
  if (sscanf(params.c_str() + 1, "%d;%d;%d%c", &b, &x, &y, &end) != 3 || x < 1 || y < 1) {
    return false;
  }
  const int modifiers = 4 | 8 | 16;  // shift, meta, control: the same button to the window
  const int button = b & ~modifiers;
  if (button == 0) {
    event->kind = final == 'M' ? TermEvent::Kind::kMouseDown : TermEvent::Kind::kMouseUp;
  } else if (button == 32 && final == 'M') {
    event->kind = TermEvent::Kind::kMouseMove;
  } else {
    return false;
  }
  event->col = x - 1;
  event->row = y - 1;
  return true;
}

// A key typed as one byte; false for a byte the program has no use for.
bool KeyByte(unsigned char c, TermEvent* event) {
  event->kind = TermEvent::Kind::kKey;
  if (c == 3 || c == 'q' || c == 'Q') {
    event->kind = TermEvent::Kind::kQuit;
  } else if (c == '\r' || c == '\n') {
    event->key = VK_RETURN;
  } else if (c == ' ') {
    event->key = VK_SPACE;
  } else if (c >= '0' && c <= '9') {
    event->key = c;
  } else if (c >= 'a' && c <= 'z') {
    event->key = c - 'a' + 'A';
  } else if (c >= 'A' && c <= 'Z') {
    event->key = c;
  } else {
    return false;
  }
  return true;
}

// The length of the string sequence (OSC, DCS, APC) at the start of s, ended by ST (ESC \)
// or BEL; 0 when its end has not come yet.
size_t StringSequence(const std::string& s) {
  for (size_t i = 2; i < s.size(); ++i) {
    if (s[i] == '\a') return i + 1;
    if (s[i] == kEsc && i + 1 < s.size() && s[i + 1] == '\\') return i + 2;
  }
  return 0;
}

}  // namespace

size_t InputParser::ParseOne(std::vector<TermEvent>* events) const {
  const std::string& s = pending_;
  TermEvent event{TermEvent::Kind::kKey};
  if (s[0] != kEsc) {
    if (KeyByte(static_cast<unsigned char>(s[0]), &event)) events->push_back(event);
    return 1;
  }
  if (s.size() < 2) return 0;
  if (s[1] == '[') {
    size_t end = 2;
    while (end < s.size() && !(s[end] >= 0x40 && s[end] <= 0x7E)) ++end;
    if (end == s.size()) return s.size() > kLongestSequence ? 1 : 0;
    if (s[end] == 'n' && end == 3 && s[2] == '0') {
      events->push_back(TermEvent{TermEvent::Kind::kStatusOk});
    } else if (MouseReport(s.substr(2, end - 2), s[end], &event)) {
      events->push_back(event);
    }
    return end + 1;
  }
  if (s[1] == 'O') return s.size() < 3 ? 0 : 3;  // a function or keypad key
  if (s[1] == ']' || s[1] == 'P' || s[1] == '_' || s[1] == '^') {
    const size_t length = StringSequence(s);
    if (length == 0 && s.size() > 4096) return 1;
    return length;
  }
  events->push_back(TermEvent{TermEvent::Kind::kKey, 0, 0, VK_ESCAPE});
  return 1;
}

void InputParser::Feed(const char* bytes, size_t size, std::vector<TermEvent>* events) {
  pending_.append(bytes, size);
  size_t used = 0;
  while (!pending_.empty() && (used = ParseOne(events)) > 0) pending_.erase(0, used);
}

void InputParser::Flush(std::vector<TermEvent>* events) {
  if (pending_.size() != 1 || pending_[0] != kEsc) return;
  pending_.clear();
  events->push_back(TermEvent{TermEvent::Kind::kKey, 0, 0, VK_ESCAPE});
}

}  // namespace orvel::terminal
