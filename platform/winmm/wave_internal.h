// Inside the wave-input layer: the chosen source, shared by wave_sources.cpp and wave_in.cpp,
// and the hooks that tests use.
#ifndef ORVEL_WINMM_WAVE_INTERNAL_H
#define ORVEL_WINMM_WAVE_INTERNAL_H

#include <stdint.h>

#include <functional>
#include <memory>
#include <string>

#include "generator.h"

namespace orvel::wave {

// kCd: what the CD player plays, through the loopback cable (loopback.h).
enum class SourceKind { kDefault, kMonitor, kFile, kDemo, kScripted, kCd, kNone };

struct SourceChoice {
  SourceKind kind = SourceKind::kDefault;
  std::string path;                 // kFile: as given
  std::shared_ptr<Generator> file;  // kFile: opened once, by ChooseInput
  std::string device;               // kMonitor: the SDL capture device's name
  ScriptFill fill;                  // kScripted
  bool lost = false;                // SimulateDeviceLoss: the device is gone until another choice
};

SourceChoice CurrentChoice();

// Whether the chosen source can be opened: MMSYSERR_NOERROR, MMSYSERR_BADDEVICEID (no such
// device) or MMSYSERR_NODRIVER (the sound system is missing). `name` gets a device name.
unsigned CheckSource(const SourceChoice& choice, std::string* name);

// Marks every open device lost (no more data); true if one was recording. In wave_in.cpp.
bool LoseOpenDevices();

// Tells the user that the input went away. By default a message box on the window thread;
// tests replace it to see the text.
using LossNotifier = std::function<void(const std::string& text)>;
void SetLossNotifier(LossNotifier notifier);
void NotifyLoss(const std::string& reason);

}  // namespace orvel::wave

#endif
