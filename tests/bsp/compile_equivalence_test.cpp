// The compile against the list-walking builder it replaced: the same records,
// field for field, on real levels and on random and degenerate tables, also
// where the table runs full and the build stops half way, with and without
// the vector kernels. KV_BSP_ROUNDS sets the number of random tables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "baseline_compile.h"
#include "bsp/cutsets.h"
#include "bsp/sidedef.h"
#include "bsp/validate.h"
#include "io/mapfile.h"
#include "model/clsMap.h"
#include "testutil.h"

using kv::Long;

namespace {

// Every record of the table (also those behind the count), the counts, the
// areas and the map binary's bytes.
void expectSameMaps(const kv::clsMap& got, const kv::clsMap& want, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(got.wallCount, want.wallCount);
  ASSERT_EQ(got.pieceCount, want.pieceCount);
  ASSERT_EQ(got.selectedWall, want.selectedWall);
  for (Long i = 0; i < kv::kWallSlots; ++i) ASSERT_TRUE(got.walls[i] == want.walls[i]) << "record " << i;
  for (Long a = 0; a < kv::kAreaSlots; ++a) ASSERT_TRUE(got.areas[a] == want.areas[a]) << "area " << a;
  ASSERT_EQ(kv::encodeMap(got, true), kv::encodeMap(want, true));
}

using Kernels = kv::bsp::Kernels;
const Kernels kEveryKernel[] = {Kernels::Avx512, Kernels::Avx2, Kernels::Scalar};

// The work list linked and full ranges given, as createBSP does before it
// builds: the start of compileBSP on its own.
void prepareRaw(kv::clsMap& m) {
  m.polishNextSeg();
  for (Long i = 0; i < m.wallCount; ++i) m.walls[i].tStart = 0.0, m.walls[i].tEnd = 1.0;
}

// Compiles copies of m once with the list walk and then with each of the
// kernels: createBSP, and with `raw` compileBSP alone (no roll-back, so a
// full table shows the state the build stopped in).
void compareCompiles(const kv::clsMap& m, const std::string& what, bool raw, std::span<const Kernels> kernels) {
  auto want = std::make_unique<kv::clsMap>(m), wantRaw = std::make_unique<kv::clsMap>(m);
  const bool ok = kvbaseline::createBSP(*want);
  bool okRaw = false;
  if (raw) {
    prepareRaw(*wantRaw);
    kvbaseline::WallTable t{*wantRaw};
    okRaw = kvbaseline::TreeBuilder<kvbaseline::WallTable>(t, wantRaw->pieceCount, kv::kWallSlots).compile() != -1;
  }
  const Kernels was = kv::bsp::useKernels(Kernels::Avx512);
  for (Kernels k : kernels) {
    kv::bsp::useKernels(k);
    const std::string with = what + " kernels " + std::to_string(static_cast<int>(k));
    auto got = std::make_unique<kv::clsMap>(m);
    auto compiles = [&](auto f) {
      try {
        f();
        return true;
      } catch (const kv::MapError&) {
        return false;
      }
    };
    ASSERT_EQ(compiles([&] { got->createBSP(); }), ok) << with;
    expectSameMaps(*got, *want, with + " (createBSP)");
    if (ok) {
      kv::TreeCheck c = kv::validateTree({got->walls.data(), size_t(got->wallCount)});
      EXPECT_TRUE(c.ok) << with << ": " << c.problem;
      EXPECT_EQ(got->checkAreaLists(), "") << with;
    }
    if (raw) {
      *got = m;
      prepareRaw(*got);
      ASSERT_EQ(compiles([&] { got->compileBSP(); }), okRaw) << with;
      expectSameMaps(*got, *wantRaw, with + " (compileBSP)");
    }
  }
  kv::bsp::useKernels(was);
}

// Random tables of seven kinds; the last fills the table half way through.
std::unique_ptr<kv::clsMap> randomMap(std::mt19937& gen, int kind) {
  auto r = [&](long long lo, long long hi) { return Long(std::uniform_int_distribution<long long>(lo, hi)(gen)); };
  auto m = kvtest::newMap();
  auto wall = [&](Long x1, Long y1, Long x2, Long y2) { m->addWall(x1, y1, x2, y2, m->wallCount, -1); };
  switch (kind) {
    case 0:  // short segments: shared end points, lines through end points, zero length, duplicates
      for (int i = r(1, 80); i > 0; --i) {
        Long x = r(-40, 40), y = r(-40, 40);
        if (m->wallCount && r(0, 3) == 0) x = m->walls[m->wallCount - 1].x2, y = m->walls[m->wallCount - 1].y2;
        if (m->wallCount && r(0, 9) == 0) {
          const kv::Wall& w = m->walls[r(0, m->wallCount - 1)];
          wall(w.x1, w.y1, w.x2, w.y2);
          continue;
        }
        wall(x, y, r(0, 5) == 0 ? x : r(-40, 40), r(0, 5) == 1 ? y : r(-40, 40));
      }
      break;
    case 1:  // huge coordinates beside small ones: rounded side values
      for (int i = r(1, 60); i > 0; --i) {
        const long long span = r(0, 2) == 0 ? 2147483647LL : r(0, 1) ? (1 << 24) + 3 : 1000;
        wall(r(-span - 1, span), r(-span - 1, span), r(-span - 1, span), r(-span - 1, span));
      }
      break;
    case 2:  // rooms on a grid, touching and overlapping; sometimes hundreds, whose walls line up over many words
      for (int i = r(0, 2) ? r(1, 40) : r(100, 200); i > 0; --i)
        kvtest::addSquare(*m, r(0, 12) * 25, r(0, 12) * 25, r(1, 4) * 25 + r(0, 9));
      break;
    case 3:  // walls along a few lines, parallel and collinear, both directions, often one piece after another
      for (int i = r(1, 150); i > 0; --i) {
        const Long k = r(0, 4), a0 = r(-50, 50), step = r(-20, 20);
        for (Long j = r(0, 2) ? 0 : 3, a = a0; j < 4; ++j, a += step) {
          const Long b = a + step;
          if (k < 2)
            wall(a, 7 * k, b, 7 * k);
          else if (k < 4)
            wall(3 * k, a, 3 * k, b);
          else
            wall(a, a, b, b);
        }
      }
      break;
    case 4:  // many members, dense enough for the whole-word kernels
      for (int i = r(100, 500); i > 0; --i) {
        Long x = r(0, 3000), y = r(0, 3000);
        wall(x, y, x + r(-60, 60), y + r(-60, 60));
      }
      break;
    case 5:  // a large table of short walls, a few long: lists renumbered several times over, some splits late
      for (int i = r(900, 1990); i > 0; --i) {
        const Long x = r(0, 4000), y = r(0, 4000), len = r(0, 40) ? 25 : 900;
        wall(x, y, x + r(-len, len), y + r(-len, len));
      }
      break;
    default:  // long walls: the table fills and the build stops half way
      for (int i = r(250, 400); i > 0; --i) wall(r(-500, 500), r(-500, 500), r(-500, 500), r(-500, 500));
      break;
  }
  if (m->wallCount && r(0, 1)) m->selectedWall = r(-1, m->wallCount - 1);
  return m;
}

int rounds() {
  const char* e = std::getenv("KV_BSP_ROUNDS");
  return e ? std::atoi(e) : 30;
}

// Every kernel the processor has (a missing one runs the next below it).
class BspEquivalence : public ::testing::TestWithParam<Kernels> {
 protected:
  void SetUp() override { was_ = kv::bsp::useKernels(GetParam()); }
  void TearDown() override { kv::bsp::useKernels(was_); }
  kv::bsp::Kernels was_{};
  int seed(int base) const { return base + 10 * static_cast<int>(GetParam()); }
};

}  // namespace

