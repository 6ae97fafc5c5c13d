// The portable program's entry: reads the options that choose the sound source and the host,
// registers the embedded resources and runs WinMain. The app itself takes no command line.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <windows.h>

#include "embedded.h"
#include "host/ending.h"
#include "host/headless.h"
#include "host/hosts.h"
#include "host/render/render.h"
#include "host/terminal/terminal.h"
#include "kernel/printable.h"
#include "options.h"
#include "user/window_thread.h"
#include "winmm/cd_sources.h"
#include "winmm/wave_internal.h"
#include "winmm/wave_sources.h"

namespace {

// The program's options: the run's own (options.h), the renderer's, the window's scale and
// the terminal host's.
struct Options : orvel::cli::Options {
  orvel::render::Options render;
  int scale = 0;  // 0: from the display's DPI
  bool fullscreen = false;
  int delayMs = 0;
  std::string terminal;  // empty: a window; else how to draw in the terminal
};

// --scale: a window of today's many-pixel screens, each of the program's pixels N x N.
void AddScaleOption(CLI::App& cli, int* scale) {
  cli.add_option("--scale", *scale,
                 "Show the window N times larger, 1 to 8 (default: from the display's DPI); "
                 "a render's frames are N times the window's size")
      ->check(CLI::Range(1, 8));
}

// --delay: for sound that reaches the ear late, the picture waits for it.
void AddDelayOption(CLI::App& cli, int* delayMs) {
  cli.add_option("--delay", *delayMs,
                 "Show each picture MS milliseconds after its sound was recorded, 0 to 2000, for "
                 "speakers whose sound comes late (Bluetooth, a television)")
      ->check(CLI::Range(0, 2000));
}

// --fullscreen: the window fills the screen, enlarged as far as whole multiples go.
void AddFullscreenOption(CLI::App& cli, bool* fullscreen) {
  cli.add_flag("--fullscreen", *fullscreen,
               "Start with the window full screen, enlarged crisply and centred on black; F11 or "
               "Alt+Enter toggles full screen, and the window can be resized");
}

// --terminal[=MODE]: the window drawn in the terminal that Orvel runs in.
void AddTerminalOption(CLI::App& cli, std::string* mode) {
  cli.add_option("--terminal", *mode,
                 "Draw the window in this terminal (also over SSH) and take clicks and keys from "
                 "it; q or Ctrl-C ends Orvel. MODE: blocks (truecolour half-block cells), sixel, "
                 "kitty (graphics), or auto: what the terminal says it can show")
      ->expected(0, 1)
      ->default_str("auto")
      ->check(CLI::IsMember({"auto", "blocks", "sixel", "kitty"}))
      ->excludes("--headless");
}

// Parses the command line; false with the exit code in *code when the program should end
// (--help, or a bad option, after which the usage is printed).
bool ParseOptions(int argc, char** argv, Options* options, int* code) {
  std::string output;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (orvel::cli::ParseOptions(arguments, options, code, &output, [options](CLI::App& cli) {
        orvel::render::AddOptions(cli, &options->render);
        AddScaleOption(cli, &options->scale);
        AddFullscreenOption(cli, &options->fullscreen);
        AddDelayOption(cli, &options->delayMs);
        AddTerminalOption(cli, &options->terminal);
      })) {
    return true;
  }
  fputs(output.c_str(), *code == 0 ? stdout : stderr);
  return false;
}

// Set when the screenshot asked for could not be saved: the run then ends with exit code 1.
std::atomic<bool> screenshotFailed{false};

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
      screenshotFailed = true;
    }
  });
}

// The SDL2 host, its windows enlarged `scale` times (0: as the display's DPI suggests), or
// full screen.
bool UseWindows(int scale, bool fullscreen, std::string* error) {
  orvel::host::SetScale(scale);
  orvel::host::SetFullscreen(fullscreen);
  return orvel::host::UseSdl(error);
}

// Standard input, output and error are opened on /dev/null where they were closed, so that no
// pipe or file the program makes later takes their numbers (a signal pipe read as standard
// input would swallow the first Ctrl-C). True when standard input was closed.
bool OpenClosedStandardFiles() {
  bool inputClosed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == 0) inputClosed = true;
    const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) close(opened);  // a lower number was free: not ours
  }
  return inputClosed;
}

