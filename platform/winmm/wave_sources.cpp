#include <windows.h>
#include <mmsystem.h>

#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "kernel/printable.h"
#include "audio_backend.h"
#include "user/window_thread.h"
#include "wave_internal.h"
#include "wave_sources.h"

namespace orvel::wave {

namespace {

struct Choices {
  std::mutex lock;
  SourceChoice current;
  LossNotifier notifier;
  int64_t delayMicros = 0;
};

// Never destroyed: driver threads may still report a loss while the program exits.
Choices& C() {
  static Choices* choices = new Choices;
  return *choices;
}

void Choose(SourceChoice choice) {
  std::lock_guard<std::mutex> hold(C().lock);
  C().current = std::move(choice);
}

// The box is shown by the window thread, whose loop this thread must not wait for.
void ShowLoss(const std::string& text) {
  user::RunOnWindowThread([text] { MessageBoxA(nullptr, text.c_str(), "Orvel", MB_OK); });
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Every line of the list, the default marked.
std::string Listing(const std::vector<std::string>& names) {
  const std::string fallback = audio::SoundSystem().DefaultCaptureName();
  std::string text;
  for (const std::string& name : names) {
    text += (name == fallback ? "* " : "  ") + Printable(name) + "\n";
  }
  return text.empty() ? "  (none)\n" : text;
}

bool LooksLikeFile(const std::string& spec) {
  struct stat st;
  return spec.find('/') != std::string::npos || stat(spec.c_str(), &st) == 0;
}

// The device that `spec` names: its exact name, or the one name that holds it (ignoring case).
bool FindDevice(const std::string& spec, std::string* device, std::string* error) {
  std::vector<std::string> names;
  if (!audio::SoundSystem().CaptureDeviceNames(&names, error)) return false;
  std::vector<std::string> found;
  for (const std::string& name : names) {
    if (name == spec) {
      *device = name;
      return true;
    }
    if (strcasestr(name.c_str(), spec.c_str()) != nullptr) found.push_back(name);
  }
  if (found.size() == 1) {
    *device = found[0];
    return true;
  }
  *error =
      "'" + Printable(spec) + "' " +
      (found.empty() ? "is neither a file nor the name of an input" : "names more than one input") +
      "; the inputs are (* the default):\n" + Listing(names);
  if (!error->empty() && error->back() == '\n') error->pop_back();
  return false;
}

}  // namespace

void SetPictureDelay(int64_t micros) {
  std::lock_guard<std::mutex> hold(C().lock);
  C().delayMicros = std::clamp<int64_t>(micros, 0, 2000000);
}

int64_t PictureDelayMicros() {
  std::lock_guard<std::mutex> hold(C().lock);
  return C().delayMicros;
}

bool ListInputs(std::string* text, std::string* error) {
  std::vector<std::string> names;
  if (!audio::SoundSystem().CaptureDeviceNames(&names, error)) return false;
  *text = Listing(names);
  return true;
}

bool ChooseInput(const std::string& spec, std::string* error) {
  SourceChoice choice;
  if (spec == "default") {
    choice.kind = SourceKind::kDefault;
  } else if (spec == "demo") {
    choice.kind = SourceKind::kDemo;
  } else if (spec == "cd") {
    choice.kind = SourceKind::kCd;
  } else if (spec == "monitor") {
    choice.kind = SourceKind::kMonitor;
    choice.device = audio::SoundSystem().FindMonitor(error);
    if (choice.device.empty()) return false;
  } else if (spec != "-" && !LooksLikeFile(spec)) {
    choice.kind = SourceKind::kMonitor;  // a named capture device, opened as the monitor is
    if (!FindDevice(spec, &choice.device, error)) return false;
  } else {
    choice.file = OpenFileGenerator(spec, NotifyLoss, error);
    if (!choice.file) return false;
    choice.kind = SourceKind::kFile;
    choice.path = spec;
  }
  Choose(std::move(choice));
  return true;
}

void UseScriptedInput(std::function<void(int64_t firstSample, uint8_t* out, int count)> fill) {
  SourceChoice choice;
  choice.kind = SourceKind::kScripted;
  choice.fill = std::move(fill);
  Choose(std::move(choice));
}

void UseNoDevice() {
  SourceChoice choice;
  choice.kind = SourceKind::kNone;
  Choose(std::move(choice));
}

void SimulateDeviceLoss() {
  {
    std::lock_guard<std::mutex> hold(C().lock);
    C().current.lost = true;
  }
  if (LoseOpenDevices()) NotifyLoss("the device was disconnected");
}

SourceChoice CurrentChoice() {
  std::lock_guard<std::mutex> hold(C().lock);
  return C().current;
}

unsigned CheckSource(const SourceChoice& choice, std::string* name) {
  if (choice.lost) return MMSYSERR_BADDEVICEID;
  switch (choice.kind) {
    case SourceKind::kNone:
      return MMSYSERR_BADDEVICEID;
    case SourceKind::kDefault: {
      if (!audio::SoundSystem().Start(nullptr)) return MMSYSERR_NODRIVER;
      if (audio::SoundSystem().CaptureDeviceCount() == 0) return MMSYSERR_BADDEVICEID;
      *name = audio::SoundSystem().DefaultCaptureName();
      if (name->empty()) *name = "Default recording device";
      return MMSYSERR_NOERROR;
    }
    case SourceKind::kMonitor:
      *name = choice.device;
      return MMSYSERR_NOERROR;
    case SourceKind::kFile:
      *name = choice.path == "-" ? "Standard input" : BaseName(choice.path);
      return MMSYSERR_NOERROR;
    case SourceKind::kCd:
      *name = "CD audio";
      return MMSYSERR_NOERROR;
    case SourceKind::kDemo:
      *name = "Orvel demo music";
      return MMSYSERR_NOERROR;
    case SourceKind::kScripted:
      *name = "Scripted input";
      return MMSYSERR_NOERROR;
  }
  return MMSYSERR_BADDEVICEID;
}

void SetLossNotifier(LossNotifier notifier) {
  std::lock_guard<std::mutex> hold(C().lock);
  C().notifier = std::move(notifier);
}

void NotifyLoss(const std::string& reason) {
  const std::string text =
      "The sound input went away (" + reason + "). Orvel goes on without sound.";
  LossNotifier notifier;
  {
    std::lock_guard<std::mutex> hold(C().lock);
    notifier = C().notifier;
  }
  if (notifier) {
    notifier(text);
  } else {
    ShowLoss(text);
  }
}

}  // namespace orvel::wave
