// wave-probe [--input SOURCE] MILLISECONDS: records 8-bit mono 22050 Hz from the default
// wave-in device (WAVE_MAPPER), the format Orvel records in, and prints what it got:
//   samples N min LO max HI mean M
// LO and HI are the lowest and highest unsigned samples (128 is silence), M their mean. The
// first quarter second is left out, while the sound system starts. The same source builds for
// Windows and for the portable layer, so the two capture paths can be held against each other.
// --input chooses the portable build's source (as orvel's option does); Windows records from
// its default device. Exit codes: 0 recorded; 1 a wave-in call failed (its text is printed);
// 2 bad usage.
#include <windows.h>
#include <mmsystem.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#ifdef _WIN32
static bool ChooseSource(const std::string& spec) {
  if (spec.empty()) return true;
  fprintf(stderr, "wave-probe: --input is for the portable build only\n");
  return false;
}
static void Pause(int ms) {
  Sleep(static_cast<DWORD>(ms));
}
#else
#include <unistd.h>

#include "winmm/wave_sources.h"
static bool ChooseSource(const std::string& spec) {
  std::string error;
  if (orvel::wave::ChooseInput(spec.empty() ? "default" : spec, &error)) return true;
  fprintf(stderr, "wave-probe: %s\n", error.c_str());
  return false;
}
static void Pause(int ms) {
  usleep(static_cast<useconds_t>(ms) * 1000);
}
#endif

namespace {

constexpr int kRate = 22050;
constexpr int kBufferSamples = kRate / 20;  // 50 ms
constexpr int kBuffers = 4;
constexpr int kSkipSamples = kRate / 4;

struct Stats {
  long count = 0;
  int low = 255;
  int high = 0;
  double sum = 0;
  void Add(const BYTE* data, DWORD length) {
    for (DWORD i = 0; i < length; ++i) {
      low = data[i] < low ? data[i] : low;
      high = data[i] > high ? data[i] : high;
      sum += data[i];
    }
    count += static_cast<long>(length);
  }
};

int Failed(const char* call, MMRESULT status) {
  char text[256] = "";
  waveInGetErrorTextA(status, text, sizeof text);
  fprintf(stderr, "wave-probe: %s failed (%u): %s\n", call, status, text);
  return 1;
}

// Records until `wanted` samples after the skipped start have arrived.
int Record(HWAVEIN device, WAVEHDR* headers, long wanted, Stats* stats) {
  long skipped = 0;
  for (int spins = 0; stats->count < wanted; ++spins) {
    if (spins > 200 + wanted / 10) {
      fprintf(stderr, "wave-probe: the device stopped delivering\n");
      return 1;
    }
    bool any = false;
    for (int b = 0; b < kBuffers; ++b) {
      WAVEHDR* h = &headers[b];
      if (!(h->dwFlags & WHDR_DONE)) continue;
      any = true;
      const BYTE* data = reinterpret_cast<const BYTE*>(h->lpData);
      DWORD length = h->dwBytesRecorded;
      const long skip = skipped < kSkipSamples ? kSkipSamples - skipped : 0;
      const DWORD dropped = skip < static_cast<long>(length) ? static_cast<DWORD>(skip) : length;
      skipped += static_cast<long>(dropped);
      stats->Add(data + dropped, length - dropped);
      const MMRESULT status = waveInAddBuffer(device, h, sizeof *h);
      if (status != MMSYSERR_NOERROR) return Failed("waveInAddBuffer", status);
    }
    if (!any) Pause(10);
  }
  return 0;
}

int Probe(long milliseconds) {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = kRate;
  format.wBitsPerSample = 8;
  format.nBlockAlign = 1;
  format.nAvgBytesPerSec = kRate;
  HWAVEIN device = nullptr;
  MMRESULT status = waveInOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
  if (status != MMSYSERR_NOERROR) return Failed("waveInOpen", status);
  static BYTE data[kBuffers][kBufferSamples];
  WAVEHDR headers[kBuffers] = {};
  int result = 0;
  for (int b = 0; b < kBuffers && result == 0; ++b) {
    headers[b].lpData = reinterpret_cast<LPSTR>(data[b]);
    headers[b].dwBufferLength = kBufferSamples;
    status = waveInPrepareHeader(device, &headers[b], sizeof headers[b]);
    if (status == MMSYSERR_NOERROR)
      status = waveInAddBuffer(device, &headers[b], sizeof headers[b]);
    if (status != MMSYSERR_NOERROR) result = Failed("waveInAddBuffer", status);
  }
  Stats stats;
  if (result == 0) {
    waveInStart(device);
    result = Record(device, headers, milliseconds * kRate / 1000, &stats);
  }
  waveInReset(device);
  for (int b = 0; b < kBuffers; ++b) waveInUnprepareHeader(device, &headers[b], sizeof headers[b]);
  waveInClose(device);
  if (result != 0) return result;
  printf("samples %ld min %d max %d mean %.2f\n", stats.count, stats.low, stats.high,
         stats.sum / static_cast<double>(stats.count));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input;
  int arg = 1;
  if (argc == 4 && strcmp(argv[1], "--input") == 0) {
    input = argv[2];
    arg = 3;
  }
  const long milliseconds = arg == argc - 1 ? atol(argv[arg]) : 0;
  if (milliseconds <= 0 || milliseconds > 60000) {
    fprintf(stderr, "usage: wave-probe [--input SOURCE] MILLISECONDS (1 to 60000)\n");
    return 2;
  }
  if (!ChooseSource(input)) return 1;
  return Probe(milliseconds);
}
