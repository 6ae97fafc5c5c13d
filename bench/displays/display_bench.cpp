// Per-frame CPU time of each display, driven as the frame processing drives it: on a window-sized
// memory DC clipped to the display area, with band values and levels from a synthetic signal.
#include "app/state.h"
#include "audio/fftmisc.h"
#include "displays/graph.h"
#include "displays/pattern_cells.h"
#include "displays/pulse_sphere.h"
#include "displays/gauge.h"
#include "displays/spectrum_bars.h"

#include <windows.h>

#include <benchmark/benchmark.h>

#include <math.h>
#include <stdlib.h>

#include <memory>
#include <vector>

namespace {

const int kFrameCount = 256;

// The display area of a 561 x 411 client area, as the window's DC is clipped at start-up.
class WindowLikeDC {
 public:
  WindowLikeDC() {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, 561, 411);
    old = SelectObject(dc, bitmap);
    HRGN clip =
        CreateRectRgn(kDisplayArea.left, kDisplayArea.top, kDisplayArea.right, kDisplayArea.bottom);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
  }
  ~WindowLikeDC() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc;

 private:
  HBITMAP bitmap;
  HGDIOBJ old;
};

// A few seconds of a chord with a beat, as signed samples, 64 per frame.
std::vector<float> Samples(int frame) {
  std::vector<float> s(64);
  const double beat = 0.3 + 0.7 * fabs(sin(frame * 0.21));
  for (int i = 0; i < 64; ++i) {
    const double t = (frame * 64 + i) / 22050.0;
    const double v = 50 * sin(2 * M_PI * 440 * t) + 30 * sin(2 * M_PI * 1320 * t) +
                     20 * sin(2 * M_PI * 3300 * t) + (rand() % 21 - 10);
    s[i] = static_cast<float>(trunc(v * beat));
  }
  return s;
}

struct Frame {
  float bars[32];
  float patterns[32];
  float level;        // 0..99, as the chart receives it
  float sphereLevel;  // 0..25
};

const std::vector<Frame>& Frames() {
  static const std::vector<Frame> frames = [] {
    srand(11);
    std::vector<Frame> out(kFrameCount);
    float realOut[64], imagOut[64];
    for (int f = 0; f < kFrameCount; ++f) {
      const std::vector<float> s = Samples(f);
      fft_float(64, 0, s.data(), nullptr, realOut, imagOut);
      double sum = 0;
      for (float v : s) sum += v * v;
      for (int i = 1; i < 32; ++i) {
        const double w = i * 2 * 0.015625 + 1;
        out[f].bars[i] = static_cast<float>(fabs(realOut[i]) * w);
        out[f].patterns[i] = static_cast<float>(fabs(realOut[i] * 0.3333333333333333) * w * 0.4);
      }
      out[f].level = static_cast<float>(sqrt(sum / 64) * 0.78);
      out[f].sphereLevel = static_cast<float>(sqrt(sum / 64) * 25 / 128);
    }
    return out;
  }();
  return frames;
}

void BM_SpectrumBars(benchmark::State& state) {
  WindowLikeDC window;
  SampleStep = 8;
  InitSpectrumBars();
  int f = 0;
  for (auto _ : state) {
    const Frame& frame = Frames()[f++ % kFrameCount];
    for (int i = 1; i < 32; ++i) DrawBar(SpectrumBars[i], window.dc, frame.bars[i]);
  }
}
BENCHMARK(BM_SpectrumBars);

void BM_PatternCells(benchmark::State& state) {
  WindowLikeDC window;
  InitPointTables();
  srand(5);
  InitPatternCells();
  for (PatternCell& cell : PatternCells) cell.kind = static_cast<int>(state.range(0));
  int f = 0;
  for (auto _ : state) {
    const Frame& frame = Frames()[f++ % kFrameCount];
    for (int i = 1; i < 32; ++i) DrawPatternCell(PatternCells[i], window.dc, frame.patterns[i]);
    PatternSpin = static_cast<float>(PatternSpin + 0.1);
  }
}
BENCHMARK(BM_PatternCells)->DenseRange(kCircle, kStarRing);

void BM_PulseSphere(benchmark::State& state) {
  WindowLikeDC window;
  auto sphere = std::make_unique<PulseSphere>(10.0f, 276.0f, 175.0f, 0.0f);
  sphere->scaleStep = 0.2f;
  sphere->green = 255.0f;
  const int variant = static_cast<int>(state.range(0));
  int f = 0;
  for (auto _ : state) {
    const Frame& frame = Frames()[f++ % kFrameCount];
    Rotate(*sphere, 2.0f, 0);
    Rotate(*sphere, 2.0f, 2);
    Draw(*sphere, window.dc, variant, frame.sphereLevel);
  }
}
BENCHMARK(BM_PulseSphere)->DenseRange(0, 3);

void BM_ChartPlot(benchmark::State& state) {
  WindowLikeDC window;
  graph chart(180, 180, 150, 2);
  SetUpGraph(chart);
  chart.UpdateLayout(window.dc);
  int f = 0;
  for (auto _ : state) chart.Plot(window.dc, Frames()[f++ % kFrameCount].level);
}
BENCHMARK(BM_ChartPlot);

// The gauge as start-up sets it up.
gauge StartUpGauge() {
  gauge meter(255, 0, 0);
  SetUpGauge(meter);
  return meter;
}

void BM_GaugeShowValue(benchmark::State& state) {
  WindowLikeDC window;
  gauge meter = StartUpGauge();
  meter.DrawFace(window.dc);
  int f = 0;
  for (auto _ : state) {
    meter.ShowValue(window.dc, Frames()[f++ % kFrameCount].level * 100.0f / 128.0f);
  }
}
BENCHMARK(BM_GaugeShowValue);

void BM_GaugeDrawFace(benchmark::State& state) {
  WindowLikeDC window;
  gauge meter = StartUpGauge();
  for (auto _ : state) meter.DrawFace(window.dc);
}
BENCHMARK(BM_GaugeDrawFace);

}  // namespace
