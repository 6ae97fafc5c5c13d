// A fuzz input as a command line: NUL bytes separate the arguments (the program's name is not
// among them).
#ifndef ORVEL_FUZZ_ARGUMENTS_H
#define ORVEL_FUZZ_ARGUMENTS_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

inline std::vector<std::string> SplitArguments(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.emplace_back();
    } else {
      arguments.back() += static_cast<char>(data[i]);
    }
  }
  return arguments;
}

#endif
