// The benchmark page's runner: every registered benchmark, timed on the page's clock, one line
// each on standard output ("name microseconds-per-iteration iterations-per-batch"), which
// bench.html shows in a table.
#include <emscripten.h>
#include <stdio.h>

#include <algorithm>
#include <memory>

#include "benchmark/benchmark.h"

namespace benchmark {
namespace {

// A batch of frames lasts at least kBatchMillis; batches are run for kTotalMillis.
constexpr double kBatchMillis = 4;
constexpr double kTotalMillis = 300;

std::vector<std::unique_ptr<Benchmark>>& All() {
  static std::vector<std::unique_ptr<Benchmark>> all;
  return all;
}

// Milliseconds that `n` iterations take.
double Time(const Benchmark& b, int64_t argument, int64_t n) {
  State state(n, argument);
  const double start = emscripten_get_now();
  b.Run(state);
  return emscripten_get_now() - start;
}

// The mean of the fastest batch, in microseconds. The page can only read the wall clock, which
// also counts the time that other programs had the CPU; a batch of a few milliseconds is
// often not interrupted at all, so the fastest one is the frame's own cost, as the native
// benchmark's CPU time is.
double MeanMicros(const Benchmark& b, int64_t argument, int64_t* iterations) {
  // The batch's size from the fastest of three tries, which an interruption seldom all hit:
  // a batch sized by an interrupted try would be too short for the page's coarse clock.
  int64_t n = 1;
  while (n < (int64_t{1} << 30) && std::min({Time(b, argument, n), Time(b, argument, n),
                                             Time(b, argument, n)}) < kBatchMillis) {
    n *= 2;
  }
  double fastest = Time(b, argument, n);
  for (double spent = fastest; spent < kTotalMillis;) {
    const double millis = Time(b, argument, n);
    fastest = std::min(fastest, millis);
    spent += millis;
  }
  *iterations = n;
  return fastest * 1000 / static_cast<double>(n);
}

}  // namespace

Benchmark* Register(std::string name, std::function<void(State&)> run) {
  All().push_back(std::make_unique<Benchmark>(std::move(name), std::move(run)));
  return All().back().get();
}

}  // namespace benchmark

int main() {
  for (const auto& b : benchmark::All()) {
    std::vector<int64_t> arguments = b->Arguments();
    const bool plain = arguments.empty();
    if (plain) arguments.push_back(0);
    for (int64_t argument : arguments) {
      std::string name = b->Name();
      if (!plain) name += "/" + b->ArgName() + ":" + std::to_string(argument);
      int64_t iterations = 0;
      const double micros = benchmark::MeanMicros(*b, argument, &iterations);
      printf("%s %.2f %lld\n", name.c_str(), micros, static_cast<long long>(iterations));
    }
  }
  printf("done\n");
  return 0;
}
