// Listing a full map in the project tree: the nodes listLines adds for 2001
// walls and 201 areas, viewpoints and globals (names converted from the code
// page). The window's own tree filling needs a display and is not measured.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/clsMap.h"
#include "view/project.h"

namespace {

void BM_ListFullTables(benchmark::State& state) {
  auto m = std::make_unique<kv::clsMap>();
  m->wallCount = kv::kWallSlots;
  m->areaCount = m->viewpointCount = m->globalCount = kv::kAreaSlots;
  for (kv::Long i = 0; i < kv::kAreaSlots; ++i) {
    m->areas[i].name.assign("Caf\xe9 " + std::to_string(i));
    m->viewpoints[i].name.assign("View " + std::to_string(i));
    m->globals[i].name.assign("Global " + std::to_string(i));
  }
  for (auto _ : state) {
    auto nodes = kv::projectChildren(*m);
    benchmark::DoNotOptimize(nodes.data());
  }
  state.counters["nodes"] = static_cast<double>(kv::projectChildren(*m).size());
}
BENCHMARK(BM_ListFullTables)->Unit(benchmark::kMicrosecond);

}  // namespace
