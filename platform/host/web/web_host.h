// The browser host: the program compiled to WebAssembly shows its windows on canvases of the
// page (page/orvel_page.js) and takes the page's mouse and keys. It runs without threads: the
// message loop's idle wait sleeps through Asyncify, which gives the page its turn, and runs
// the clock's callbacks (the sound back end's periods among them) on the way.
#ifndef ORVEL_HOST_WEB_WEB_HOST_H
#define ORVEL_HOST_WEB_WEB_HOST_H

#include <stdint.h>

namespace orvel::host {

struct WebSettings {
  // Virtual time (the pixel tests): the clock jumps as in the headless host, and the About box
  // and message boxes are answered with Enter as soon as they are shown.
  bool virtualTime = false;
  // Virtual time only: at this moment, in microseconds, the page shows every window as it is
  // and the program stands still there for good (-1: never).
  int64_t stopAtMicros = -1;
};

// Installs the browser host and chooses the clock (the real one, or the virtual one), with
// the clock's callbacks run by the message loop's thread, the only one there is.
void UseWeb(const WebSettings& settings);

}  // namespace orvel::host

#endif
