// The compile on worked cases, the tree check, and the compile commands
// (random and real maps are compared with the list-walking builder in
// compile_equivalence_test.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "bsp/commands.h"
#include "bsp/validate.h"
#include "io/mapfile.h"
#include "model/clsMap.h"
#include "testutil.h"

using kv::Long;
using kvtest::newMap;

namespace {

// x1, y1, x2, y2, negChild, posChild
using Rec = std::array<Long, 6>;
Rec rec(const kv::Wall& w) { return {w.x1, w.y1, w.x2, w.y2, w.negChild, w.posChild}; }
std::vector<Rec> recs(const kv::clsMap& m) {
  std::vector<Rec> r;
  r.reserve(static_cast<size_t>(m.wallCount));
  for (Long i = 0; i < m.wallCount; ++i) r.push_back(rec(m.walls[i]));
  return r;
}
// Walls given as x1, y1, x2, y2, all on one area's list in this order.
std::unique_ptr<kv::clsMap> mapOf(const std::vector<std::vector<Long>>& walls) {
  auto m = newMap();
  m->startArea(0, 0);
  for (size_t i = 0; i < walls.size(); ++i)
    m->addWall(walls[i][0], walls[i][1], walls[i][2], walls[i][3], 0, i + 1 < walls.size() ? Long(i + 1) : -1);
  return m;
}
kv::TreeCheck check(const kv::clsMap& m) { return kv::validateTree({m.walls.data(), size_t(m.wallCount)}); }

}  // namespace

TEST(Bsp, CompiledRecordsOfWorkedCases) {
  // The walls, then the records after the compile.
  const std::pair<std::vector<std::vector<Long>>, std::vector<Rec>> cases[] = {
      // Two crossing walls: wall 1 is split at t 0.5, its first end on the negative side.
      {{{0, 0, 100, 0}, {50, -50, 50, 50}}, {{0, 0, 100, 0, 1, 2}, {50, -50, 50, 0, 0, 0}, {50, 0, 50, 50, 0, 0}}},
      // All parallel: no split; a wall on the splitter's line goes non-negative.
      {{{0, 0, 100, 0}, {0, 10, 100, 10}, {0, -10, 100, -10}, {200, 0, 300, 0}},
       {{0, 0, 100, 0, 2, 3}, {0, 10, 100, 10, 0, 0}, {0, -10, 100, -10, 0, 0}, {200, 0, 300, 0, 0, 1}}},
      // A line through an end point splits nothing; the second end point decides.
      {{{0, 0, 100, 0}, {50, 0, 50, 50}, {60, 0, 60, -50}},
       {{0, 0, 100, 0, 2, 1}, {50, 0, 50, 50, 0, 0}, {60, 0, 60, -50, 0, 0}}},
      // Equal cuts: the wall nearer the head of the list is the splitter.
      {{{50, -50, 50, 50}, {0, 0, 100, 0}}, {{50, -50, 50, 50, 2, 1}, {0, 0, 50, 0, 0, 0}, {50, 0, 100, 0, 0, 0}}},
      // Piece 3 covers [0.5, 1] of wall 1, right of wall 2's line, but wall 1 starts left of it.
      {{{0, -50, 100, 50}, {0, 0, 100, 0}, {30, -90, 30, -100}},
       {{0, -50, 100, 50, 2, 1}, {0, 0, 50, 0, 0, 0}, {30, -90, 30, -100, 3, 0}, {50, 0, 100, 0, 0, 0}}},
  };
  for (const auto& [walls, want] : cases) {
    auto m = mapOf(walls);
    m->createBSP();
    EXPECT_EQ(recs(*m), want);
    EXPECT_TRUE(check(*m).ok) << check(*m).problem;
    // Every piece is on its area's list.
    std::vector<Long> list;
    for (Long w = m->areas[0].firstWall; w != -1 && list.size() < 9; w = m->walls[w].nextInArea) list.push_back(w);
    EXPECT_EQ(list.size(), want.size());
    EXPECT_EQ(m->checkAreaLists(), "");
  }
  auto m = mapOf({{0, 0, 100, 0}, {50, -50, 50, 50}});
  m->createBSP();
  EXPECT_EQ(std::make_tuple(m->walls[1].tEnd, m->walls[2].tStart, m->walls[2].wallID),
            std::make_tuple(0.5, 0.5, m->walls[1].wallID));
  m->createBSP();  // compiled again: the pieces only touch, so nothing changes
  EXPECT_EQ(recs(*m), (std::vector<Rec>{{0, 0, 100, 0, 1, 2}, {50, -50, 50, 0, 0, 0}, {50, 0, 50, 50, 0, 0}}));
  // Wall 1 (one cut, before wall 2's one) becomes the root and moves to
  // record 0; the selected wall goes with it.
  m = mapOf({{50, -50, 50, 50}, {0, 0, 100, 0}, {0, 10, 100, 10}});
  m->selectedWall = 1;
  m->createBSP();
  EXPECT_EQ(std::make_tuple(m->walls[0].x1, m->walls[0].y1, m->walls[0].y2, m->selectedWall),
            std::make_tuple(0, 0, 0, 0));
}

