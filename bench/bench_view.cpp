// A full redraw of the map view with a full wall table on the raster surface
// (BM_Redraw2001), the same redraw on the surface as it was before
// (BM_RedrawBaseline2001), and a bare loop drawing just the walls' lines into
// a pixel array (BM_BareLines2001), the floor a redraw is compared with.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "baseline_surface.h"
#include "redraw_scenes.h"
#include "view/mapeditor.h"
#include "view/mapview.h"
#include "view/surface.h"

namespace {

constexpr int kWidth = 1000, kHeight = 800;

// A full redraw of the full table on the given raster surface.
template <class Raster>
void redrawOn(benchmark::State& state) {
  auto m = kvtest::fullWallTableMap();
  Raster s(kWidth, kHeight);
  kv::ScriptedDialogs ui;
  kv::MapEditor ed(*m, s, ui);
  for (auto _ : state) {
    ed.redraw();
    benchmark::DoNotOptimize(s.pixels().data());
  }
  state.counters["walls"] = m->wallCount;
}

void BM_Redraw2001(benchmark::State& state) { redrawOn<kv::RasterSurface>(state); }
BENCHMARK(BM_Redraw2001)->Unit(benchmark::kMillisecond);

void BM_RedrawBaseline2001(benchmark::State& state) { redrawOn<kvbaseline::BaselineRasterSurface>(state); }
BENCHMARK(BM_RedrawBaseline2001)->Unit(benchmark::kMillisecond);

// Each wall's screen end points and its line, a pixel per step along the
// longer axis, written straight into the picture.
void BM_BareLines2001(benchmark::State& state) {
  auto m = kvtest::fullWallTableMap();
  std::vector<std::uint32_t> px(size_t(kWidth) * kHeight);
  for (auto _ : state) {
    for (kv::Long i = 0; i < m->wallCount; ++i) {
      const kv::Wall& w = m->walls[size_t(i)];
      const long x1 = std::lrint(kv::scaleDrawX(*m, float(w.x1))), y1 = std::lrint(kv::scaleDrawY(*m, float(w.y1)));
      const long x2 = std::lrint(kv::scaleDrawX(*m, float(w.x2))), y2 = std::lrint(kv::scaleDrawY(*m, float(w.y2)));
      const long dx = x2 - x1, dy = y2 - y1, n = std::max(std::labs(dx), std::labs(dy));
      const auto colour = std::uint32_t(kv::wallColour(*m, w.wallTx));
      for (long k = 0; k <= n; ++k) {
        const long x = n ? x1 + std::lrint(double(k) * dx / n) : x1, y = n ? y1 + std::lrint(double(k) * dy / n) : y1;
        if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) px[size_t(y) * kWidth + size_t(x)] = colour;
      }
    }
    benchmark::DoNotOptimize(px.data());
  }
  state.counters["walls"] = m->wallCount;
}
BENCHMARK(BM_BareLines2001)->Unit(benchmark::kMillisecond);

}  // namespace
