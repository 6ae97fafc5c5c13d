// Any bytes as a render's command line (NUL separates arguments), as the portable program
// reads it with the renderer's options; then --from as a time, --fps-out as a frame rate and
// --size as a frame size.
// A time is 0 to its limit; a rate is a fraction in range whose parts are positive; a refusal
// is a clean message.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "host/render/quantities.h"
#include "host/render/render.h"
#include "arguments.h"
#include "options.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "render options: %s\n", what);
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::vector<std::string> arguments = SplitArguments(data, size);
  using namespace orvel::render;
  // Each argument on its own as a time and as a rate, as --from and --fps-out take them.
  for (const std::string& a : arguments) {
    int64_t micros = -1;
    if (ParseTime(a, &micros)) {
      Check(micros >= 0 && micros < (kMaxTimeSeconds + 1) * 1000000, "a time out of range");
    }
    Rate rate{0, 0};
    if (!a.empty() && ParseRate(a, &rate)) {
      Check(rate.num > 0 && rate.den > 0, "a rate with a part that is not positive");
      const double fps = static_cast<double>(rate.num) / rate.den;
      Check(fps >= kMinRate && fps <= kMaxRate, "a rate out of range");
    }
    FrameSize size;
    if (ParseSize(a, &size)) {
      Check(size.width >= kMinSide && size.width <= kMaxSide && size.height >= kMinSide &&
                size.height <= kMaxSide,
            "a frame size out of range");
    }
  }
  orvel::cli::Options options;
  Options render;
  int code = -1;
  std::string output;
  if (!orvel::cli::ParseOptions(arguments, &options, &code, &output,
                                [&render](CLI::App& cli) { AddOptions(cli, &render); })) {
    Check(code == 0 || code == 2, "an exit code other than 0 or 2");
    for (const char c : output) {
      const auto byte = static_cast<unsigned char>(c);
      Check(!((byte < 0x20 && c != '\n') || byte == 0x7f), "a control byte in a message");
    }
  }
  return 0;
}
