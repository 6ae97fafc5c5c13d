// Any text as a gdi-replay script: parsed, and when it parses, drawn. The surface is cut to at
// most 64 x 64 pixels, which keeps runs fast and leaves every coordinate path reachable (the
// calls' own coordinates are not cut). Afterwards no GDI object the script made may be alive.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>

#include "gdi/surface.h"
#include "replay.h"
#include "script.h"

void RegisterReplayResources();

namespace {
constexpr int kFuzzSide = 64;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (RegisterReplayResources(), true);
  (void)registered;
  if (size > replay::kMaxScriptBytes) return 0;  // the tool refuses these before parsing
  const std::string text(reinterpret_cast<const char*>(data), size);
  replay::Script script;
  replay::ParseError error;
  if (!replay::ParseScript(text, &script, &error)) return 0;
  script.width = std::min(script.width, kFuzzSide);
  script.height = std::min(script.height, kFuzzSide);

  const int before = orvel::gdi::LiveObjectsTotal();
  replay::Image image;
  replay::Run(script, nullptr, nullptr, &image, &error);
  const int after = orvel::gdi::LiveObjectsTotal();
  if (after != before) {
    fprintf(stderr, "gdi-replay left %d GDI objects alive\n", after - before);
    abort();
  }
  return 0;
}
