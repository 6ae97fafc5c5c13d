#include "session.h"

#include <stdio.h>
#include <string.h>

#include "app/state.h"
#include "embedded.h"
#include "host/hosts.h"
#include "kernel/clock.h"
#include "user/window_thread.h"
#include "winmm/cd_sources.h"
#include "winmm/wave_internal.h"
#include "winmm/wave_sources.h"

namespace orvel::test {
namespace {

int64_t Micros(double seconds) {
  return static_cast<int64_t>(seconds * 1e6 + 0.5);
}

}  // namespace

SampleSource Constant(uint8_t value) {
  return [value](int64_t, uint8_t* out, int count) { memset(out, value, count); };
}

HWND MainWindowOfSession() {
  return MainWindow;
}

void Session::UseSamples(SampleSource source) {
  input_ = Input::kSamples;
  samples_ = std::move(source);
}

void Session::UseDemo() {
  input_ = Input::kDemo;
}

void Session::UseNoDevice() {
  input_ = Input::kNoDevice;
}

void Session::UseCd(std::shared_ptr<disc::Disc> disc) {
  input_ = Input::kCd;
  cdDisc_ = std::move(disc);
}

void Session::UseCd(const std::string& spec) {
  input_ = Input::kCd;
  cd_ = spec;
}

void Session::At(double seconds, std::function<void()> action) {
  actions_.emplace_back(Micros(seconds), std::move(action));
}

void Session::OnWindowThread(double seconds, std::function<void()> action) {
  At(seconds, [action] { user::RunOnWindowThread(action); });
}

void Session::StopFrames(double seconds) {
  OnWindowThread(seconds, [] { KillTimer(MainWindow, 2); });
}

void Session::KeyOnDialog(double seconds, int virtualKey) {
  At(seconds, [virtualKey] {
    if (HWND dialog = headless::ActiveDialog()) headless::Key(dialog, virtualKey);
  });
}

void Session::CloseAbout(double seconds) {
  KeyOnDialog(seconds, VK_RETURN);
}

void Session::Click(double seconds, int x, int y) {
  At(seconds, [x, y] { headless::Click(MainWindow, x, y); });
}

void Session::DoubleClick(double seconds, int x, int y) {
  At(seconds, [x, y] { headless::DoubleClick(MainWindow, x, y); });
}

void Session::Snapshot(double seconds, gdi::Surface* picture) {
  At(seconds, [picture] {
    if (const gdi::Surface* s = headless::WindowSurface(MainWindow)) *picture = *s;
  });
}

void Session::Close(double seconds) {
  At(seconds, [] { PostMessageA(MainWindow, WM_CLOSE, 0, 0); });
}

Result Session::Run(double limitSeconds) {
  clock::Use(clock::Mode::kVirtual);
  host::UseHeadless();
  resources::RegisterOrvelResources();
  if (cdDisc_) {
    cdaudio::UseDisc(cdDisc_);
  } else if (cd_.empty()) {
    cdaudio::UseNoDrive();
  } else {
    std::string error;
    if (!cdaudio::ChooseDisc(cd_, &error)) {
      fprintf(stderr, "session: %s\n", error.c_str());
      return Result();
    }
  }
  switch (input_) {
    case Input::kCd: {
      std::string error;
      wave::ChooseInput("cd", &error);
      break;
    }
    case Input::kSamples:
      wave::UseScriptedInput(samples_ ? samples_ : Constant(128));
      break;
    case Input::kDemo: {
      std::string error;
      wave::ChooseInput("demo", &error);
      break;
    }
    case Input::kNoDevice:
      wave::UseNoDevice();
      break;
  }
  // A device that goes away is reported in a message box on the window's thread, as the
  // portable program does.
  wave::SetLossNotifier([](const std::string& text) {
    user::RunOnWindowThread([text] { MessageBoxA(MainWindow, text.c_str(), "Orvel", MB_OK); });
  });
  for (auto& [due, action] : actions_) clock::ScheduleAt(due, action);
  // The safety net: a dialog still open is answered, then the window is closed.
  clock::ScheduleAt(Micros(limitSeconds), [] {
    if (HWND dialog = headless::ActiveDialog()) headless::Key(dialog, VK_ESCAPE);
  });
  clock::ScheduleAt(Micros(limitSeconds + 0.002), [] { PostMessageA(MainWindow, WM_CLOSE, 0, 0); });

  static int module;
  char commandLine[] = "";
  Result result;
  result.exitCode =
      WinMain(reinterpret_cast<HINSTANCE>(&module), nullptr, commandLine, SW_SHOWNORMAL);
  result.messageBoxes = headless::MessageBoxes();
  return result;
}

}  // namespace orvel::test
