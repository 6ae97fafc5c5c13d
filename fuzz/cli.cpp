// Any bytes as a command line: NUL bytes split the arguments. The parser either accepts them,
// with values in their documented ranges, or refuses them with a message free of control
// characters other than line breaks.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "arguments.h"
#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::vector<std::string> arguments = SplitArguments(data, size);
  orvel::cli::Options options;
  int code = -1;
  std::string output;
  if (orvel::cli::ParseOptions(arguments, &options, &code, &output)) {
    if (!(options.seconds >= 0 && options.seconds <= 1e9)) abort();
    if (options.input.rfind("--", 0) == 0) abort();
    return 0;
  }
  if (code != 0 && code != 2) abort();
  for (const char c : output) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\n') || byte == 0x7f) abort();
  }
  return 0;
}