TEST(Bsp, EndPointsOfPiecesAndTheFullTable) {
  auto m = mapOf({{0, 0, 100, 0}, {0, 0, 100, 0}, {10, 0, 15, 0}, {13, 0, 14, 0}, {5, 5, 9, 9}});
  const double ranges[][2] = {{0, 0.25}, {0.25, 0.75}, {0, 0.5}, {0.5, 1}, {0, 1}};
  for (Long i = 0; i < 5; ++i) m->walls[i].tStart = ranges[i][0], m->walls[i].tEnd = ranges[i][1];
  m->walls[4].posChild = -1, m->walls[4].negChild = 0;
  m->adjustT();
  // 12.5 and 13.5 go to the even neighbour; -1 links become 0.
  EXPECT_EQ(
      recs(*m),
      (std::vector<Rec>{
          {0, 0, 25, 0, 0, 0}, {25, 0, 75, 0, 0, 0}, {10, 0, 12, 0, 0, 0}, {14, 0, 14, 0, 0, 0}, {5, 5, 9, 9, 0, 0}}));

  // Walls 2 and 1 split wall 0 and a far wall becomes the root, which moves
  // to record 0 through the record behind the last piece: 1998 walls (2000
  // pieces) fit, 1999 leave no room for it and are refused unchanged.
  for (Long n : {1998, 1999}) {
    auto big = newMap();
    big->addWall(0, -10, 0, 10, 0, -1), big->addWall(-50, 0, 50, 0, 1, -1), big->addWall(-50, 5, 50, 5, 2, -1);
    for (Long i = 3; i < n; ++i) big->addWall(1000, 1000 + 3 * i, 1050, 1000 + 3 * i, i, -1);
    const auto before = kv::encodeMap(*big, false);
    if (n == 1998)
      EXPECT_NO_THROW(big->createBSP());
    else
      EXPECT_THROW(big->createBSP(), kv::MapError);
    EXPECT_EQ(kv::encodeMap(*big, false) == before, n == 1999) << "only a refused compile leaves the map as it was";
    EXPECT_EQ(big->wallCount, n == 1998 ? 2000 : 1999);
  }
  EXPECT_THROW(newMap()->createBSP(), kv::MapError);
}

