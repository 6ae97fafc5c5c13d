// What a host does until one is installed: sleep on the clock, and answer message boxes on
// standard error.
#include <stdio.h>

#include "kernel/clock.h"
#include "user/host.h"

namespace orvel::user {
namespace {

std::unique_ptr<Host>& HostSlot() {
  static std::unique_ptr<Host> host;
  return host;
}

}  // namespace

void Host::Wait(int64_t deadlineMicros) {
  if (deadlineMicros < 0) {
    clock::WaitForWake();
  } else {
    clock::WaitUntil(deadlineMicros);
  }
}

void Host::Wake() {
  clock::Wake();
}

int Host::MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return IDOK;
}

void SetHost(std::unique_ptr<Host> host) {
  HostSlot() = std::move(host);
}

Host& CurrentHost() {
  static Host fallback;
  return HostSlot() ? *HostSlot() : fallback;
}

}  // namespace orvel::user
