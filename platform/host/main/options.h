// The portable program's command line.
#ifndef ORVEL_MAIN_OPTIONS_H
#define ORVEL_MAIN_OPTIONS_H

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace orvel::cli {

struct Options {
  std::string input = "default";  // "cd" when --cd is given and --input is not
  std::string cd;                 // empty: the first CD drive, if there is one
  bool headless = false;
  double seconds = 0;       // 0: until the window is closed; else 0 < seconds <= 1e9
  std::string screenshot;   // empty: none
  bool listInputs = false;  // print the capture devices and monitor sources, and end
};

// Parses the arguments (argv without the program's name). False when the program should end
// at once: --help (usage in *output, *code 0) or a bad command line (the problem, with
// control characters escaped, and the usage in *output, *code 2). `more` may add options of
// other parts of the program (the renderer's) to the parser.
bool ParseOptions(const std::vector<std::string>& arguments, Options* options, int* code,
                  std::string* output, const std::function<void(CLI::App&)>& more = {});

}  // namespace orvel::cli

#endif
