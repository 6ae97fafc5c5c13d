// ORVEL_TRACE: says on standard error where this layer does less than Win32 would.
//
// ORVEL_TRACE is a comma-separated list of words: the rooms to watch (gdi, user, winmm, mci, or
// all of them with `all`) and, optionally, `calls`. For every watched room, each Win32 call
// made with a parameter that the layer ignores or does not support is reported once per
// function and reason:
//   orvel trace: gdi: CreatePen: dashed or inside-frame pen drawn solid (style 2)
// With `calls`, every Win32 call into a watched room is also listed by name as it is made:
//   orvel trace: gdi: call Rectangle
// The variable is read once, at the first check. Unset or empty, nothing is printed and each
// check is one load and one test.
#ifndef ORVEL_KERNEL_TRACE_H
#define ORVEL_KERNEL_TRACE_H

#include <atomic>

namespace orvel::trace {

enum Kind : unsigned {
  kGdi = 1u << 0,
  kUser = 1u << 1,
  kWinmm = 1u << 2,  // wave input
  kMci = 1u << 3,    // the media-control interface
};

namespace detail {
constexpr unsigned kCalls = 1u << 8;
constexpr unsigned kUnread = 1u << 31;
extern std::atomic<unsigned> g_mask;
unsigned ReadSwitch();
inline bool Wants(unsigned bits) {
  unsigned mask = g_mask.load(std::memory_order_relaxed);
  if (mask & kUnread) mask = ReadSwitch();
  return (mask & bits) == bits;
}
}  // namespace detail

// Whether unsupported parameters of `kind` are reported.
inline bool On(Kind kind) {
  return detail::Wants(kind);
}

// Reports that `function` was called with something it ignores or does not support. `reason`
// says what in words and may hold one %lld or %llx for `value`. Printed once per function and
// reason.
void Unsupported(Kind kind, const char* function, const char* reason, long long value = 0);

// Lists a call by name.
void ListCall(Kind kind, const char* function);

// Whether every call into `kind` is listed.
inline bool CallsOn(Kind kind) {
  return detail::Wants(kind | detail::kCalls);
}

// Sets the switch as ORVEL_TRACE would (null or "" for off), in place of the environment, and
// forgets what was printed.
void Configure(const char* value);

}  // namespace orvel::trace

// At the top of a Win32 function: lists it when `calls` is on for its room.
#define ORVEL_TRACE_CALL(kind)                                  \
  do {                                                          \
    if (::orvel::trace::CallsOn(::orvel::trace::kind))          \
      ::orvel::trace::ListCall(::orvel::trace::kind, __func__); \
  } while (0)

// In a Win32 function: reports, once, a parameter that it ignores or does not support.
#define ORVEL_TRACE_UNSUPPORTED(kind, reason, value)                      \
  do {                                                                    \
    if (::orvel::trace::On(::orvel::trace::kind))                         \
      ::orvel::trace::Unsupported(::orvel::trace::kind, __func__, reason, \
                                  static_cast<long long>(value));         \
  } while (0)

#endif