// The six real levels, a chain 2000 deep and a table just too full for the
// root exchange, each compiled once by the list walk and then with every
// kernel.
TEST(BspEquivalenceLevels, SameRecordsWithEveryKernel) {
  for (const char* name : {"e1m8_fd1", "e2m2_fd1", "e3m1_fd1", "e3m3_fd1", "map02_fd2", "map09_fd2"}) {
    auto m = std::make_unique<kv::clsMap>();
    const std::string file = std::string(KV_SOURCE_DIR "/tests/data/bench-maps/") + name + ".map";
    ASSERT_EQ(kv::loadMapFile(*m, file).status, kv::ReadStatus::Ok) << file;
    compareCompiles(*m, name, false, kEveryKernel);
  }
  auto chain = kvtest::newMap();
  for (Long i = 0; i < 2000; ++i) chain->addWall(0, 3 * (i % 2 ? i : 2000 - i), 50, 3 * (i % 2 ? i : 2000 - i), i, -1);
  compareCompiles(*chain, "chain", false, kEveryKernel);
  auto full = kvtest::newMap();
  full->addWall(0, -10, 0, 10, 0, -1), full->addWall(-50, 0, 50, 0, 1, -1), full->addWall(-50, 5, 50, 5, 2, -1);
  for (Long i = 3; i < 1999; ++i) full->addWall(1000, 1000 + 3 * i, 1050, 1000 + 3 * i, i, -1);
  compareCompiles(*full, "no scratch record", true, kEveryKernel);
}

TEST_P(BspEquivalence, RandomAndDegenerateTables) {
  std::mt19937 gen(seed(19));
  for (int round = 0; round < rounds(); ++round) {
    auto m = randomMap(gen, round % 7);
    if (m->wallCount == 0) continue;
    const Kernels k = GetParam();
    compareCompiles(*m, "round " + std::to_string(round) + " kind " + std::to_string(round % 7), true, {&k, 1});
    if (HasFatalFailure()) return;
  }
}

