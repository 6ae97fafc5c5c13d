// The portable program's entry: reads the options that choose the sound source and the host,
// registers the embedded resources and runs WinMain. The app itself takes no command line.
#include <stdio.h>

#include <string>

#include <CLI/CLI.hpp>

#include <windows.h>

#include "embedded.h"
#include "host/hosts.h"
#include "user/window_thread.h"
#include "winmm/cd_sources.h"
#include "winmm/wave_internal.h"
#include "winmm/wave_sources.h"

namespace {

struct Options {
  std::string input = "default";
  std::string cd;  // empty: the first CD drive, if there is one
  bool headless = false;
};

// Parses the command line; false with the exit code in *code when the program should end
// (--help, or a bad option, after which the usage is printed).
bool ParseOptions(int argc, char** argv, Options* options, int* code) {
  CLI::App cli{"Orvel: a music visualiser with a small CD player."};
  cli.add_option(
         "--input", options->input,
         "What to visualise: default (the default capture device), monitor (what the "
         "computer is playing), demo (built-in music), cd (what the CD player plays) or the "
         "path of an audio file")
      ->capture_default_str();
  cli.add_option("--cd", options->cd,
                 "What the CD player plays: a drive (/dev/cdrom), a disc image (.cue, .toc, .nrg, "
                 ".bin) or a folder of audio files, one track per file. Unless --input says "
                 "otherwise, Orvel then shows what the CD plays (--input cd)");
  cli.add_flag("--headless", options->headless,
               "Run without a display: the window lives in memory only");
  try {
    cli.parse(argc, argv);
    if (!options->cd.empty() && cli.count("--input") == 0) options->input = "cd";
  } catch (const CLI::CallForHelp& e) {
    *code = cli.exit(e);
    return false;
  } catch (const CLI::ParseError& e) {
    fprintf(stderr, "orvel: %s\n\n%s", e.what(), cli.help().c_str());
    *code = 2;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int code = 0;
  if (!ParseOptions(argc, argv, &options, &code)) return code;

  orvel::resources::RegisterOrvelResources();
  std::string error;
  if (!options.cd.empty() && !orvel::cdaudio::ChooseDisc(options.cd, &error)) {
    fprintf(stderr, "orvel: %s\n", error.c_str());
    return 1;
  }
  if (!orvel::wave::ChooseInput(options.input, &error)) {
    fprintf(stderr, "orvel: %s\n", error.c_str());
    return 1;
  }
  if (options.headless) {
    orvel::host::UseHeadless();
  } else if (!orvel::host::UseSdl(&error)) {
    fprintf(stderr, "orvel: %s\n", error.c_str());
    return 1;
  }
  // A sound input that goes away is reported in a message box on the window's thread.
  orvel::wave::SetLossNotifier([](const std::string& text) {
    orvel::user::RunOnWindowThread([text] { MessageBoxA(nullptr, text.c_str(), "Orvel", MB_OK); });
  });
  static int module;  // the program's instance: any distinct non-null handle
  char commandLine[] = "";
  int result = WinMain(reinterpret_cast<HINSTANCE>(&module), nullptr, commandLine, SW_SHOWNORMAL);
  orvel::host::Shutdown();  // closes the OS windows and SDL's video before the process ends
  return result;
}
