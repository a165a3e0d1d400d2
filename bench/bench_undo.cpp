// The undo history on a full map (2001 walls in 201 areas, with the side-def
// table watched as in the editor): the time of one command's step, and the
// memory the last 100 steps hold (counter "bytes_100_steps"; "base_bytes" is
// the one copy of the watched state kept beside them).
#include <benchmark/benchmark.h>

#include <memory>

#include "bsp/sidedef.h"
#include "io/mapfile.h"
#include "model/undo.h"

namespace {

// Maps made with different shifts differ in every wall's end points,
// heights, textures and id.
std::unique_ptr<kv::clsMap> fullMap(kv::Long shift) {
  auto m = std::make_unique<kv::clsMap>();
  m->pasteH1 += shift, m->pasteH2 += shift, m->pasteH3 += shift, m->pasteH4 += shift;
  m->pasteWallTx = m->pasteFrontFloorTx = m->pasteFrontCeilTx = 1 + shift;
  m->pasteBackFloorTx = m->pasteBackCeilTx = 1 + shift;
  for (kv::Long a = 0; a < 200; ++a) {
    const kv::Long f = m->wallCount;
    m->startArea(f, 0);
    for (kv::Long k = 0; k < 10; ++k)
      m->addWall(a * 10 + k + shift, a - shift, a * 10 + k + 1 + shift, a + 1 - shift, f, k == 9 ? -1 : f + k + 1);
    m->endArea();
  }
  m->startArea(m->wallCount, 0);
  m->addWall(0, 0, 5, 5, m->wallCount, -1);
  m->endArea();
  return m;
}

struct Editor {
  std::unique_ptr<kv::clsMap> map = fullMap(0);
  std::unique_ptr<kv::SideDefTable> sides = std::make_unique<kv::SideDefTable>();
  std::string fileName;
  kv::UndoHistory history;
  Editor() {
    kv::watchMap(history, *map);
    history.watchText(fileName);
    kv::watchSideDefs(history, *sides);
    history.reset();
  }
  void report(benchmark::State& state) {
    state.counters["steps"] = static_cast<double>(history.undoCount());
    state.counters["bytes_100_steps"] = static_cast<double>(history.stepBytes());
    state.counters["base_bytes"] = static_cast<double>(history.baseBytes());
  }
};

// "Properties OK" on one wall: one field of one record.
void BM_UndoStepPropertyEdit(benchmark::State& state) {
  Editor e;
  kv::Long n = 0;
  for (auto _ : state) {
    e.map->walls[static_cast<size_t>(n % 2001)].h4 = 200 + n;
    ++n;
    e.history.commit("Properties OK");
  }
  e.report(state);
}
BENCHMARK(BM_UndoStepPropertyEdit)->Unit(benchmark::kMicrosecond);

// A move drag: the ten walls of an area and its bounding box.
void BM_UndoStepMoveArea(benchmark::State& state) {
  Editor e;
  kv::Long n = 0;
  for (auto _ : state) {
    e.map->moveArea(n % 200, n % 2 ? -37.0f : 37.0f, 11.0f);
    ++n;
    e.history.commit("Move Selection");
  }
  e.report(state);
}
BENCHMARK(BM_UndoStepMoveArea)->Unit(benchmark::kMicrosecond);

// The worst case: Open of another full map over a full map, every wall
// record different (the two maps alternate).
void BM_UndoStepOpenFullMap(benchmark::State& state) {
  Editor e;
  std::string problem;
  const auto other = kv::parseMap(kv::encodeMap(*fullMap(1000), false), problem);
  const auto same = kv::parseMap(kv::encodeMap(*e.map, false), problem);
  kv::Long n = 0;
  for (auto _ : state) {
    kv::applyMap(*e.map, n++ % 2 ? *same : *other);
    e.fileName = n % 2 ? "b.map" : "a.map";
    e.history.commit("Open Map");
  }
  e.report(state);
}
BENCHMARK(BM_UndoStepOpenFullMap)->Unit(benchmark::kMicrosecond);

// Undo and redo of the Open above, in turn.
void BM_UndoRedoOpenFullMap(benchmark::State& state) {
  Editor e;
  std::string problem;
  kv::applyMap(*e.map, *kv::parseMap(kv::encodeMap(*fullMap(1000), false), problem));
  e.history.commit("Open Map");
  bool back = true;
  for (auto _ : state) {
    benchmark::DoNotOptimize(back ? e.history.undo() : e.history.redo());
    back = !back;
  }
}
BENCHMARK(BM_UndoRedoOpenFullMap)->Unit(benchmark::kMicrosecond);

// New on a full map: the counts and the six globals.
void BM_UndoStepNewMap(benchmark::State& state) {
  Editor e;
  std::string problem;
  const auto full = kv::parseMap(kv::encodeMap(*e.map, false), problem);
  for (auto _ : state) {
    e.map->clearMap();
    e.history.commit("New Map");
    state.PauseTiming();
    kv::applyMap(*e.map, *full);  // a full map again for the next New
    e.history.commit("Open Map");
    state.ResumeTiming();
  }
  e.report(state);
}
BENCHMARK(BM_UndoStepNewMap)->Unit(benchmark::kMicrosecond);

}  // namespace
