// The cost of the primitives a frame is made of, on a surface the size of the main window's
// client area. The large rectangle's fill rate is compared with memset over the same pixels.
#include "gdi/surface.h"

#include <benchmark/benchmark.h>
#include <windows.h>

#include <math.h>
#include <string.h>

namespace {

constexpr int kWidth = 561, kHeight = 411;

// A surface DC with a pen and brush selected, as a display draws.
class Frame {
 public:
  Frame()
      : surface_(kWidth, kHeight),
        dc_(orvel::gdi::CreateSurfaceDC(&surface_, 0, 0, RECT{0, 0, kWidth, kHeight})) {
    pen_ = CreatePen(PS_SOLID, 0, RGB(0, 255, 0));
    brush_ = CreateSolidBrush(RGB(0, 0, 160));
    oldPen_ = SelectObject(dc_, pen_);
    oldBrush_ = SelectObject(dc_, brush_);
  }
  ~Frame() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  orvel::gdi::Surface& surface() { return surface_; }

 private:
  orvel::gdi::Surface surface_;
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_, oldBrush_;
};

constexpr int kRectW = 522, kRectH = 200;

void BM_RectangleFill(benchmark::State& state) {
  Frame f;
  for (auto _ : state) {
    Rectangle(f.dc(), 20, 100, 20 + kRectW, 100 + kRectH);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRectW * kRectH);
  state.SetBytesProcessed(state.iterations() * kRectW * kRectH * 4);
}
BENCHMARK(BM_RectangleFill);

void BM_MemsetSameArea(benchmark::State& state) {
  Frame f;
  uint32_t* pixels = f.surface().pixels.data();
  for (auto _ : state) {
    for (int y = 100; y < 100 + kRectH; ++y)
      memset(pixels + static_cast<size_t>(y) * kWidth + 20, 0x5A, kRectW * 4);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRectW * kRectH);
  state.SetBytesProcessed(state.iterations() * kRectW * kRectH * 4);
}
BENCHMARK(BM_MemsetSameArea);

void BM_Ellipse100(benchmark::State& state) {
  Frame f;
  for (auto _ : state) {
    Ellipse(f.dc(), 200, 150, 300, 250);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Ellipse100);

void BM_StarPolygon50(benchmark::State& state) {
  Frame f;
  POINT star[10];
  for (int i = 0; i < 10; ++i) {
    double a = i * 3.14159265358979 / 5, r = (i % 2) ? 20 : 50;
    star[i] = {static_cast<LONG>(280 + r * sin(a)), static_cast<LONG>(200 - r * cos(a))};
  }
  for (auto _ : state) {
    Polygon(f.dc(), star, 10);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_StarPolygon50);

void BM_FiftyLines100(benchmark::State& state) {
  Frame f;
  for (auto _ : state) {
    MoveToEx(f.dc(), 30, 150, nullptr);
    for (int i = 0; i < 50; ++i) LineTo(f.dc(), 30 + (i % 2) * 100, 150 + (i % 7) * 7);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 50);
}
BENCHMARK(BM_FiftyLines100);

void BM_BitBltScroll426x180(benchmark::State& state) {
  Frame f;
  for (auto _ : state) {
    BitBlt(f.dc(), 20, 110, 426, 180, f.dc(), 21, 110, SRCCOPY);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 426 * 180 * 4);
}
BENCHMARK(BM_BitBltScroll426x180);

void BM_TextWithNewFont(benchmark::State& state) {
  Frame f;
  SetBkMode(f.dc(), OPAQUE);
  for (auto _ : state) {
    HFONT font = CreateFontA(22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Ariel");
    HGDIOBJ old = SelectObject(f.dc(), font);
    TextOutA(f.dc(), 33, 70, "Sunday, 6 December, 2026, 08:16:02", 34);
    SelectObject(f.dc(), old);
    DeleteObject(font);
  }
}
BENCHMARK(BM_TextWithNewFont);

}  // namespace

namespace {

// The fixed cost of a call: handle lookups and clip set-up around one pixel.
void BM_SetPixel(benchmark::State& state) {
  Frame f;
  int i = 0;
  for (auto _ : state) {
    SetPixel(f.dc(), 20 + (i & 255), 200, RGB(255, 0, 0));
    ++i;
  }
}
BENCHMARK(BM_SetPixel);

// A small quad with a pen and brush of its own, made, selected, used, put back and deleted,
// as a display draws each cell of a chequered surface.
void BM_QuadWithFreshPenAndBrush(benchmark::State& state) {
  Frame f;
  const POINT quad[4] = {{200, 200}, {209, 201}, {210, 209}, {201, 208}};
  COLORREF colour = 0;
  for (auto _ : state) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HBRUSH brush = CreateSolidBrush(colour++ & 0xFFFFFF);
    HGDIOBJ oldPen = SelectObject(f.dc(), pen);
    HGDIOBJ oldBrush = SelectObject(f.dc(), brush);
    Polygon(f.dc(), quad, 4);
    SelectObject(f.dc(), oldPen);
    SelectObject(f.dc(), oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
  }
}
BENCHMARK(BM_QuadWithFreshPenAndBrush);

// The same quad with the pen and brush already selected: the drawing alone.
void BM_QuadAlone(benchmark::State& state) {
  Frame f;
  const POINT quad[4] = {{200, 200}, {209, 201}, {210, 209}, {201, 208}};
  for (auto _ : state) Polygon(f.dc(), quad, 4);
}
BENCHMARK(BM_QuadAlone);

}  // namespace
