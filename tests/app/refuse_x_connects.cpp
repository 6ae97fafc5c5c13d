// Preloaded into Orvel by busy_display_test.sh: the first four connections to an X server's
// socket fail with EAGAIN, as they do while a busy server's queue of connections to accept is
// full. Other sockets are left alone.
#include <dlfcn.h>
#include <errno.h>
#include <stddef.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>

namespace {

constexpr int kRefusals = 4;
std::atomic<int> refused{0};

bool IsXSocket(const sockaddr* address, socklen_t length) {
  if (address == nullptr || address->sa_family != AF_UNIX) return false;
  const auto* local = reinterpret_cast<const sockaddr_un*>(address);
  const size_t bytes = length - offsetof(sockaddr_un, sun_path);
  // Abstract names start with a zero byte; both kinds carry /tmp/.X11-unix/X<n>.
  const char needle[] = ".X11-unix/X";
  return memmem(local->sun_path, bytes, needle, sizeof needle - 1) != nullptr;
}

}  // namespace

extern "C" int connect(int fd, const sockaddr* address, socklen_t length) {
  using Connect = int (*)(int, const sockaddr*, socklen_t);
  static const auto real = reinterpret_cast<Connect>(dlsym(RTLD_NEXT, "connect"));
  if (IsXSocket(address, length) && refused.fetch_add(1) < kRefusals) {
    errno = EAGAIN;
    return -1;
  }
  return real(fd, address, length);
}
