// Preview frames: the full compiled map of 2001 records at the preview's
// 320 x 200 and at 1280 x 800, each beside a plain fill of a frame of the same
// size (the floor a frame cannot go below, so the two can be compared as a
// ratio on any machine), and the room wizard's multi-pillar room.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/kv3d15.h"
#include "wizards/wizardforms.h"

namespace {

// 500 square blocks on a lattice, in 200 areas, and one more wall: 2001
// walls. Lattice lines meet other blocks only at their corners, so the
// compile splits nothing and the tree keeps all 2001 records.
std::unique_ptr<kv::clsMap> fullMap() {
  auto m = std::make_unique<kv::clsMap>();
  int block = 0;
  for (int a = 0; a < 200; ++a) {
    int squares = a % 2 ? 2 : 3;  // 100 areas of 3 and 100 of 2
    kv::Long first = m->wallCount;
    // The area's floor and ceiling are those of its blocks' walls.
    m->pasteH1 = 0, m->pasteH2 = 64 + (a * 37) % 200, m->pasteH3 = m->pasteH2, m->pasteH4 = m->pasteH2;
    m->startArea(first, 0);
    for (int s = 0; s < squares; ++s, ++block) {
      kv::Long x = (block % 25) * 150, y = (block / 25) * 150, k = 60;
      m->pasteWallTx = block % 16;
      kv::Long i = m->wallCount;
      bool last = s == squares - 1;
      m->addWall(x, y, x, y + k, first, i + 1);
      m->addWall(x, y + k, x + k, y + k, first, i + 2);
      m->addWall(x + k, y + k, x + k, y, first, i + 3);
      m->addWall(x + k, y, x, y, first, last ? -1 : i + 4);
    }
    m->endArea();
  }
  m->addWall(0, -150, 60, -150, m->wallCount, -1);
  m->viewerX = -100;
  m->viewerY = -100;
  m->viewerDir = 40;
  m->createBSP();
  return m;
}

std::unique_ptr<kv::clsMap> wizardRoom() {
  auto m = std::make_unique<kv::clsMap>();
  kv::RoomWizardForm f;
  f.roomType = 1;
  f.makeRoom(*m, 4, 1400, 100, 100, 4, 5, 2, 264);
  m->viewerX = 400;
  m->viewerY = 1300;
  m->viewerDir = 0;
  m->createBSP();
  return m;
}

void frames(benchmark::State& state, const kv::clsMap& m, kv::Long w = 320, kv::Long h = 200) {
  auto e = std::make_unique<kv::engine::Engine>();
  if (!e->load(m, w, h)) {
    state.SkipWithError(e->lastError().c_str());
    return;
  }
  // Turn a little every frame, so the frames are not all the same view.
  int i = 0;
  for (auto _ : state) {
    e->turn((i++ % 20) < 10 ? 2 : -2);
    benchmark::DoNotOptimize(e->draw());
  }
  state.counters["records"] = static_cast<double>(e->world()->pieces.size());
  state.counters["drawn"] = static_cast<double>(e->renderer().piecesDrawn);
}

const kv::clsMap& theFullMap() {
  static auto m = fullMap();
  return *m;
}

void BM_Frame(benchmark::State& state, kv::Long w, kv::Long h) { frames(state, theFullMap(), w, h); }
BENCHMARK_CAPTURE(BM_Frame, 320x200, 320, 200)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, 1280x800, 1280, 800)->Unit(benchmark::kMicrosecond);

void BM_FrameFill(benchmark::State& state, kv::Long w, kv::Long h) {
  kv::FrameBuffer f(w, h);
  std::uint32_t c = 0;
  for (auto _ : state) {
    f.fill(++c);
    benchmark::DoNotOptimize(f.pixels.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(BM_FrameFill, 320x200, 320, 200)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FrameFill, 1280x800, 1280, 800)->Unit(benchmark::kMicrosecond);

void BM_FrameWizardRoom(benchmark::State& state) {
  static auto m = wizardRoom();
  frames(state, *m);
}
BENCHMARK(BM_FrameWizardRoom)->Unit(benchmark::kMicrosecond);

}  // namespace
