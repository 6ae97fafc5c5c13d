// Runs a shell command for tests of the program's command line and collects what it printed.
#ifndef ORVEL_TESTS_SUPPORT_RUN_COMMAND_H
#define ORVEL_TESTS_SUPPORT_RUN_COMMAND_H

#include <stdio.h>
#include <sys/wait.h>

#include <string>

namespace orvel::test {

struct Outcome {
  int exitCode = -1;   // -1 when the command did not exit normally
  std::string output;  // standard output, and standard error where the command joins them
};

inline Outcome RunCommand(const std::string& command) {
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) outcome.output += buffer;
  const int status = pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

}  // namespace orvel::test

#endif
