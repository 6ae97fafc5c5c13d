// The wave-input device. One buffer at a time is being recorded: the head of the device's
// queue. Its samples are fixed when it becomes the head ("the source's samples from index
// headStart on"), and it completes in one of two ways:
// - clock-paced: a clock callback at the moment its last sample is due fills it and returns
//   it. Sample index n is due at origin + n / rate; under the virtual clock origin is 0, so a
//   buffer queued at virtual time t holds the source's samples from t * rate on, whatever the
//   threads do. Used for every source under the virtual clock, for scripted input, and for
//   files and the demo when there is no sound output to pace them.
// - streamed: a sound-system thread (live capture, or the playback of a file or the demo)
//   reports new source frames and the head completes as soon as its frames have arrived.
// The device's state is one DeviceState (wave_state.h), changed only by Apply, under the
// device's one lock. Callbacks run from Deliver only, with that lock held, so WIM_ messages of
// one device never overtake each other; the lock is recursive, so a callback may add a buffer.
// The sound-system stream is started, paused and closed outside the lock, since its thread
// takes the lock to report frames.
#include <windows.h>
#include <mmsystem.h>

#include <string.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "audio_backend.h"
#include "convert.h"
#include "generator.h"
#include "kernel/clock.h"
#include "kernel/trace.h"
#include "loopback.h"
#include "wave_internal.h"
#include "wave_sources.h"
#include "wave_state.h"

namespace orvel::wave {
namespace {

// The fields of WAVEHDR this layer touches all lie before lpNext, so a caller that passes
// (and allocates) only that much, as a 32-bit program's 32-byte header on a 64-bit build
// does, is served without anything written past it.
constexpr UINT kMinHeaderSize = offsetof(WAVEHDR, lpNext);

struct Device {
  HWAVEIN handle = nullptr;
  PcmFormat fmt;
  LPWAVECALLBACK callback = nullptr;
  DWORD_PTR instance = 0;
  std::shared_ptr<Generator> gen;
  std::unique_ptr<Converter> conv;  // gen's frames to fmt
  RingGenerator* ring = nullptr;    // gen, when it is live input
  std::unique_ptr<audio::Stream> stream;
  bool streamed = false;
  int64_t origin = 0;              // clock-paced: the clock time of output sample 0
  int64_t delay = 0;               // streamed: output samples the picture lags the sound
  std::atomic<int64_t> played{0};  // streamed playback: source frames handed to the output