// The side-def table builds over its list as it stands: any order, any
// ranges (also outside 0 to 1, empty or not numbers).
TEST_P(BspEquivalence, SideDefListsAndRangesAsTheyStand) {
  std::mt19937 gen(seed(5));
  auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
  const double ranges[] = {0.0, 1.0, 0.25, 0.5, 0.75, -0.5, 1.5, 0.3, std::nan("")};
  for (int round = 0; round < rounds(); ++round) {
    auto m = randomMap(gen, round % 7);
    const Long n = m->wallCount;
    if (n == 0) continue;
    auto got = std::make_unique<kv::SideDefTable>();
    for (Long i = 0; i < n; ++i) {
      const kv::Wall& w = m->walls[i];
      kv::SideDef& s = got->rec[i];
      s.x1 = w.x1, s.y1 = w.y1, s.x2 = w.x2, s.y2 = w.y2, s.myLen = i;
      s.tStart = r(0, 2) ? 0.0 : ranges[r(0, 8)];
      s.tEnd = r(0, 2) ? 1.0 : ranges[r(0, 8)];
    }
    for (Long i = n; i < kv::kSideDefSlots; ++i) got->rec[i].myLen = -i;
    got->count = static_cast<kv::Integer>(n);
    // A list from record 0 through a random order of some of the records.
    std::vector<Long> order;
    for (Long i = 1; i < n; ++i)
      if (r(0, 5)) order.push_back(i);
    std::shuffle(order.begin(), order.end(), gen);
    order.insert(order.begin(), 0);
    for (size_t i = 0; i < order.size(); ++i) got->rec[order[i]].nextSeg = i + 1 < order.size() ? order[i + 1] : -1;
    auto want = std::make_unique<kv::SideDefTable>(*got);
    const Long root = got->compileBSP();
    kvbaseline::SideDefRecords t{*want};
    Long pieces = 0;
    kvbaseline::TreeBuilder<kvbaseline::SideDefRecords> b(t, pieces, kv::kSideDefSlots);
    ASSERT_EQ(root, b.compile()) << "round " << round;
    ASSERT_EQ(got->count, want->count) << "round " << round;
    // Byte for byte: the packed records have no padding, and -0.0 or a NaN must match too.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
    ASSERT_EQ(std::memcmp(got->rec.data(), want->rec.data(), sizeof got->rec), 0) << "round " << round;
  }
}

// The builder's two entry points on a list that is not the whole table: a
// random head, order and ranges, a chosen splitter or a given one (in the
// list or not).
TEST_P(BspEquivalence, SelectAndBuildOnAnyList) {
  std::mt19937 gen(seed(41));
  auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
  for (int round = 0; round < rounds(); ++round) {
    auto m = randomMap(gen, round % 5);
    const Long n = m->wallCount;
    if (n < 2) continue;
    std::vector<Long> order;
    for (Long i = 0; i < n; ++i)
      if (r(0, 3)) order.push_back(i);
    if (order.empty()) order.push_back(r(0, n - 1));
    std::shuffle(order.begin(), order.end(), gen);
    for (size_t i = 0; i < order.size(); ++i) m->walls[order[i]].nextSeg = i + 1 < order.size() ? order[i + 1] : -1;
    for (Long i : order)
      if (r(0, 3) == 0) m->walls[i].tStart = 0.125 * r(-2, 6), m->walls[i].tEnd = 0.125 * r(2, 10);
    m->pieceCount = n;
    auto want = std::make_unique<kv::clsMap>(*m);
    kvbaseline::WallTable t{*want};
    kvbaseline::TreeBuilder<kvbaseline::WallTable> b(t, want->pieceCount, kv::kWallSlots);
    Long result = 0, wantResult;
    if (round % 2) {
      Long slot = -7, wantSlot = -7;
      m->selectBSPTree(order[0], slot, result);
      wantResult = b.select(order[0], wantSlot);
      ASSERT_EQ(slot, wantSlot) << "round " << round;
    } else {
      const Long s = r(0, 1) ? order[r(0, int(order.size()) - 1)] : r(0, n - 1);
      m->buildBSPTree(order[0], s, result);
      wantResult = b.build(order[0], s);
    }
    ASSERT_EQ(result, wantResult) << "round " << round;
    expectSameMaps(*m, *want, "round " + std::to_string(round));
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, BspEquivalence,
                         ::testing::Values(kv::bsp::Kernels::Avx512, kv::bsp::Kernels::Avx2, kv::bsp::Kernels::Scalar),
                         [](const auto& info) {
                           return info.param == kv::bsp::Kernels::Avx512 ? "Avx512"
                                  : info.param == kv::bsp::Kernels::Avx2 ? "Avx2"
                                                                         : "Scalar";
                         });
