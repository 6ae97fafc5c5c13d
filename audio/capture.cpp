#include "capture.h"

#include "app/state.h"

LPWAVEHDR CaptureBuffer = nullptr;
HWAVEIN WaveDevice = nullptr;
MMRESULT WaveStatus = MMSYSERR_NOERROR;

namespace {

constexpr DWORD kSamplesPerFrame = 64;
constexpr UINT kClockTimer = 1, kCaptureTimer = 2;

WAVEINCAPSA WaveCaps;  // filled only to see that a device answers
PCMWAVEFORMAT CaptureFormat;
char ErrorText[256];

// The message box for a failed wave-input call: the system's text for WaveStatus.
void ReportWaveError(HWND window, const char* caption) {
  waveInGetErrorTextA(WaveStatus, ErrorText, 254);
  MessageBoxA(window, ErrorText, caption, MB_OK);
}

bool Fail(HWND window, const char* caption) {
  ReportWaveError(window, caption);
  FreeCaptureBuffer();
  return false;
}

bool AllocationFailed(HWND window) {
  MessageBoxA(window, "Buffer Allocation Failure", "Error", MB_OK);
  FreeCaptureBuffer();
  return false;
}

}  // namespace

bool StartCapture(HWND window) {
  WaveStatus = waveInGetDevCapsA(WAVE_MAPPER, &WaveCaps, sizeof WaveCaps);
  if (WaveStatus != MMSYSERR_NOERROR) return Fail(window, "WaveDevice Info Query Failed");

  CaptureFormat.wf.wFormatTag = WAVE_FORMAT_PCM;
  CaptureFormat.wf.nChannels = 1;
  CaptureFormat.wf.nSamplesPerSec = 22050;
  CaptureFormat.wf.nBlockAlign = 1;
  CaptureFormat.wf.nAvgBytesPerSec = CaptureFormat.wf.nBlockAlign * CaptureFormat.wf.nSamplesPerSec;
  CaptureFormat.wBitsPerSample = 8;
  WaveStatus =
      waveInOpen(&WaveDevice, WAVE_MAPPER, reinterpret_cast<LPCWAVEFORMATEX>(&CaptureFormat),
                 reinterpret_cast<DWORD_PTR>(&WaveInCallback), reinterpret_cast<DWORD_PTR>(window),
                 CALLBACK_FUNCTION);
  if (WaveStatus != MMSYSERR_NOERROR) {
    WaveDevice = nullptr;
    return Fail(window, "WaveDevice Open for Input Failed");
  }

  // sizeof(WAVEHDR): 32 bytes on 32-bit Windows, more where pointers are 64 bits wide.
  CaptureBuffer =
      static_cast<LPWAVEHDR>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(WAVEHDR)));
  if (CaptureBuffer == nullptr) return AllocationFailed(window);
  CaptureBuffer->lpData =
      static_cast<LPSTR>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kSamplesPerFrame));
  if (CaptureBuffer->lpData == nullptr) return AllocationFailed(window);
  CaptureBuffer->dwBufferLength = kSamplesPerFrame;

  WaveStatus = waveInPrepareHeader(WaveDevice, CaptureBuffer, sizeof(WAVEHDR));
  if (WaveStatus != MMSYSERR_NOERROR) return Fail(window, "Prepare Failure");
  WaveStatus = waveInAddBuffer(WaveDevice, CaptureBuffer, sizeof(WAVEHDR));
  if (WaveStatus != MMSYSERR_NOERROR) return Fail(window, "WaveDevice Add Buffer Failed");
  waveInStart(WaveDevice);

  SetTimer(window, kClockTimer, 1000, nullptr);
  SetTimer(window, kCaptureTimer, 33, nullptr);
  return true;
}

void CALLBACK WaveInCallback(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                             DWORD_PTR param2) {
  if (message == WIM_DATA) {
    PostMessageA(reinterpret_cast<HWND>(instance), WM_WAVEFRAME, 0, static_cast<LPARAM>(param1));
  }
}

void RequeueCapture(HWND window) {
  // A buffer that is still queued is refused and changes nothing: the next tick tries again.
  if (CaptureBuffer == nullptr || WaveDevice == nullptr) return;
  WaveStatus = waveInAddBuffer(WaveDevice, CaptureBuffer, sizeof(WAVEHDR));
}

void FreeCaptureBuffer() {
  if (WaveDevice != nullptr) {
    // The driver must have let go of the buffer before it is freed: reset returns it,
    // then it is unprepared and the device closed.
    waveInReset(WaveDevice);
    if (CaptureBuffer != nullptr) waveInUnprepareHeader(WaveDevice, CaptureBuffer, sizeof(WAVEHDR));
    waveInClose(WaveDevice);
    WaveDevice = nullptr;
  }
  if (CaptureBuffer != nullptr) {
    if (CaptureBuffer->lpData != nullptr) HeapFree(GetProcessHeap(), 0, CaptureBuffer->lpData);
    HeapFree(GetProcessHeap(), 0, CaptureBuffer);
    CaptureBuffer = nullptr;
  }
}