  std::recursive_mutex lock;  // everything below, and delivery
  DeviceState state = DeviceState::kStopped;
  std::deque<WAVEHDR*> queue;
  int64_t headStart = 0;  // recording: the output index of the head's first sample
  int64_t lastEnd = 0;    // the output index after the last sample returned
  uint64_t heads = 0;     // heads begun so far: a clock callback for an earlier one is stale
  std::vector<float> scratch;
};

using DevicePtr = std::shared_ptr<Device>;

struct Table {
  std::mutex lock;
  std::map<uintptr_t, DevicePtr> devices;
  uintptr_t next = 1;
};

// Never destroyed: sound-system threads may still look devices up while the program exits.
Table& T() {
  static Table* table = new Table;
  return *table;
}

DevicePtr Find(HWAVEIN handle) {
  std::lock_guard<std::mutex> hold(T().lock);
  auto it = T().devices.find(reinterpret_cast<uintptr_t>(handle));
  return it == T().devices.end() ? nullptr : it->second;
}

int Samples(const Device& d, const WAVEHDR* h) {
  return static_cast<int>(h->dwBufferLength / static_cast<DWORD>(d.fmt.BlockBytes()));
}

// The next output sample index that the source has not yet delivered.
int64_t NowIndex(const Device& d) {
  if (d.streamed) {
    const int64_t frames = d.ring ? d.ring->FramesWritten() : d.played.load();
    return std::max<int64_t>(0, d.conv->Available(frames) - d.delay);
  }
  const int64_t elapsed = std::max<int64_t>(0, clock::NowMicros() - d.origin);
  return elapsed * d.fmt.rate / 1000000;
}

int64_t DueMicros(const Device& d, int64_t endIndex) {
  return d.origin + (endIndex * 1000000 + d.fmt.rate - 1) / d.fmt.rate;
}

// Writes `count` samples from output index `first` on into the buffer.
void Fill(Device& d, WAVEHDR* h, int64_t first, int count) {
  if (count <= 0) return;
  if (d.ring && !d.streamed) {
    // Live input under the clock: the freshest samples the device has.
    const int64_t ready = d.conv->Available(d.ring->FramesWritten()) - d.delay;
    first = std::max<int64_t>(0, ready - count);
  }
  const FrameSpan span = d.conv->Span(first, count);
  d.scratch.resize(static_cast<size_t>(span.Frames()) * static_cast<size_t>(d.gen->Channels()));
  d.gen->Read(span.first, span.Frames(), d.scratch.data());
  d.conv->Convert(d.scratch.data(), first, count, reinterpret_cast<uint8_t*>(h->lpData));
}

void MarkDone(WAVEHDR* h, DWORD bytes) {
  h->dwBytesRecorded = bytes;
  h->dwFlags = (h->dwFlags | WHDR_DONE) & ~static_cast<DWORD>(WHDR_INQUEUE);
}

// Samples of the head recorded so far, for a stop or reset in the middle of it.
int RecordedSoFar(const Device& d) {
  if (d.state != DeviceState::kRecording) return 0;
  const int64_t n = NowIndex(d) - d.headStart;
  return static_cast<int>(std::clamp<int64_t>(n, 0, Samples(d, d.queue.front())));
}

// Takes the head off the queue with its first `count` samples recorded.
WAVEHDR* ReturnHead(Device& d, int count) {
  WAVEHDR* h = d.queue.front();
  d.queue.pop_front();
  Fill(d, h, d.headStart, count);
  MarkDone(h, static_cast<DWORD>(count * d.fmt.BlockBytes()));
  d.lastEnd = d.headStart + count;
  return h;
}

void OnDue(const std::weak_ptr<Device>& weak, uint64_t head);

// The one place that calls the device's callback. The caller holds the lock.
void Deliver(Device& d, UINT msg, DWORD_PTR param1) {
  if (d.callback) d.callback(d.handle, msg, d.instance, param1, 0);
}

// Carries out what `event` means in the device's state (wave_state.h) and delivers the
// buffers it returns. False when the state refused the event. The caller holds the lock.
bool Apply(const DevicePtr& d, DeviceEvent event) {
  const DeviceState was = d->state;
  const Transition t = Next(was, event, static_cast<int>(d->queue.size()));
  if (t.refused) return false;
  std::vector<WAVEHDR*> done;
  if (t.completeHead) done.push_back(ReturnHead(*d, Samples(*d, d->queue.front())));
  if (t.haltHead) {
    const int recorded = RecordedSoFar(*d);
    if (recorded > 0 || t.returnAll) done.push_back(ReturnHead(*d, recorded));
  }
  for (; t.returnAll && !d->queue.empty(); d->queue.pop_front()) {
    MarkDone(d->queue.front(), 0);
    done.push_back(d->queue.front());
  }
  d->state = t.next;
  // A head that ends or begins makes whatever was due for the one before stale.
  if (t.completeHead || t.haltHead || t.beginHead || t.next != DeviceState::kRecording) {
    ++d->heads;
  }
  if (t.beginHead) {
    // A head that follows a returned one goes on where it ended, with no gap.
    d->headStart = event == DeviceEvent::kHeadDone ? d->lastEnd : NowIndex(*d);
    if (!d->streamed) {
      const uint64_t head = d->heads;
      std::weak_ptr<Device> weak = d;
      clock::ScheduleAt(DueMicros(*d, d->headStart + Samples(*d, d->queue.front())),
                        [weak, head] { OnDue(weak, head); });
    }
  }
  for (WAVEHDR* h : done) Deliver(*d, WIM_DATA, reinterpret_cast<DWORD_PTR>(h));
  return true;
}

void OnDue(const std::weak_ptr<Device>& weak, uint64_t head) {
  DevicePtr d = weak.lock();
  if (!d) return;
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  if (d->heads == head) Apply(d, DeviceEvent::kHeadDone);
}

// Streamed devices: completes every head whose frames have arrived. On the sound thread.
void Pump(const DevicePtr& d) {
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  while (d->state == DeviceState::kRecording &&
         NowIndex(*d) >= d->headStart + Samples(*d, d->queue.front())) {
    Apply(d, DeviceEvent::kHeadDone);
  }
}

// Marks a device lost; true if it was not already (or closed).
bool Lose(const DevicePtr& d) {
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  return Apply(d, DeviceEvent::kLose);
}

void OnStreamLost(const std::weak_ptr<Device>& weak, const std::string& reason) {
  DevicePtr d = weak.lock();
  if (d && Lose(d)) NotifyLoss(reason);
}

bool ValidFormat(const WAVEFORMATEX* f, PcmFormat* out) {
  // A PCM format may come as a 16-byte PCMWAVEFORMAT: cbSize is not read.
  if (f->wFormatTag != WAVE_FORMAT_PCM) return false;
  if (f->nChannels != 1 && f->nChannels != 2) return false;
  if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return false;
  if (f->nSamplesPerSec < static_cast<DWORD>(kMinRate) ||
      f->nSamplesPerSec > static_cast<DWORD>(kMaxRate)) {
    return false;
  }
  out->rate = static_cast<int>(f->nSamplesPerSec);
  out->channels = f->nChannels;
  out->bits = f->wBitsPerSample;
  if (f->nBlockAlign != out->BlockBytes()) return false;
  return f->nAvgBytesPerSec == f->nSamplesPerSec * f->nBlockAlign;
}

// The device's generator, from the chosen source.
MMRESULT MakeGenerator(Device& d, const SourceChoice& choice) {
  switch (choice.kind) {
    case SourceKind::kScripted:
      d.gen = MakeScriptedGenerator(choice.fill);
      break;
    case SourceKind::kDemo:
      d.gen = MakeDemoGenerator();
      break;
    case SourceKind::kFile:
      d.gen = choice.file;  // opened when it was chosen
      break;
    case SourceKind::kDefault:
    case SourceKind::kMonitor:
    case SourceKind::kCd: {
      // The sound system converts live input to the device's rate and channels; the CD's
      // cable carries the player's own frames.
      const bool cd = choice.kind == SourceKind::kCd;
      const int rate = cd ? loopback::kRate : d.fmt.rate;
      auto ring = std::make_unique<RingGenerator>(
          rate, cd ? loopback::kChannels : d.fmt.channels,
          rate + PictureDelayMicros() * rate / 1000000);  // a second more than the delay
      d.ring = ring.get();
      d.gen = std::move(ring);
      break;
    }
    case SourceKind::kNone:
      return MMSYSERR_BADDEVICEID;
  }
  d.conv = std::make_unique<Converter>(d.gen->Rate(), d.gen->Channels(), d.fmt);
  return MMSYSERR_NOERROR;
}

// Gives the device its source and, where one is needed, its sound-system stream: live input
// is captured; a file or the demo is heard in real time and paced by the output (by the
// clock when there is no output); under the virtual clock only live input opens a stream.
MMRESULT Connect(const DevicePtr& d, const SourceChoice& choice) {
  const MMRESULT made = MakeGenerator(*d, choice);
  if (made != MMSYSERR_NOERROR) return made;
  const bool virtualClock = clock::Current() == clock::Mode::kVirtual;
  // A picture shown later than its sound: each buffer holds the samples of that much earlier.
  // Paced by the clock, sample 0 is simply due that much later.
  const int64_t delay = PictureDelayMicros();
  d->origin = (virtualClock ? 0 : clock::NowMicros()) + delay;
  d->delay = delay * d->fmt.rate / 1000000;
  std::string error;
  std::weak_ptr<Device> weak = d;
  auto lost = [weak](const std::string& reason) { OnStreamLost(weak, reason); };
  Device* raw = d.get();  // the stream is closed before the device goes
  if (d->ring) {
    auto onFrames = [raw, weak](const float* frames, int count) {
      raw->ring->Append(frames, count);
      if (!raw->streamed) return;
      if (DevicePtr self = weak.lock()) Pump(self);
    };
    d->stream = choice.kind == SourceKind::kCd
                    ? loopback::OpenCapture(onFrames)
                    : audio::Current().OpenCapture(choice.device, d->fmt.rate, d->fmt.channels,
                                                   onFrames, lost, &error);
    if (!d->stream) return MMSYSERR_NODRIVER;
    d->streamed = !virtualClock;
    // Live input runs from the open on, so that the first buffer finds fresh samples.
    d->stream->Run(true);
    return MMSYSERR_NOERROR;
  }
  if (virtualClock || choice.kind == SourceKind::kScripted) return MMSYSERR_NOERROR;
  d->stream = audio::SoundSystem().OpenPlayback(
      d->gen->Rate(), d->gen->Channels(),
      [raw, weak](float* frames, int count) {
        const int64_t first = raw->played.load();
        raw->gen->Read(first, count, frames);
        raw->played.store(first + count);
        if (DevicePtr self = weak.lock()) Pump(self);
      },
      lost, &error);
  d->streamed = d->stream != nullptr;
  return MMSYSERR_NOERROR;
}

// WAVE_MAPPER or device 0, the one device. WAVE_MAPPER arrives as (UINT)-1, or widened to
// all ones where the id is pointer-sized.
bool KnownDevice(UINT_PTR id) {
  return id == 0 || id == WAVE_MAPPER || id == static_cast<UINT_PTR>(-1);
}

// Checks a header passed to prepare, unprepare or add.
MMRESULT CheckHeader(const WAVEHDR* h, UINT size) {
  if (!h || size < kMinHeaderSize || !h->lpData) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

// A device that plays its source aloud follows start and stop; live input keeps running.
void RunPlayback(Device& d, bool running) {
  if (d.stream && !d.ring) d.stream->Run(running);
}

}  // namespace

bool LoseOpenDevices() {
  std::vector<DevicePtr> devices;
  {
    std::lock_guard<std::mutex> hold(T().lock);
    for (auto& entry : T().devices) devices.push_back(entry.second);
  }
  bool any = false;
  for (auto& d : devices) any = Lose(d) || any;
  return any;
}

}  // namespace orvel::wave

using namespace orvel::wave;

UINT WINAPI waveInGetNumDevs(void) {
  ORVEL_TRACE_CALL(kWinmm);
  std::string name;
  return CheckSource(CurrentChoice(), &name) == MMSYSERR_NOERROR ? 1 : 0;
}

MMRESULT WINAPI waveInGetDevCapsA(UINT_PTR uDeviceID, LPWAVEINCAPSA pwic, UINT cbwic) {
  ORVEL_TRACE_CALL(kWinmm);
  if (!pwic) return MMSYSERR_INVALPARAM;
  if (!KnownDevice(uDeviceID)) return MMSYSERR_BADDEVICEID;
  std::string name;
  const MMRESULT status = CheckSource(CurrentChoice(), &name);
  if (status != MMSYSERR_NOERROR) return status;
  WAVEINCAPSA caps;
  memset(&caps, 0, sizeof caps);
  caps.wMid = 1;                       // MM_MICROSOFT, as the wave mapper reports
  caps.wPid = uDeviceID == 0 ? 0 : 2;  // MM_WAVE_MAPPER
  caps.vDriverVersion = 0x0100;
  snprintf(caps.szPname, sizeof caps.szPname, "%s", name.c_str());
  caps.dwFormats = WAVE_FORMAT_1M08 | WAVE_FORMAT_1S08 | WAVE_FORMAT_1M16 | WAVE_FORMAT_1S16 |
                   WAVE_FORMAT_2M08 | WAVE_FORMAT_2S08 | WAVE_FORMAT_2M16 | WAVE_FORMAT_2S16 |
                   WAVE_FORMAT_4M08 | WAVE_FORMAT_4S08 | WAVE_FORMAT_4M16 | WAVE_FORMAT_4S16;
  caps.wChannels = 2;
  memcpy(pwic, &caps, std::min<size_t>(cbwic, sizeof caps));
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                           DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen) {
  ORVEL_TRACE_CALL(kWinmm);
  if (phwi && !(fdwOpen & WAVE_FORMAT_QUERY)) *phwi = nullptr;
  if (!pwfx) return MMSYSERR_INVALPARAM;
  if (fdwOpen & ~static_cast<DWORD>(CALLBACK_TYPEMASK | WAVE_FORMAT_QUERY)) {
    return MMSYSERR_INVALFLAG;
  }
  const DWORD callbackType = fdwOpen & CALLBACK_TYPEMASK;
  if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_FUNCTION) {
    // Known gap: window, thread and event callbacks.
    ORVEL_TRACE_UNSUPPORTED(kWinmm, "callback kind not supported, fails (0x%llx)", callbackType);
    return MMSYSERR_NOTSUPPORTED;
  }
  if (!KnownDevice(uDeviceID)) return MMSYSERR_BADDEVICEID;
  const SourceChoice choice = CurrentChoice();
  std::string name;
  const MMRESULT status = CheckSource(choice, &name);
  if (status != MMSYSERR_NOERROR) return status;
  auto d = std::make_shared<Device>();
  if (!ValidFormat(pwfx, &d->fmt)) return WAVERR_BADFORMAT;
  if (fdwOpen & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
  if (!phwi) return MMSYSERR_INVALPARAM;
  if (callbackType == CALLBACK_FUNCTION) {
    d->callback = reinterpret_cast<LPWAVECALLBACK>(dwCallback);
    d->instance = dwInstance;
  }
  const MMRESULT connected = Connect(d, choice);
  if (connected != MMSYSERR_NOERROR) return connected;
  {
    std::lock_guard<std::mutex> hold(T().lock);
    // Handles are never reused, so a stale one is always refused.
    const uintptr_t key = (T().next++ << 4) | 0x8;
    d->handle = reinterpret_cast<HWAVEIN>(key);
    T().devices[key] = d;
  }
  *phwi = d->handle;
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  Deliver(*d, WIM_OPEN, 0);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveInClose(HWAVEIN hwi) {
  ORVEL_TRACE_CALL(kWinmm);
  DevicePtr d = Find(hwi);
  if (!d) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::recursive_mutex> hold(d->lock);
    if (d->state == DeviceState::kClosed) return MMSYSERR_INVALHANDLE;
    if (!Apply(d, DeviceEvent::kClose)) return WAVERR_STILLPLAYING;
  }
  {
    std::lock_guard<std::mutex> hold(T().lock);
    T().devices.erase(reinterpret_cast<uintptr_t>(hwi));
  }
  d->stream.reset();  // waits for the sound thread; no lock of ours is held
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  Deliver(*d, WIM_CLOSE, 0);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  ORVEL_TRACE_CALL(kWinmm);
  DevicePtr d = Find(hwi);
  if (!d) return MMSYSERR_INVALHANDLE;
  if (const MMRESULT bad = CheckHeader(pwh, cbwh)) return bad;
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  if (pwh->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  pwh->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  ORVEL_TRACE_CALL(kWinmm);
  DevicePtr d = Find(hwi);
  if (!d) return MMSYSERR_INVALHANDLE;
  if (const MMRESULT bad = CheckHeader(pwh, cbwh)) return bad;
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  if (pwh->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  pwh->dwFlags &= ~static_cast<DWORD>(WHDR_PREPARED);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  ORVEL_TRACE_CALL(kWinmm);
  DevicePtr d = Find(hwi);
  if (!d) return MMSYSERR_INVALHANDLE;
  if (const MMRESULT bad = CheckHeader(pwh, cbwh)) return bad;
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  if (!(pwh->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (pwh->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  if (pwh->dwBufferLength < static_cast<DWORD>(d->fmt.BlockBytes())) return MMSYSERR_INVALPARAM;
  // A lost device still takes buffers (they wait until a reset), so that a caller that
  // re-queues on a timer sees only WAVERR_STILLPLAYING and the user one message.
  pwh->dwFlags = (pwh->dwFlags | WHDR_INQUEUE) & ~static_cast<DWORD>(WHDR_DONE);
  pwh->dwBytesRecorded = 0;
  d->queue.push_back(pwh);
  Apply(d, DeviceEvent::kAdd);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveInStart(HWAVEIN hwi) {
  ORVEL_TRACE_CALL(kWinmm);
  DevicePtr d = Find(hwi);
  if (!d) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::recursive_mutex> hold(d->lock);
    Apply(d, DeviceEvent::kStart);
  }
  RunPlayback(*d, true);
  return MMSYSERR_NOERROR;
}

namespace {

// Stops recording; returns the head with what it holds (if anything), or with `all` every
// buffer.
MMRESULT Halt(HWAVEIN hwi, bool all) {
  DevicePtr d = Find(hwi);
  if (!d) return MMSYSERR_INVALHANDLE;
  RunPlayback(*d, false);
  std::lock_guard<std::recursive_mutex> hold(d->lock);
  Apply(d, all ? DeviceEvent::kReset : DeviceEvent::kStop);
  return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT WINAPI waveInStop(HWAVEIN hwi) {
  ORVEL_TRACE_CALL(kWinmm);
  return Halt(hwi, false);
}

MMRESULT WINAPI waveInReset(HWAVEIN hwi) {
  ORVEL_TRACE_CALL(kWinmm);
  return Halt(hwi, true);
}