TEST(Bsp, TreeCheckFindsDamagedTrees) {
  // The worked example compiled: 0 (0,0)-(100,0) with children 1 and 2.
  auto good = mapOf({{0, 0, 100, 0}, {50, -50, 50, 50}});
  good->createBSP();
  // A damage, and part of the problem found (empty for a sound tree).
  const std::pair<std::function<void(kv::clsMap&)>, const char*> cases[] = {
      {[](kv::clsMap&) {}, ""},
      {[](kv::clsMap& m) { m.walls[1].posChild = 3; }, "record 1: posChild 3 is not a record"},
      {[](kv::clsMap& m) { m.walls[1].posChild = 2; }, "record 2 is the child of record 0 and again of record 1"},
      {[](kv::clsMap& m) { m.walls[0].posChild = 0; }, "record 2 is the child of no record"},
      {[](kv::clsMap& m) { std::swap(m.walls[0].negChild, m.walls[0].posChild); },
       "record 1 is in the non-negative subtree of record 0 but lies on its negative side"},
      // Right of record 1's line as its negative child, but above record 0's
      // line inside record 0's negative subtree.
      {[](kv::clsMap& m) {
         m.walls[1].negChild = 2, m.walls[0].posChild = 0;
         m.walls[2].x1 = 60, m.walls[2].y1 = 10, m.walls[2].x2 = 70, m.walls[2].y2 = 10;
         m.walls[2].tStart = 0, m.walls[2].wallID = 7;
       },
       "record 2 is in the negative subtree of record 0"},
  };
  for (const auto& [damage, problem] : cases) {
    auto m = std::make_unique<kv::clsMap>(*good);
    damage(*m);
    const kv::TreeCheck t = check(*m);
    EXPECT_TRUE(t.ok == !*problem && t.problem.find(problem) != std::string::npos) << problem << ": " << t.problem;
  }
  // A map binary passes; the map file of the same map does not.
  std::string why;
  auto binary = kv::parseMap(kv::encodeMap(*good, true), why), file = kv::parseMap(kv::encodeMap(*good, false), why);
  ASSERT_TRUE(binary && file) << why;
  EXPECT_TRUE(kv::validateMapBinary(*binary).ok);
  EXPECT_FALSE(kv::validateMapBinary(*file).ok);
}

TEST(CompileCommands, ExportTellsTheTimeAsksForANameAndWritesTheBinary) {
  kvtest::TempDir dir;
  auto m = newMap();
  kvtest::addSquare(*m, 0, 0, 100);
  kv::ScriptedDialogs ui;
  ui.fileAnswers = {dir.file("out.mpb")};
  std::vector<double> times{86399.9, 0.15};  // 0.25 s across midnight
  size_t tick = 0;
  std::vector<bool> busy;
  auto clock = [&] { return times[tick++]; };
  auto cursor = [&](bool b) { busy.push_back(b); };
  kv::ExportOutcome done = kv::exportMapBinary(*m, ui, clock, cursor);
  EXPECT_TRUE(done.compiled && done.written);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(std::tie(ui.messages[0].text, ui.messages[0].title),
            std::make_tuple("Done building tree in 0.2 seconds", "Compile complete"));
  EXPECT_EQ(ui.messages[0].icon, kv::MsgIcon::Information);
  EXPECT_EQ(std::tie(ui.fileRequests.at(0).filter, ui.fileRequests.at(0).presetName),
            std::make_tuple("Map Binary|*.mpb", "untitled.mpb"));
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
  std::string problem;
  EXPECT_EQ(*kv::readFileBytes(dir.file("out.mpb"), problem), kv::encodeMap(*m, true));
  EXPECT_EQ(kv::treeTimingText(10, 10.27), "Done building tree in 0.2 seconds");

  // No walls: the refusal is said, the cursor comes back, no dialog opens.
  kv::ScriptedDialogs ui2;
  busy.clear(), tick = 0;
  done = kv::exportMapBinary(*newMap(), ui2, clock, cursor);
  EXPECT_FALSE(done.compiled || done.written);
  EXPECT_TRUE(ui2.messages.size() == 1 && ui2.fileRequests.empty());
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));

  // "Test Map Object" writes the map as it stands, "Read Map Object" reads newdir2.mpb.
  auto sq = newMap();
  kvtest::addSquare(*sq, 0, 0, 100);
  ASSERT_TRUE(kv::testMapObject(*sq, ui, dir.path.string()));
  EXPECT_EQ(*kv::readFileBytes(dir.file("newdir.mpb"), problem), kv::encodeMap(*sq, true));
  std::filesystem::copy_file(dir.file("newdir.mpb"), dir.file("newdir2.mpb"));
  auto back = newMap();
  ASSERT_TRUE(kv::readMapObject(*back, ui, dir.path.string()));
  EXPECT_EQ(kv::encodeMap(*back, false), kv::encodeMap(*sq, false));
}
