// The toolkit's per-call cost on a memory surface the size of the main window's client area.
#include "draw/draw.h"
#include "gdi/surface.h"

#include <benchmark/benchmark.h>

namespace {

struct Target {
  orvel::gdi::Surface surface{561, 411};
  HDC dc = orvel::gdi::CreateSurfaceDC(&surface, 0, 0, RECT{0, 0, 561, 411});
  ~Target() { DeleteDC(dc); }
};

// A window-wide panel band: 554 x 37, 19 row pairs, one pen each.
void BM_DrawShadedRows554x37(benchmark::State& state) {
  Target t;
  for (auto _ : state) {
    DrawShadedRows(t.dc, 3, 3, 557, 40, 210, 210, 170, 0.6f, 1.0f);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawShadedRows554x37);

// The clock line: a 22-pixel font made, used and deleted on every call.
void BM_DrawOpaqueText22(benchmark::State& state) {
  Target t;
  for (auto _ : state) {
    DrawOpaqueText(t.dc, 20, 300, 542, 340, "Ariel", 22, 0, TextAlignCentre, "12:34:56", 0, 0, 0, 0,
                   255, 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DrawOpaqueText22);

}  // namespace
