// The compile of six real levels and three generated full tables
// (BM_Compile/<map>), with the list-walking builder it replaced as the
// baseline in the same run (BM_CompileBaseline/<map>). `side_tests` is the
// number of side tests the list walk does on that map; `side_tests/s` divides
// it by the compile's CPU time, and `x_bound` compares that rate with
// BM_SideTestBound, a vectorised loop doing one side test's arithmetic alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KV_BENCH_X86 1
#else
#define KV_BENCH_X86 0
#endif

#include "baseline_compile.h"
#include "io/mapfile.h"
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
    if (kvbaseline::createBSP(trial)) return m;
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

std::unique_ptr<kv::clsMap> level(const std::string& name) {
  auto m = std::make_unique<kv::clsMap>();
  if (kv::loadMapFile(*m, KV_BENCH_MAPS "/" + name + ".map").status != kv::ReadStatus::Ok) return nullptr;
  return m;
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// --- the side-test bound ------------------------------------------------------

// The walls of a map as plain arrays, and `count` side tests of every wall
// against splitters taken in turn: denominator, side value, their quotient
// and the open-range check, counted.
struct Soa {
  std::vector<double> x1, y1, dx, dy, ts, te;
  explicit Soa(const kv::clsMap& m) {
    for (Long i = 0; i < m.wallCount; ++i) {
      const kv::Wall& w = m.walls[i];
      x1.push_back(w.x1), y1.push_back(w.y1), dx.push_back(double(w.x2) - w.x1), dy.push_back(double(w.y2) - w.y1);
      ts.push_back(0.0), te.push_back(1.0);
    }
    while (x1.size() % 4)
      x1.push_back(0), y1.push_back(0), dx.push_back(0), dy.push_back(0), ts.push_back(0), te.push_back(1);
  }
  size_t size() const { return x1.size(); }
};

std::uint64_t boundScalar(const Soa& r, size_t s) {
  const double sx1 = r.x1[s], sy1 = r.y1[s], sdx = r.dx[s], sdy = r.dy[s];
  std::uint64_t cuts = 0;
  for (size_t i = 0; i < r.size(); ++i) {
    const double d = sdy * r.dx[i] - sdx * r.dy[i];
    const double u = ((r.x1[i] - sx1) * -sdy + (r.y1[i] - sy1) * sdx) / d;
    cuts += d != 0 && r.ts[i] < u && u < r.te[i];
  }
  return cuts;
}

#if KV_BENCH_X86
__attribute__((target("avx2,popcnt"))) std::uint64_t boundAvx2(const Soa& r, size_t s) {
  const __m256d sx1 = _mm256_set1_pd(r.x1[s]), sy1 = _mm256_set1_pd(r.y1[s]);
  const __m256d sdx = _mm256_set1_pd(r.dx[s]), sdy = _mm256_set1_pd(r.dy[s]);
  const __m256d a = _mm256_set1_pd(-r.dy[s]), zero = _mm256_setzero_pd();
  std::uint64_t cuts = 0;
  for (size_t i = 0; i < r.size(); i += 4) {
    const __m256d d =
        _mm256_sub_pd(_mm256_mul_pd(sdy, _mm256_loadu_pd(&r.dx[i])), _mm256_mul_pd(sdx, _mm256_loadu_pd(&r.dy[i])));
    const __m256d n = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(&r.x1[i]), sx1), a),
                                    _mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(&r.y1[i]), sy1), sdx));
    const __m256d u = _mm256_div_pd(n, d);
    const __m256d in = _mm256_and_pd(_mm256_cmp_pd(_mm256_loadu_pd(&r.ts[i]), u, _CMP_LT_OQ),
                                     _mm256_cmp_pd(u, _mm256_loadu_pd(&r.te[i]), _CMP_LT_OQ));
    cuts +=
        unsigned(std::popcount(unsigned(_mm256_movemask_pd(_mm256_and_pd(in, _mm256_cmp_pd(d, zero, _CMP_NEQ_OQ))))));
  }
  return cuts;
}
#endif

