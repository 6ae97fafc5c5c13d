#include "loopback.h"

#include <map>
#include <mutex>

namespace orvel::wave::loopback {
namespace {

struct Tap {
  audio::Capture onFrames;
  bool running = false;
};

// Captures are called with the lock held, so closing one waits for a delivery in flight.
struct Cable {
  std::mutex lock;
  std::map<int, Tap> taps;
  int next = 1;
};

// Never destroyed: an output thread may still publish while the program exits.
Cable& C() {
  static Cable* cable = new Cable;
  return *cable;
}

class TapStream : public audio::Stream {
 public:
  explicit TapStream(int id) : id_(id) {}
  ~TapStream() override {
    std::lock_guard<std::mutex> hold(C().lock);
    C().taps.erase(id_);
  }
  void Run(bool running) override {
    std::lock_guard<std::mutex> hold(C().lock);
    C().taps[id_].running = running;
  }

 private:
  int id_;
};

}  // namespace

void Publish(const float* frames, int count) {
  std::lock_guard<std::mutex> hold(C().lock);
  for (auto& entry : C().taps) {
    if (entry.second.running) entry.second.onFrames(frames, count);
  }
}

std::unique_ptr<audio::Stream> OpenCapture(audio::Capture onFrames) {
  std::lock_guard<std::mutex> hold(C().lock);
  const int id = C().next++;
  C().taps[id].onFrames = std::move(onFrames);
  return std::make_unique<TapStream>(id);
}

}  // namespace orvel::wave::loopback
