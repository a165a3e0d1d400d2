// Load and save of a map with full wall and area tables.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "io/dialogs.h"
#include "io/mapfile.h"

namespace {

std::unique_ptr<kv::clsMap> fullMap() {
  auto m = std::make_unique<kv::clsMap>();
  // 200 closed squares of 10 walls' worth: 2000 walls in 200 areas, plus one.
  for (int a = 0; a < 200; ++a) {
    kv::Long f = m->wallCount;
    m->startArea(f, 0);
    for (int k = 0; k < 10; ++k) m->addWall(a * 10 + k, a, a * 10 + k + 1, a + 1, f, k == 9 ? -1 : f + k + 1);
    m->endArea();
  }
  m->startArea(m->wallCount, 0);
  m->addWall(0, 0, 5, 5, m->wallCount, -1);
  m->endArea();
  return m;
}

std::string benchFile() { return (std::filesystem::temp_directory_path() / "kvbench-full.map").string(); }

void BM_SaveFullMap(benchmark::State& state) {
  auto m = fullMap();
  kv::ScriptedDialogs ui;
  for (auto _ : state) {
    bool ok = false;
    kv::WriteNewMPB(*m, ui, benchFile(), false, ok);
    if (!ok) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(state.iterations() * kv::encodeMap(*m, false).size());
}
BENCHMARK(BM_SaveFullMap)->Unit(benchmark::kMicrosecond);

void BM_LoadFullMap(benchmark::State& state) {
  auto m = fullMap();
  kv::ScriptedDialogs ui;
  bool ok = false;
  kv::WriteNewMPB(*m, ui, benchFile(), false, ok);
  auto target = std::make_unique<kv::clsMap>();
  for (auto _ : state) {
    kv::ReadNewMPB(*target, ui, benchFile(), ok);
    if (!ok) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * kv::encodeMap(*m, false).size());
}
BENCHMARK(BM_LoadFullMap)->Unit(benchmark::kMicrosecond);

void BM_EncodeFullMap(benchmark::State& state) {
  auto m = fullMap();
  for (auto _ : state) benchmark::DoNotOptimize(kv::encodeMap(*m, false));
}
BENCHMARK(BM_EncodeFullMap)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

void BM_ParseFullMap(benchmark::State& state) {
  auto m = fullMap();
  auto bytes = kv::encodeMap(*m, false);
  for (auto _ : state) {
    std::string problem;
    benchmark::DoNotOptimize(kv::parseMap(bytes, problem));
  }
}
BENCHMARK(BM_ParseFullMap)->Unit(benchmark::kMicrosecond);

}  // namespace
