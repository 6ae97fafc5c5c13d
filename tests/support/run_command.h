// Runs a shell command for tests of the program's command line and collects what it printed.
#ifndef ORVEL_TESTS_SUPPORT_RUN_COMMAND_H
#define ORVEL_TESTS_SUPPORT_RUN_COMMAND_H

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

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

// In a child process: becomes `program` with `arguments`, as a user without a display or a
// sound card would start it. Never returns (exit code 127 when the program cannot start).
[[noreturn]] inline void ExecWithoutDisplay(const char* program,
                                            std::vector<std::string> arguments) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  arguments.insert(arguments.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  execv(program, argv.data());
  _exit(127);
}

}  // namespace orvel::test

#endif
