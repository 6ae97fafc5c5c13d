// A whole-program session for tests: runs Orvel's WinMain on the headless host under the
// virtual clock, with a scripted or demo sound source, and carries out actions at given
// virtual times (keys on the About box, clicks at window coordinates, snapshots, closing).
//
// WinMain keeps its state in globals, so run one session per process (GoogleTest cases under
// gtest_discover_tests each get their own process).
#ifndef ORVEL_TESTS_SUPPORT_SESSION_H
#define ORVEL_TESTS_SUPPORT_SESSION_H

#include <windows.h>

#include <stdint.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gdi/surface.h"
#include "host/headless.h"

namespace orvel::disc {
class Disc;
}

namespace orvel::test {

// The samples a scripted source records: `count` unsigned 8-bit samples (128 = silence)
// from sample index `first` of a 22050 Hz stream (sample n is recorded at n / 22050 s).
using SampleSource = std::function<void(int64_t first, uint8_t* out, int count)>;

// Every sample the same value.
SampleSource Constant(uint8_t value);

struct Result {
  int exitCode = -1;
  std::vector<headless::MessageBoxRecord> messageBoxes;
};

class Session {
 public:
  // The input: scripted samples (silence unless set), the built-in demo music, or no device.
  void UseSamples(SampleSource source);
  void UseDemo();
  void UseNoDevice();
  // The CD player plays the disc image or folder at `spec`, and the input is what it plays
  // (until another Use... call). Without this the computer has no CD drive.
  void UseCd(const std::string& spec);
  // The same with a disc made by the test, such as a drive held in memory.
  void UseCd(std::shared_ptr<disc::Disc> disc);

  // Runs `action` on a clock worker at `seconds` of virtual time, while the window thread
  // waits; input it injects is handled after it returns.
  void At(double seconds, std::function<void()> action);

  // Runs `action` on the window's thread at `seconds`, inside its message retrieval (so the
  // app's globals and WindowDC may be used as its own handlers use them).
  void OnWindowThread(double seconds, std::function<void()> action);
  // Stops timer 2 at `seconds`: the buffer is no longer handed back, so after the frame in
  // flight no more frames come and the program owns CaptureBuffer.
  void StopFrames(double seconds);

  // Presses a key on the dialog that is open then (Enter closes the About box).
  void KeyOnDialog(double seconds, int virtualKey);
  // Closes the About box with Enter: the usual first step, at 0.1 s.
  void CloseAbout(double seconds = 0.1);
  // Clicks or double-clicks the main window at client coordinates.
  void Click(double seconds, int x, int y);
  void DoubleClick(double seconds, int x, int y);
  // Copies the main window's client area into *picture.
  void Snapshot(double seconds, gdi::Surface* picture);
  // Posts WM_CLOSE to the main window.
  void Close(double seconds);

  // Runs WinMain to its end. If nothing has closed the window by `limitSeconds` of virtual
  // time, the session closes any open dialog and then the window.
  Result Run(double limitSeconds = 600.0);

 private:
  enum class Input { kSamples, kDemo, kNoDevice, kCd };
  Input input_ = Input::kSamples;
  SampleSource samples_;
  std::string cd_;
  std::shared_ptr<disc::Disc> cdDisc_;
  std::vector<std::pair<int64_t, std::function<void()>>> actions_;
};

// The main window of the running session (null before it is created).
HWND MainWindowOfSession();

}  // namespace orvel::test

#endif