std::uint64_t boundRow(const Soa& r, size_t s) {
#if KV_BENCH_X86
  if (__builtin_cpu_supports("avx2")) return boundAvx2(r, s);
#endif
  return boundScalar(r, s);
}

// Side tests per CPU second of the bound, best of a few runs.
double boundRate() {
  static const double rate = [] {
    auto m = gridOfSquares();
    const Soa r(*m);
    double best = 0;
    for (int run = 0; run < 5; ++run) {
      std::uint64_t tests = 0, cuts = 0;
      const double t0 = cpuSeconds();
      for (size_t s = 0; s < r.size(); ++s, tests += r.size()) cuts += boundRow(r, s);
      const double t = cpuSeconds() - t0;
      benchmark::DoNotOptimize(cuts);
      if (t > 0) best = std::max(best, double(tests) / t);
    }
    return best;
  }();
  return rate;
}

void BM_SideTestBound(benchmark::State& state) {
  auto m = gridOfSquares();
  const Soa r(*m);
  size_t s = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(boundRow(r, s));
    s = s + 1 == r.size() ? 0 : s + 1;
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(r.size()));
  state.counters["side_tests/s"] =
      benchmark::Counter(double(state.iterations()) * double(r.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SideTestBound);

// --- the compiles -----------------------------------------------------------------

struct Input {
  std::unique_ptr<kv::clsMap> map;
  std::uint64_t listWalkTests = 0;  // side tests the list-walking builder does
};

const Input& input(const std::string& name) {
  static std::map<std::string, Input> cache;
  auto it = cache.find(name);
  if (it != cache.end()) return it->second;
  Input in;
  if (name == "random_short_walls")
    in.map = randomShortWalls();
  else if (name == "grid_of_squares")
    in.map = gridOfSquares();
  else if (name == "parallel_chain")
    in.map = parallelChain();
  else
    in.map = level(name);
  if (in.map) {
    kv::clsMap trial = *in.map;
    kvbaseline::createBSP(trial, &in.listWalkTests);
  }
  return cache.emplace(name, std::move(in)).first->second;
}

void runCompile(benchmark::State& state, const std::string& name, bool baseline) {
  const Input& in = input(name);
  if (!in.map) {
    state.SkipWithError("map not available");
    return;
  }
  auto work = std::make_unique<kv::clsMap>(*in.map);
  for (auto _ : state) {
    state.PauseTiming();
    *work = *in.map;
    state.ResumeTiming();
    if (baseline)
      kvbaseline::createBSP(*work);
    else
      work->createBSP();
  }
  state.counters["walls_in"] = double(in.map->wallCount);
  state.counters["pieces"] = double(work->wallCount);
  state.counters["side_tests"] = double(in.listWalkTests);
  // Side tests this builder really made, member by member (keys a box settles
  // count none), beside the list walk's count above.
  state.counters["own_tests"] = double(work->bspSideTests);
  state.counters["side_tests/s"] =
      benchmark::Counter(double(in.listWalkTests) * double(state.iterations()), benchmark::Counter::kIsRate);
  // The rate against the bound, from the CPU time of the run.
  const double perCompile = [&] {
    *work = *in.map;
    double best = 1e30;
    for (int i = 0; i < 5; ++i) {
      *work = *in.map;
      const double t0 = cpuSeconds();
      if (baseline)
        kvbaseline::createBSP(*work);
      else
        work->createBSP();
      best = std::min(best, cpuSeconds() - t0);
    }
    return best;
  }();
  state.counters["x_bound"] = perCompile > 0 ? double(in.listWalkTests) / perCompile / boundRate() : 0;
}

const char* const kMaps[] = {"e1m8_fd1",  "e2m2_fd1",           "e3m1_fd1",        "e3m3_fd1",      "map02_fd2",
                             "map09_fd2", "random_short_walls", "grid_of_squares", "parallel_chain"};

const bool registered = [] {
  for (const char* name : kMaps) {
    const std::string n = name;
    benchmark::RegisterBenchmark(("BM_Compile/" + n).c_str(), [n](benchmark::State& s) {
      runCompile(s, n, false);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_CompileBaseline/" + n).c_str(), [n](benchmark::State& s) {
      runCompile(s, n, true);
    })->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
