// The portable program's entry: reads the options that choose the sound source and the host,
// registers the embedded resources and runs WinMain. The app itself takes no command line.
#include <stdio.h>
#include <sys/stat.h>

#include <string>

#include <CLI/CLI.hpp>

#include <windows.h>

#include "embedded.h"
#include "host/ending.h"
#include "host/headless.h"
#include "host/hosts.h"
#include "kernel/printable.h"
#include "user/window_thread.h"
#include "winmm/wave_internal.h"
#include "winmm/wave_sources.h"

namespace {

struct Options {
  std::string input = "default";
  bool headless = false;
  double seconds = 0;      // 0: until the window is closed
  std::string screenshot;  // empty: none
};

// Options that take a value refuse another option in its place ("--input --headless"); a
// file whose name starts with "--" can still be named as ./--name.
bool CheckValues(const Options& options, std::string* error) {
  if (options.input.rfind("--", 0) == 0) {
    *error = "--input needs a value, not the option " + orvel::Printable(options.input);
    return false;
  }
  if (options.screenshot.rfind("--", 0) == 0) {
    *error =
        "--screenshot needs a file name, not the option " + orvel::Printable(options.screenshot);
    return false;
  }
  return true;
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

// Parses the command line; false with the exit code in *code when the program should end
// (--help, or a bad option, after which the usage is printed).
bool ParseOptions(int argc, char** argv, Options* options, int* code) {
  CLI::App cli{"Orvel: a music visualiser with a small CD player."};
  cli.add_option("--input", options->input,
                 "What to visualise: default (the default capture device), monitor (what the "
                 "computer is playing), demo (built-in music), the path of an audio file, FIFO or "
                 "pipe, or - for a WAV stream on standard input")
      ->capture_default_str();
  AddRunOptions(cli, options);
  std::string error;
  try {
    cli.parse(argc, argv);
    if (CheckValues(*options, &error)) return true;
  } catch (const CLI::CallForHelp& e) {
    *code = cli.exit(e);
    return false;
  } catch (const CLI::ParseError& e) {
    error = orvel::Printable(e.what());  // it may quote an argument
  }
  fprintf(stderr, "orvel: %s\n\n%s", error.c_str(), cli.help().c_str());
  *code = 2;
  return false;
}

// How the run ends besides the close box: a time limit, a signal; the screenshot is taken
// just before the window closes.
void ArrangeEnding(const Options& options) {
  orvel::host::CloseOnSignals();
  if (options.seconds > 0) {
    orvel::host::CloseAt(static_cast<int64_t>(options.seconds * 1e6 + 0.5));
  }
  if (options.screenshot.empty()) return;
  const std::string path = options.screenshot;
  orvel::host::BeforeClose([path] {
    const std::vector<HWND> windows = orvel::headless::TopLevelWindows();
    if (windows.empty() || !orvel::headless::SaveWindow(windows.front(), path.c_str())) {
      fprintf(stderr, "orvel: cannot write the screenshot '%s'\n", orvel::Printable(path).c_str());
    }
  });
}

// Reading a FIFO waits for its writer; the user is told why nothing happens yet.
void SayIfWaiting(const std::string& input) {
  struct stat st;
  if (stat(input.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
    fprintf(stderr, "orvel: waiting for sound from '%s'\n", orvel::Printable(input).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int code = 0;
  if (!ParseOptions(argc, argv, &options, &code)) return code;

  ArrangeEnding(options);
  orvel::resources::RegisterOrvelResources();
  std::string error;
  SayIfWaiting(options.input);
  if (!orvel::wave::ChooseInput(options.input, &error)) {
    fprintf(stderr, "orvel: %s\n", error.c_str());
    return 1;
  }
  if (options.headless) {
    orvel::host::UseHeadless(orvel::host::HeadlessSettings{true});
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
