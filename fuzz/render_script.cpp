// Any text as a render script: read, or refused with a message naming the script and a line.
// A script that reads holds at most its limit of actions, sorted by time, each in range.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "host/render/script.h"

namespace {

using orvel::render::Action;

void Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "script: %s\n", what);
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > orvel::render::kMaxScriptBytes) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<Action> actions;
  std::string error;
  if (!orvel::render::ParseScript(text, "f.txt", &actions, &error)) {
    Check(error.compare(0, 6, "f.txt:") == 0, "a message does not name the script's line");
    return 0;
  }
  Check(actions.size() <= orvel::render::kMaxScriptActions, "too many actions");
  int64_t last = 0;
  for (const Action& a : actions) {
    Check(a.micros >= last, "actions out of order");
    Check(a.micros <= orvel::render::kMaxTimeSeconds * 1000000 + 999999, "a time out of range");
    Check(a.steps >= -100 && a.steps <= 100, "a scroll out of range");
    for (int d : a.digits) Check(d >= 0 && d <= 9, "a key that is not a digit");
    last = a.micros;
  }
  return 0;
}
