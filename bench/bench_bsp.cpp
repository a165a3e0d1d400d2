// Compile of generated maps that fill the wall table, with the side tests
// per second and the cost of one side test against a bare loop doing the same
// arithmetic on the same number of records.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "model/clsMap.h"

namespace {

using kv::Long;

// Walls go ten to an area, so the area table (201 entries) holds a full map.
// Every generator below adds a multiple of ten walls.
void addLine(kv::clsMap& m, Long x1, Long y1, Long x2, Long y2) {
  const Long i = m.wallCount, first = i - i % 10;
  if (i % 10 == 0) m.startArea(i, 0);
  m.addWall(x1, y1, x2, y2, first, i % 10 == 9 ? -1 : i + 1);
  if (i % 10 == 9) m.endArea();
}

// Short walls scattered over a field; as many as still fit once split.
std::unique_ptr<kv::clsMap> randomShortWalls() {
  std::mt19937 gen(11);
  std::uniform_int_distribution<int> pos(0, 4000), len(-20, 20);
  for (int n = 1900; n > 0; n -= 50) {
    auto m = std::make_unique<kv::clsMap>();
    for (int i = 0; i < n; ++i) {
      Long x = pos(gen), y = pos(gen), dx = len(gen), dy = len(gen);
      addLine(*m, x, y, x + dx, y + (dx == 0 && dy == 0 ? 1 : dy));
    }
    kv::clsMap trial = *m;
    try {
      trial.createBSP();
      return m;
    } catch (const kv::MapError&) {
    }
  }
  return nullptr;
}

// 14 x 14 closed squares on a grid, each of ten walls (sides of 3, 2, 3 and 2
// pieces): 1960 walls in 196 areas. The lines of one square pass the others
// only through end points, so nothing splits.
std::unique_ptr<kv::clsMap> gridOfSquares() {
  auto m = std::make_unique<kv::clsMap>();
  const Long corners[5][2] = {{0, 0}, {60, 0}, {60, 60}, {0, 60}, {0, 0}};
  const int parts[4] = {3, 2, 3, 2};
  for (Long r = 0; r < 14; ++r)
    for (Long c = 0; c < 14; ++c)
      for (int side = 0; side < 4; ++side)
        for (int k = 0; k < parts[side]; ++k) {
          auto at = [&](int q, int axis) {
            const Long from = corners[side][axis], to = corners[side + 1][axis];
            return (axis ? r : c) * 80 + from + (to - from) * q / parts[side];
          };
          addLine(*m, at(k, 0), at(k, 1), at(k + 1, 0), at(k + 1, 1));
        }
  return m;
}

// 2000 parallel walls: the tree is a chain 2000 deep and every level tests
// all the walls below it.
std::unique_ptr<kv::clsMap> parallelChain() {
  auto m = std::make_unique<kv::clsMap>();
  for (Long i = 0; i < 2000; ++i) addLine(*m, 0, 3 * i, 50, 3 * i);
  return m;
}

// The arithmetic of one side test (denominator, side of the first end point,
// their quotient, the open-range check) over a plain array, `count` times.
double bareLoopSeconds(const kv::clsMap& m, std::uint64_t count) {
  struct R {
    double x1, y1, x2, y2;
  };
  std::vector<R> recs;
  for (Long i = 0; i < m.wallCount; ++i) {
    const auto& w = m.walls[i];
    recs.push_back({double(w.x1), double(w.y1), double(w.x2), double(w.y2)});
  }
  const R s = recs[0];
  const double a = s.y1 - s.y2, b = s.x2 - s.x1;
  std::uint64_t cuts = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (std::uint64_t k = 0, i = 0; k < count; ++k, i = (i + 1 == recs.size() ? 0 : i + 1)) {
    const R& c = recs[i];
    const double d = (s.y2 - s.y1) * (c.x2 - c.x1) - (s.x2 - s.x1) * (c.y2 - c.y1);
    if (d == 0) continue;
    const double u = ((c.x1 - s.x1) * a + (c.y1 - s.y1) * b) / d;
    cuts += (0 < u && u < 1);
  }
  benchmark::DoNotOptimize(cuts);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void runCompile(benchmark::State& state, std::unique_ptr<kv::clsMap> source) {
  if (!source) {
    state.SkipWithError("no map of this kind fits the table");
    return;
  }
  kv::clsMap work = *source;
  double compileSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    work = *source;
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    work.createBSP();
    compileSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  const std::uint64_t tests = work.bspSideTests;
  const double perCompile = compileSeconds / double(state.iterations());
  state.counters["walls_in"] = double(source->wallCount);
  state.counters["pieces"] = double(work.wallCount);
  state.counters["side_tests"] = double(tests);
  state.counters["side_tests/s"] = benchmark::Counter(double(tests) * double(state.iterations()), benchmark::Counter::kIsRate);
  // Best of a few runs, so a stray scheduling pause does not flatter the ratio.
  double bare = bareLoopSeconds(*source, tests);
  for (int i = 0; i < 4; ++i) bare = std::min(bare, bareLoopSeconds(*source, tests));
  state.counters["x_bare_loop"] = bare > 0 ? perCompile / bare : 0;
}

void BM_CompileRandomShortWalls(benchmark::State& state) { runCompile(state, randomShortWalls()); }
void BM_CompileGridOfSquares(benchmark::State& state) { runCompile(state, gridOfSquares()); }
void BM_CompileParallelChain(benchmark::State& state) { runCompile(state, parallelChain()); }

BENCHMARK(BM_CompileRandomShortWalls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompileGridOfSquares)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompileParallelChain)->Unit(benchmark::kMillisecond);

}  // namespace
