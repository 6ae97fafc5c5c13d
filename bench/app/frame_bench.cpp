// CPU time of ProcessFrame per display mode, drawing into a window-sized surface clipped to
// the display area as WindowDC is. Every frame gets the next 64 samples of a changing signal.
#include <benchmark/benchmark.h>

#include <math.h>
#include <stdlib.h>

#include <vector>

#include <windows.h>
#include <mmsystem.h>

#include "app/state.h"
#include "audio/capture.h"
#include "audio/frame.h"
#include "displays/gauge.h"
#include "displays/graph.h"
#include "displays/pattern_cells.h"
#include "displays/pulse_sphere.h"
#include "displays/spectrum_bars.h"
#include "gdi/surface.h"

namespace {

// Two tones and a beat, 8-bit unsigned, one second at 22050 Hz.
const std::vector<unsigned char>& Signal() {
  static const std::vector<unsigned char> signal = [] {
    std::vector<unsigned char> s(22050);
    for (size_t n = 0; n < s.size(); ++n) {
      const double t = n / 22050.0;
      const double beat = 0.5 + 0.5 * sin(2 * M_PI * 2 * t);
      const double v = beat * (60 * sin(2 * M_PI * 440 * t) + 30 * sin(2 * M_PI * 2750 * t));
      s[n] = static_cast<unsigned char>(128 + lround(v));
    }
    return s;
  }();
  return signal;
}

// The window's state as start-up leaves it, with WindowDC over an off-screen surface.
void SetUpOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  static orvel::gdi::Surface surface(561, 411);
  WindowDC = orvel::gdi::CreateSurfaceDC(&surface, 0, 0, RECT{0, 0, 561, 411});
  DisplayClip =
      CreateRectRgn(kDisplayArea.left, kDisplayArea.top, kDisplayArea.right, kDisplayArea.bottom);
  SelectClipRgn(WindowDC, DisplayClip);
  InitPointTables();
  CreateInstruments();
  TheGauge->DrawFace(WindowDC);
  TheGraph->UpdateLayout(WindowDC);
  SampleStep = 8;
  InitSpectrumBars();
  InitPatternCells();
  ThePulseSphere.scaleStep = 0.2f;
  SpeedSetting = 30;
  ColorTable[0] = 0x002AB0E2;
  static WAVEHDR header = {};
  static char data[64];
  header.lpData = data;
  header.dwBufferLength = 64;
  header.dwFlags = WHDR_DONE;  // returned by the device: a frame skips a buffer still queued
  CaptureBuffer = &header;
}

void RunFrames(benchmark::State& state, int mode, int kind, int variant) {
  SetUpOnce();
  DisplayMode = mode;
  for (PatternCell& cell : PatternCells) cell.kind = kind;
  SphereVariant = variant;
  const std::vector<unsigned char>& signal = Signal();
  size_t offset = 0;
  for (auto _ : state) {
    for (int i = 0; i < 64; ++i) CaptureBuffer->lpData[i] = static_cast<char>(signal[offset + i]);
    offset = (offset + 735) % (signal.size() - 64);  // 1/30 s further on
    ProcessFrame();
  }
}

void BM_Patterns(benchmark::State& s) {
  RunFrames(s, kModePatterns, static_cast<int>(s.range(0)), 0);
}
void BM_Sphere(benchmark::State& s) {
  RunFrames(s, kModeSphere, 0, static_cast<int>(s.range(0)));
}

BENCHMARK_CAPTURE(RunFrames, Dots, kModeDots, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RunFrames, Bezier, kModeBezier, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RunFrames, Extents, kModeExtents, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RunFrames, SlowChart, kModeSlowChart, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RunFrames, FastChart, kModeFastChart, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RunFrames, Gauge, kModeGauge, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RunFrames, SpectrumBars, kModeBars, 0, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Patterns)->DenseRange(1, 6)->ArgName("kind")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sphere)->DenseRange(0, 3)->ArgName("variant")->Unit(benchmark::kMicrosecond);

}  // namespace
