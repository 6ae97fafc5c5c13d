// Deadlines of the tests that wait for an event (a program's output, a file growing, a
// callback), scaled for slow or loaded machines: ORVEL_TEST_WAIT_SCALE (default 1) multiplies
// each, as it does in the shell tests (wait.sh).
#ifndef ORVEL_TESTS_SUPPORT_WAIT_SCALE_H
#define ORVEL_TESTS_SUPPORT_WAIT_SCALE_H

#include <stdlib.h>

namespace orvel::test {

// The factor, from ORVEL_TEST_WAIT_SCALE: a positive number; anything else counts as 1.
inline double WaitScale() {
  const char* text = getenv("ORVEL_TEST_WAIT_SCALE");
  char* end = nullptr;
  const double scale = text ? strtod(text, &end) : 1.0;
  return text && end != text && *end == '\0' && scale > 0 ? scale : 1.0;
}

// A deadline given in milliseconds on an idle machine, scaled; at least 1.
inline long ScaledMillis(long millis) {
  const double scaled = static_cast<double>(millis) * WaitScale();
  return scaled < 1 ? 1 : static_cast<long>(scaled);
}

}  // namespace orvel::test

#endif