// Whether `path` is a FIFO (a named pipe).
bool IsFifo(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// The host that shows the window: the terminal when asked for, else an OS window, else the
// terminal when there is no display but standard output is one (said once). False with the
// reason in *error.
bool ChooseHost(const Options& options, std::string* error) {
  if (options.headless) {
    orvel::host::UseHeadless(orvel::host::HeadlessSettings{true});
    return true;
  }
  orvel::host::TerminalMode mode = orvel::host::TerminalMode::kAuto;
  if (!options.terminal.empty() && orvel::host::ParseTerminalMode(options.terminal, &mode)) {
    return orvel::host::UseTerminal(mode, error);
  }
  if (UseWindows(options.scale, options.fullscreen, error)) return true;
  if (!isatty(STDOUT_FILENO)) return false;
  fprintf(stderr, "orvel: %s\norvel: drawing in this terminal instead (--terminal)\n",
          error->c_str());
  return orvel::host::UseTerminal(orvel::host::TerminalMode::kAuto, error);
}

// Reading a FIFO waits for its writer; the user is told why nothing happens yet.
void SayIfWaiting(const std::string& input) {
  if (IsFifo(input)) {
    fprintf(stderr, "orvel: waiting for sound from '%s'\n", orvel::Printable(input).c_str());
  }
}

// Offline rendering (--render): the program runs under the renderer instead of in a window;
// --seconds is the length of music to render.
int Render(const Options& options) {
  orvel::render::Options render = options.render;
  render.seconds = options.seconds > 0 ? options.seconds : -1;
  render.scale = options.scale;
  return orvel::render::Run(render, options.input, [] {
    static int module;  // the program's instance: any distinct non-null handle
    char commandLine[] = "";
    return WinMain(reinterpret_cast<HINSTANCE>(&module), nullptr, commandLine, SW_SHOWNORMAL);
  });
}

#ifndef ORVEL_RENDERER
// --render to a file in the live program: the same command line runs orvel-render from beside
// this program, so that the window never loads the encoders' libraries. Raw frames on standard
// output need none, and are rendered here. Returns only on failure.
int HandToRenderer(char** argv) {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path = length > 0 ? std::string(self, static_cast<size_t>(length)) : argv[0];
  path = path.substr(0, path.find_last_of('/') + 1) + "orvel-render";
  execv(path.c_str(), argv);
  fprintf(stderr, "orvel: cannot start the renderer '%s': %s\n", orvel::Printable(path).c_str(),
          strerror(errno));
  return 1;
}
#endif

// --list-inputs: the capture devices and monitor sources; the exit code.
int ListInputs() {
  std::string text, error;
  if (!orvel::wave::ListInputs(&text, &error)) {
    fprintf(stderr, "orvel: %s\n", error.c_str());
    return 1;
  }
  printf("Inputs (--input \"NAME\", or a part of it that only one name holds; * the default):\n%s",
         text.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool inputClosed = OpenClosedStandardFiles();
  Options options;
  int code = 0;
  if (!ParseOptions(argc, argv, &options, &code)) return code;
  if (options.input == "-" && inputClosed) {
    fputs("orvel: --input - reads a WAV stream from standard input, which is closed\n", stderr);
    return 1;
  }
  // A render reads its music twice and cannot take it from a FIFO; it is refused before the
  // FIFO is opened, so that no writer is kept waiting and then cut off.
  if (!options.render.output.empty() && IsFifo(options.input)) {
    fprintf(stderr, "orvel: a render reads its music from a file; '%s' is a FIFO\n",
            orvel::Printable(options.input).c_str());
    return 1;
  }
  if (!options.render.output.empty() && !options.screenshot.empty()) {
    fputs(
        "orvel: --screenshot saves the window at the end of a run; a render holds every frame "
        "already (for pictures, --render frames/%05d.png)\n",
        stderr);
    return 1;
  }
  if (!options.render.output.empty() && options.delayMs > 0) {
    fputs("orvel: --delay is for a live window; a render keeps its picture with its sound\n",
          stderr);
    return 1;
  }
#ifndef ORVEL_RENDERER
  if (!options.render.output.empty() && options.render.output != "-") return HandToRenderer(argv);
#endif

  if (options.listInputs) return ListInputs();
  ArrangeEnding(options);
  orvel::resources::RegisterOrvelResources();
  std::string error;
  if (!options.cd.empty() && !orvel::cdaudio::ChooseDisc(options.cd, &error)) {
    fprintf(stderr, "orvel: %s\n", orvel::Printable(error).c_str());
    return 1;
  }
  orvel::wave::SetPictureDelay(static_cast<int64_t>(options.delayMs) * 1000);
  SayIfWaiting(options.input);
  if (!orvel::wave::ChooseInput(options.input, &error)) {
    fprintf(stderr, "orvel: %s\n", error.c_str());
    return 1;
  }
  if (!options.render.output.empty()) return Render(options);
  if (!ChooseHost(options, &error)) {
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
  return result == 0 && screenshotFailed ? 1 : result;
}
