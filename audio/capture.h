// Wave-input capture: one 64-byte buffer of 8-bit mono samples at 22050 Hz cycles between the
// driver and the program. The driver fills it and the callback posts WM_WAVEFRAME; the frame
// is drawn; timer 2 (33 ms) hands the buffer back. So at most about 30 frames a second are
// drawn, each a 2.9 ms snapshot of the sound.
#ifndef ORVEL_AUDIO_CAPTURE_H
#define ORVEL_AUDIO_CAPTURE_H

#include <windows.h>
#include <mmsystem.h>

// The one capture buffer: a WAVEHDR on the process heap whose lpData holds 64 samples
// (unsigned, 128 = silence, as the driver delivers them). Null before StartCapture and after
// FreeCaptureBuffer.
extern LPWAVEHDR CaptureBuffer;
extern HWAVEIN WaveDevice;
extern MMRESULT WaveStatus;  // the result of the latest wave-input call

// Opens the default input device, queues the buffer, starts recording and sets timer 1
// (1000 ms) and timer 2 (33 ms) on `window`. On failure shows a message box owned by
// `window`, releases what it had acquired and returns false.
bool StartCapture(HWND window);

// The driver's callback (on the driver's thread): posts WM_WAVEFRAME to the window whose
// handle is `instance` for WIM_DATA, with lParam the filled header; ignores everything else.
void CALLBACK WaveInCallback(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                             DWORD_PTR param2);

// Timer 2: hands the buffer back to the driver. An add of a buffer that is still queued is
// refused by the driver and tried again at the next tick; the result is not examined (a
// device that has gone away is reported by the system, and frames simply stop).
void RequeueCapture(HWND window);

// At window destruction: stops the device, takes the buffer back from it, closes it, then
// frees the buffer. Safe to call again.
void FreeCaptureBuffer();

#endif
