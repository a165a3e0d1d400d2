// Import of real levels (Freedoom, when the freedoom package is installed)
// and the compile of the maps they give: dense content for the compiler.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "io/mapfile.h"
#include "io/wadimport.h"

namespace {

const std::vector<unsigned char>* wadBytes(const std::string& wad) {
  static std::map<std::string, std::optional<std::vector<unsigned char>>> cache;
  auto it = cache.find(wad);
  if (it == cache.end()) {
    std::string problem;
    it = cache.emplace(wad, kv::readFileBytes("/usr/share/games/doom/" + wad, problem)).first;
  }
  return it->second ? &*it->second : nullptr;
}

void BM_ImportLevel(benchmark::State& state, const char* wad, const char* level) {
  const auto* bytes = wadBytes(wad);
  if (!bytes) {
    state.SkipWithError("the freedoom package is not installed");
    return;
  }
  auto map = std::make_unique<kv::clsMap>();
  std::string problem;
  for (auto _ : state)
    if (!kv::importWad(*bytes, level, {}, *map, problem)) state.SkipWithError(problem.c_str());
  state.counters["walls"] = map->wallCount;
}
BENCHMARK_CAPTURE(BM_ImportLevel, E1M1, "freedoom1.wad", "E1M1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportLevel, MAP01, "freedoom2.wad", "MAP01")->Unit(benchmark::kMillisecond);

void BM_CompileImportedLevel(benchmark::State& state, const char* wad, const char* level) {
  const auto* bytes = wadBytes(wad);
  if (!bytes) {
    state.SkipWithError("the freedoom package is not installed");
    return;
  }
  auto imported = std::make_unique<kv::clsMap>();
  std::string problem;
  if (!kv::importWad(*bytes, level, {}, *imported, problem)) {
    state.SkipWithError(problem.c_str());
    return;
  }
  auto map = std::make_unique<kv::clsMap>();
  for (auto _ : state) {
    state.PauseTiming();
    *map = *imported;
    state.ResumeTiming();
    map->createBSP();
  }
  state.counters["walls"] = imported->wallCount;
  state.counters["pieces"] = map->wallCount;
}
BENCHMARK_CAPTURE(BM_CompileImportedLevel, E1M1, "freedoom1.wad", "E1M1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompileImportedLevel, MAP01, "freedoom2.wad", "MAP01")->Unit(benchmark::kMillisecond);

}  // namespace
