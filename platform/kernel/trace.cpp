#include "kernel/trace.h"

#include <stdio.h>
#include <stdlib.h>

#include <mutex>
#include <set>
#include <string>

#include "kernel/printable.h"

namespace orvel::trace {
namespace detail {

std::atomic<unsigned> g_mask{kUnread};

}  // namespace detail

namespace {

struct Printed {
  std::mutex lock;
  std::set<std::string> seen;  // function and reason
};

Printed& P() {
  static Printed* printed = new Printed;  // never destroyed: calls may come during exit
  return *printed;
}

const char* RoomName(Kind kind) {
  switch (kind) {
    case kGdi:
      return "gdi";
    case kUser:
      return "user";
    case kWinmm:
      return "winmm";
    case kMci:
      return "mci";
  }
  return "?";
}

// One word of the switch as its bits; 0 for a word this layer does not know.
unsigned WordBits(const std::string& word) {
  static const struct {
    const char* word;
    unsigned bits;
  } kWords[] = {{"gdi", kGdi},
                {"user", kUser},
                {"winmm", kWinmm},
                {"mci", kMci},
                {"all", kGdi | kUser | kWinmm | kMci},
                {"calls", detail::kCalls}};
  for (const auto& w : kWords) {
    if (word == w.word) return w.bits;
  }
  return 0;
}

// The switch's words, separated by commas (spaces around a word are allowed), as bits.
unsigned Parse(const char* value) {
  unsigned mask = 0;
  std::string text = value ? value : "";
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    std::string word = text.substr(at, comma - at);
    word.erase(0, word.find_first_not_of(' '));
    word.erase(word.find_last_not_of(' ') + 1);
    unsigned bits = WordBits(word);
    if (bits == 0 && !word.empty()) {
      fprintf(stderr,
              "orvel trace: ORVEL_TRACE: unknown word \"%s\" (known: gdi, user, winmm, mci, "
              "all, calls)\n",
              Printable(word).c_str());
    }
    mask |= bits;
    at = comma + 1;
  }
  return mask;
}

}  // namespace

namespace detail {

unsigned ReadSwitch() {
  static const bool read = [] {
    g_mask = Parse(getenv("ORVEL_TRACE"));
    return true;
  }();
  (void)read;
  return g_mask.load(std::memory_order_relaxed);
}

}  // namespace detail

void Unsupported(Kind kind, const char* function, const char* reason, long long value) {
  Printed& p = P();
  std::lock_guard<std::mutex> hold(p.lock);
  if (!p.seen.insert(std::string(function) + '\n' + reason).second) return;
  char text[256];
  snprintf(text, sizeof text, reason, value);
  fprintf(stderr, "orvel trace: %s: %s: %s\n", RoomName(kind), function, text);
}

void ListCall(Kind kind, const char* function) {
  fprintf(stderr, "orvel trace: %s: call %s\n", RoomName(kind), function);
}

void Configure(const char* value) {
  std::lock_guard<std::mutex> hold(P().lock);
  P().seen.clear();
  detail::g_mask = Parse(value);
}

}  // namespace orvel::trace
