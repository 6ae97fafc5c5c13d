// The browser program's entry. The page passes its query as arguments:
//   --input page|demo|microphone|tab  the page's input (the demo music until a song is dropped
//                            on the page; the default), the demo alone, the microphone, or
//                            what a tab or the system plays, once the user shares it (the page
//                            records either, as the capture device)
//   --stop-at SECONDS        virtual time, standing still at that moment (the pixel tests)
//   --script TEXT            timed actions as a render script holds them, one a line
// Then the resources are registered and WinMain runs. The CD device finds no drive, as on a
// machine without one.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <windows.h>

#include "embedded.h"
#include "host/render/script.h"
#include "host/web/web_host.h"
#include "kernel/clock.h"
#include "user/host.h"
#include "winmm/wave_sources.h"

namespace {

struct Options {
  std::string input = "page";
  double stopAt = -1;
  std::string script;
};

// False with a message for an argument the page should never pass.
bool Parse(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (i + 1 >= argc) {
      fprintf(stderr, "orvel: '%s' wants a value\n", name.c_str());
      return false;
    }
    const char* value = argv[++i];
    if (name == "--input") {
      options->input = value;
    } else if (name == "--stop-at") {
      char* end = nullptr;
      options->stopAt = strtod(value, &end);
      if (*end != '\0' || !(options->stopAt >= 0)) {
        fprintf(stderr, "orvel: --stop-at wants seconds, not '%s'\n", value);
        return false;
      }
    } else if (name == "--script") {
      options->script = value;
    } else {
      fprintf(stderr, "orvel: unknown argument '%s'\n", name.c_str());
      return false;
    }
  }
  return true;
}

// The script's actions, each at its moment on the clock.
bool ScheduleScript(const std::string& text) {
  std::vector<orvel::render::Action> actions;
  std::string error;
  if (!orvel::render::ParseScript(text, "script", &actions, &error)) {
    fprintf(stderr, "orvel: %s\n", error.c_str());
    return false;
  }
  for (const orvel::render::Action& action : actions) {
    orvel::clock::ScheduleAt(action.micros, [action] {
      const std::vector<HWND> windows = orvel::user::TopLevelWindows();
      if (!windows.empty()) orvel::render::Perform(action, windows.front());
    });
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, &options)) return 2;
  orvel::host::WebSettings settings;
  settings.virtualTime = options.stopAt >= 0;
  settings.stopAtMicros =
      settings.virtualTime ? static_cast<int64_t>(options.stopAt * 1e6 + 0.5) : -1;
  orvel::host::UseWeb(settings);
  if (!ScheduleScript(options.script)) return 2;
  orvel::resources::RegisterOrvelResources();
  std::string error;
  const bool recorded = options.input == "microphone" || options.input == "tab";
  const std::string input = recorded                  ? "default"
                            : options.input == "page" ? "/page"
                                                      : options.input;
  if (input != "demo" && input != "default" && input != "/page") {
    fprintf(stderr, "orvel: the input is 'page', 'demo', 'microphone' or 'tab', not '%s'\n",
            options.input.c_str());
    return 2;
  }
  if (!orvel::wave::ChooseInput(input, &error)) {
    fprintf(stderr, "orvel: %s\n", error.c_str());
    return 2;
  }
  static int module;  // the program's instance: any distinct non-null handle
  char commandLine[] = "";
  return WinMain(reinterpret_cast<HINSTANCE>(&module), nullptr, commandLine, SW_SHOWNORMAL);
}
