// The portable program's entry: reads the options that choose the sound source and the host,
// registers the embedded resources and runs WinMain. The app itself takes no command line.
#include <stdio.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include <windows.h>

#include "embedded.h"
#include "host/ending.h"
#include "host/headless.h"
#include "host/hosts.h"
#include "kernel/printable.h"
#include "options.h"
#include "user/window_thread.h"
#include "winmm/wave_internal.h"
#include "winmm/wave_sources.h"

namespace {

// How the run ends besides the close box: a time limit, a signal; the screenshot is taken
// just before the window closes.
void ArrangeEnding(const orvel::cli::Options& options) {
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
  orvel::cli::Options options;
  int code = 0;
  std::string output;
  if (!orvel::cli::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &code,
                                &output)) {
    fputs(output.c_str(), code == 0 ? stdout : stderr);
    return code;
  }

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
