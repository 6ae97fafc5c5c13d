#include "options.h"

#include <CLI/CLI.hpp>

#include "kernel/printable.h"

namespace orvel::cli {
namespace {

// Options that take a value refuse another option in its place ("--input --headless"); a
// file whose name starts with "--" can still be named as ./--name.
bool CheckValues(const Options& options, std::string* error) {
  if (options.input.rfind("--", 0) == 0) {
    *error = "--input needs a value, not the option " + Printable(options.input);
    return false;
  }
  if (options.cd.rfind("--", 0) == 0) {
    *error = "--cd needs a value, not the option " + Printable(options.cd);
    return false;
  }
  if (!(options.seconds >= 0 && options.seconds <= 1e9)) {  // NaN included
    *error = "--seconds must be a number from 0 to 1e9";
    return false;
  }
  if (options.screenshot.rfind("--", 0) == 0) {
    *error = "--screenshot needs a file name, not the option " + Printable(options.screenshot);
    return false;
  }
  return true;
}

void AddCdOption(CLI::App& cli, Options* options) {
  cli.add_option("--cd", options->cd,
                 "What the CD player plays: a drive (/dev/cdrom), a disc image (.cue, .toc, .nrg, "
                 ".bin) or a folder of audio files, one track per file. Unless --input says "
                 "otherwise, Orvel then shows what the CD plays (--input cd)");
}

void AddRunOptions(CLI::App& cli, Options* options) {
  cli.add_flag("--headless", options->headless,
               "Run without a display: the window lives in memory only, and message boxes and "
               "the About box are answered as Enter would, after being written to standard error");
  cli.add_option("--seconds", options->seconds,
                 "Close the window after this many seconds (default: run until closed)")
      ->check(CLI::Range(0.0, 1e9));
  cli.add_option("--screenshot", options->screenshot,
                 "Save the window as this PNG file when the run ends");
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& arguments, Options* options, int* code,
                  std::string* output, const std::function<void(CLI::App&)>& more) {
  CLI::App cli{"Orvel: a music visualiser with a small CD player.", "orvel"};
  cli.add_option("--input", options->input,
                 "What to visualise: default (the default capture device), monitor (what the "
                 "computer is playing), demo (built-in music), cd (what the CD player plays), the "
                 "path of an audio file, FIFO or pipe, - for a WAV stream on standard input, or "
                 "the name (or a unique part of it) of a capture device or monitor source that "
                 "--list-inputs shows")
      ->capture_default_str();
  cli.add_flag("--list-inputs", options->listInputs,
               "Print the capture devices and monitor sources (* marks the default) and end");
  AddCdOption(cli, options);
  AddRunOptions(cli, options);
  if (more) more(cli);
  std::string error;
  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    cli.parse(reversed);  // CLI11 takes the arguments last first
    // A disc given alone is also what Orvel shows.
    if (!options->cd.empty() && cli.count("--input") == 0) options->input = "cd";
    if (cli.count("--cd") > 0 && options->cd.empty()) {
      error = "--cd was given an empty name: name a drive, a disc image or a folder";
    } else if (CheckValues(*options, &error)) {
      return true;
    }
  } catch (const CLI::CallForHelp&) {
    *output = cli.help();
    *code = 0;
    return false;
  } catch (const CLI::ParseError& e) {
    error = Printable(e.what());  // it may quote an argument
  }
  *output = "orvel: " + error + "\n\n" + cli.help();
  *code = 2;
  return false;
}

}  // namespace orvel::cli
