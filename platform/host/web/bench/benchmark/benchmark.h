// The part of Google Benchmark's interface that bench/app/frame_bench.cpp uses, for the browser
// build, where the library is not built: the same benchmark source runs on the benchmark page
// (bench.html). Each benchmark runs for at least kMinSeconds of the page's clock; the mean wall
// time per iteration is reported (the page has one thread, so it is the CPU time too).
#ifndef ORVEL_WEB_BENCHMARK_H
#define ORVEL_WEB_BENCHMARK_H

#include <stdint.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace benchmark {

enum TimeUnit { kMicrosecond };

class State {
 public:
  State(int64_t iterations, int64_t argument) : left_(iterations), argument_(argument) {}
  int64_t range(int index) const { return index == 0 ? argument_ : 0; }

  // `for (auto _ : state)` runs the body once for each iteration asked for.
  struct Iteration {};
  class Iterator {
   public:
    explicit Iterator(int64_t* left) : left_(left) {}
    bool operator!=(const Iterator&) const { return *left_ > 0; }
    void operator++() { --*left_; }
    Iteration operator*() const { return {}; }

   private:
    int64_t* left_;
  };
  Iterator begin() { return Iterator(&left_); }
  Iterator end() { return Iterator(&left_); }

 private:
  int64_t left_;
  int64_t argument_;
};

// One registered benchmark, with the arguments it runs with (none: one run).
class Benchmark {
 public:
  Benchmark(std::string name, std::function<void(State&)> run)
      : name_(std::move(name)), run_(std::move(run)) {}
  Benchmark* Unit(TimeUnit) { return this; }
  Benchmark* ArgName(const char* name) {
    argName_ = name;
    return this;
  }
  Benchmark* DenseRange(int64_t first, int64_t last) {
    for (int64_t a = first; a <= last; ++a) arguments_.push_back(a);
    return this;
  }
  const std::string& Name() const { return name_; }
  const std::string& ArgName() const { return argName_; }
  const std::vector<int64_t>& Arguments() const { return arguments_; }
  void Run(State& state) const { run_(state); }

 private:
  std::string name_;
  std::string argName_ = "arg";
  std::vector<int64_t> arguments_;
  std::function<void(State&)> run_;
};

Benchmark* Register(std::string name, std::function<void(State&)> run);

}  // namespace benchmark

#define ORVEL_BENCH_JOIN2(a, b) a##b
#define ORVEL_BENCH_JOIN(a, b) ORVEL_BENCH_JOIN2(a, b)
#define BENCHMARK(function)                                                            \
  [[maybe_unused]] static ::benchmark::Benchmark* ORVEL_BENCH_JOIN(bench_, __LINE__) = \
      ::benchmark::Register(#function, function)
#define BENCHMARK_CAPTURE(function, name, ...)                                         \
  [[maybe_unused]] static ::benchmark::Benchmark* ORVEL_BENCH_JOIN(bench_, __LINE__) = \
      ::benchmark::Register(#function "/" #name,                                       \
                            [](::benchmark::State& s) { function(s, __VA_ARGS__); })

#endif
