// The benchmark page's runner: every registered benchmark, timed on the page's clock, one line
// each on standard output ("name microseconds-per-iteration iterations"), which bench.html
// shows in a table.
#include <emscripten.h>
#include <stdio.h>

#include <memory>

#include "benchmark/benchmark.h"

namespace benchmark {
namespace {

constexpr double kMinSeconds = 0.3;

std::vector<std::unique_ptr<Benchmark>>& All() {
  static std::vector<std::unique_ptr<Benchmark>> all;
  return all;
}

// Doubles the iterations until a run lasts kMinSeconds; the last run's mean, in microseconds.
double MeanMicros(const Benchmark& b, int64_t argument, int64_t* iterations) {
  for (int64_t n = 1;; n *= 2) {
    State state(n, argument);
    const double start = emscripten_get_now();
    b.Run(state);
    const double millis = emscripten_get_now() - start;
    if (millis >= kMinSeconds * 1000 || n >= (int64_t{1} << 30)) {
      *iterations = n;
      return millis * 1000 / static_cast<double>(n);
    }
  }
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
