// rand and srand as the native build's C library (glibc) has them, in place of the browser C
// library's own: the program's random colours and shapes come from rand, and the page is to
// show the same pixels as the native window for the same seed. glibc's generator is an
// additive lagged-Fibonacci one over 31 words (x[n] = x[n-3] + x[n-31], the top 31 bits
// returned), seeded by a Park-Miller sequence and run 310 steps before its first number.
#include <stdint.h>
#include <stdlib.h>

namespace {

constexpr int kDegree = 31;
constexpr int kSeparation = 3;

struct State {
  uint32_t words[kDegree];
  int front = kSeparation;
  int rear = 0;
};

int32_t Next(State& s) {
  s.words[s.front] += s.words[s.rear];
  const int32_t result = static_cast<int32_t>(s.words[s.front] >> 1);
  s.front = (s.front + 1) % kDegree;
  s.rear = (s.rear + 1) % kDegree;
  return result;
}

void Seed(State& s, unsigned seed) {
  int32_t word = seed == 0 ? 1 : static_cast<int32_t>(seed);
  s.words[0] = static_cast<uint32_t>(word);
  for (int i = 1; i < kDegree; ++i) {
    // 16807 * word mod (2^31 - 1), without overflow (Schrage's method), as glibc does it.
    const int32_t high = word / 127773, low = word % 127773;
    word = 16807 * low - 2836 * high;
    if (word < 0) word += 2147483647;
    s.words[i] = static_cast<uint32_t>(word);
  }
  s.front = kSeparation;
  s.rear = 0;
  for (int i = 0; i < kDegree * 10; ++i) Next(s);
}

// Without srand, the sequence is that of seed 1, as in any C library.
State& TheState() {
  static State state = [] {
    State s;
    Seed(s, 1);
    return s;
  }();
  return state;
}

}  // namespace

extern "C" void srand(unsigned seed) {
  Seed(TheState(), seed);
}

extern "C" int rand(void) {
  return Next(TheState());
}
