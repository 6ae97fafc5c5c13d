#include "audio_backend.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "kernel/clock.h"

namespace orvel::wave::audio {
namespace {

// The shared part of a paced stream: the clock's callback holds `lock` while it runs, so the
// stream's destructor, which takes it too, waits for a callback in flight.
struct PacedState {
  std::mutex lock;
  bool alive = true;
  bool running = false;
  int rate = 0;
  int channels = 0;
  Capture capture;  // one of the two
  Playback fill;
  int64_t origin = 0;  // clock time of frame 0 of the current run
  int64_t frames = 0;  // frames handed over in the current run
  clock::EventId event = 0;
  std::vector<float> buffer;
};

int64_t DueMicros(const PacedState& s, int64_t frames) {
  return s.origin + (frames * 1000000 + s.rate - 1) / s.rate;
}

void Tick(const std::shared_ptr<PacedState>& state);

// Asks the clock for the next period; the caller holds the state's lock. A period is pulled
// when it starts, as a sound card fills its buffer ahead of what it plays.
void ScheduleNext(const std::shared_ptr<PacedState>& s) {
  std::weak_ptr<PacedState> weak = s;
  s->event = clock::ScheduleAt(DueMicros(*s, s->frames), [weak] {
    if (auto state = weak.lock()) Tick(state);
  });
}

void Tick(const std::shared_ptr<PacedState>& s) {
  std::lock_guard<std::mutex> hold(s->lock);
  if (!s->alive || !s->running) return;
  if (s->fill) {
    s->fill(s->buffer.data(), kPacedFrames);
  } else {
    std::fill(s->buffer.begin(), s->buffer.end(), 0.0f);
    s->capture(s->buffer.data(), kPacedFrames);
  }
  s->frames += kPacedFrames;
  ScheduleNext(s);
}

class PacedStream : public Stream {
 public:
  explicit PacedStream(std::shared_ptr<PacedState> state) : state_(std::move(state)) {}
  ~PacedStream() override {
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->alive = false;
    clock::Cancel(state_->event);
  }
  void Run(bool running) override {
    std::lock_guard<std::mutex> hold(state_->lock);
    if (running == state_->running) return;
    state_->running = running;
    if (!running) {
      clock::Cancel(state_->event);
      return;
    }
    state_->origin = clock::NowMicros();
    state_->frames = 0;
    ScheduleNext(state_);
  }

 private:
  std::shared_ptr<PacedState> state_;
};

std::unique_ptr<Stream> MakePaced(int rate, int channels, Capture capture, Playback fill) {
  auto state = std::make_shared<PacedState>();
  state->rate = std::max(1, rate);
  state->channels = std::max(1, channels);
  state->capture = std::move(capture);
  state->fill = std::move(fill);
  state->buffer.resize(static_cast<size_t>(kPacedFrames) * static_cast<size_t>(state->channels));
  return std::make_unique<PacedStream>(std::move(state));
}

class PacedBackend : public Backend {
 public:
  std::unique_ptr<Stream> OpenCapture(const std::string& device, int rate, int channels,
                                      Capture onFrames, Lost onLost, std::string* error) override {
    return MakePaced(rate, channels, std::move(onFrames), nullptr);
  }
  std::unique_ptr<Stream> OpenPlayback(int rate, int channels, Playback fill, Lost onLost,
                                       std::string* error) override {
    return MakePaced(rate, channels, nullptr, std::move(fill));
  }
};

}  // namespace

std::string Backend::FindMonitor(std::string* error) {
  *error = "this sound system records no monitor of its output";
  return "";
}

bool Backend::CaptureDeviceNames(std::vector<std::string>* names, std::string* error) {
  names->clear();
  return true;
}

Backend& Paced() {
  static PacedBackend* backend = new PacedBackend;
  return *backend;
}

Backend& Current() {
  return clock::Current() == clock::Mode::kVirtual ? Paced() : SoundSystem();
}

std::unique_ptr<Stream> OpenPlaybackOrPaced(int rate, int channels, Playback fill, Lost onLost) {
  std::string error;
  // The sound system may keep the fill (it is copied into the stream) only when it opens.
  if (auto stream = Current().OpenPlayback(rate, channels, fill, onLost, &error)) return stream;
  return Paced().OpenPlayback(rate, channels, std::move(fill), std::move(onLost), &error);
}

}  // namespace orvel::wave::audio
