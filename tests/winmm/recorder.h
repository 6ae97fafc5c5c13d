// Test helpers: a wave-in callback that records what it is told, and a device opened on it.
#ifndef ORVEL_TESTS_WINMM_RECORDER_H
#define ORVEL_TESTS_WINMM_RECORDER_H

#include <windows.h>
#include <mmsystem.h>

#include <mutex>
#include <thread>
#include <vector>

namespace orvel::test {

struct WaveEvent {
  UINT msg;
  DWORD_PTR param1;
  std::thread::id thread;
};

class Recorder {
 public:
  static void CALLBACK Callback(HWAVEIN, UINT msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR) {
    auto* self = reinterpret_cast<Recorder*>(instance);
    std::lock_guard<std::mutex> hold(self->lock_);
    self->events_.push_back({msg, p1, std::this_thread::get_id()});
  }

  std::vector<WaveEvent> Events() {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
  }

  // The headers of the WIM_DATA messages so far, in order.
  std::vector<WAVEHDR*> Data() {
    std::vector<WAVEHDR*> headers;
    for (const WaveEvent& e : Events()) {
      if (e.msg == WIM_DATA) headers.push_back(reinterpret_cast<WAVEHDR*>(e.param1));
    }
    return headers;
  }

  MMRESULT Open(HWAVEIN* device, int rate = 22050, int channels = 1, int bits = 8) {
    PCMWAVEFORMAT format = {};
    format.wf.wFormatTag = WAVE_FORMAT_PCM;
    format.wf.nChannels = static_cast<WORD>(channels);
    format.wf.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wf.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.wf.nAvgBytesPerSec = format.wf.nSamplesPerSec * format.wf.nBlockAlign;
    format.wBitsPerSample = static_cast<WORD>(bits);
    return waveInOpen(device, WAVE_MAPPER, reinterpret_cast<LPCWAVEFORMATEX>(&format),
                      reinterpret_cast<DWORD_PTR>(&Callback), reinterpret_cast<DWORD_PTR>(this),
                      CALLBACK_FUNCTION);
  }

 private:
  std::mutex lock_;
  std::vector<WaveEvent> events_;
};

// A header and its data block, as the app allocates them.
struct Buffer {
  explicit Buffer(size_t bytes) : data(bytes, 0xEE) {
    header.lpData = reinterpret_cast<LPSTR>(data.data());
    header.dwBufferLength = static_cast<DWORD>(bytes);
  }
  WAVEHDR header = {};
  std::vector<uint8_t> data;
};

}  // namespace orvel::test

#endif
