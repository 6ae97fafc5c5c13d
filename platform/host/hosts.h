// Choosing where windows appear. Call one of these before the first window is created.
#ifndef ORVEL_HOST_HOSTS_H
#define ORVEL_HOST_HOSTS_H

#include <string>

namespace orvel::host {

// The SDL2 host: every top-level window (dialogs included) becomes an OS window of its client
// size. Fails, with *error set to "no display available: ..." (naming --headless as the way
// out), when no display can be opened; the layer then stays on the headless host.
bool UseSdl(std::string* error);

// The SDL2 host's window pixels per client pixel, 1..8 (larger values are held at 8), each
// client pixel shown as a square block; 0, the default, chooses it from the display's DPI.
// The program keeps drawing and taking mouse input in client pixels. Call before UseSdl.
void SetScale(int scale);
// Whether the SDL2 host's windows other than dialogs start full screen. Call before UseSdl.
void SetFullscreen(bool fullscreen);

// Ends the SDL2 host, if it is in use: closes its OS windows and, when no other part of the
// program still uses SDL, the display connection. Call at the end of the program, after the
// message loop; the layer is on the headless host afterwards.
void Shutdown();

// How the headless host treats boxes that wait for a user.
struct HeadlessSettings {
  // Modal dialogs (the About box) are answered as a user pressing Enter would, once shown,
  // after their caption is written to standard error. Off, a dialog waits for injected input
  // (headless.h), as tests drive it.
  bool answerDialogs = false;
};

// The headless host: windows live in memory only; input is injected (headless.h) and message
// boxes are written to standard error ("caption: text") and answered with IDOK, as Enter would.
void UseHeadless(const HeadlessSettings& settings = {});

}  // namespace orvel::host

#endif
