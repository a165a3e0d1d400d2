// The generators on their worked examples, the wizard forms' rules and the
// Test menu's polygon tools.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "testutil.h"
#include "wizards/polytools.h"
#include "wizards/wizardforms.h"

using kv::Long;
using kvtest::newMap;

namespace {

using Seg = std::array<Long, 4>;
std::vector<Seg> segs(const kv::clsMap& m, Long from, Long n) {
  std::vector<Seg> v;
  for (Long i = from; i < from + n; ++i) v.push_back({m.walls[i].x1, m.walls[i].y1, m.walls[i].x2, m.walls[i].y2});
  return v;
}
std::vector<Long> looks(const kv::Wall& w) {
  return {w.h1, w.h2, w.h3, w.h4, w.wallTx, w.frontFloorTx, w.frontCeilTx, w.backFloorTx, w.backCeilTx};
}
// A refused wizard leaves the tables exactly as they were.
void expectUnchanged(const kv::clsMap& before, const kv::clsMap& after) {
  EXPECT_EQ(std::tie(before.wallCount, before.areaCount), std::tie(after.wallCount, after.areaCount));
  EXPECT_TRUE(before.walls == after.walls && before.areas == after.areas);
}

}  // namespace

TEST(Generators, WorkedExamples) {
  const std::pair<std::function<void(kv::clsMap&)>, std::vector<Seg>> cases[] = {
      {[](kv::clsMap& m) { m.addPolySurround(4, 1800, 1000, 1400); },  // clockwise
       {{1800, 1000, 1800, 2400}, {1800, 2400, 3200, 2400}, {3200, 2400, 3200, 1000}, {3200, 1000, 1800, 1000}}},
      {[](kv::clsMap& m) { m.addPolyCol(5, 2000, 1250, 100); },  // counterclockwise, rounded corner by corner
       {{2000, 1250, 2000, 1350},
        {2000, 1350, 1905, 1381},
        {1905, 1381, 1846, 1300},
        {1846, 1300, 1905, 1219},
        {1905, 1219, 2000, 1250}}},
      {[](kv::clsMap& m) { m.wzStair(2300, 1500, 50, 25); },
       {{2300, 1500, 2300, 1550}, {2300, 1550, 2250, 1550}, {2250, 1550, 2250, 1500}, {2250, 1500, 2300, 1500}}},
      {[](kv::clsMap& m) { m.wzCave(1000, 500, 264, 10, 0); },
       {{970, 510, 970, 490},
        {970, 490, 1030, 490},
        {1030, 490, 1030, 510},
        {1030, 510, 970, 510},
        {980, 506, 980, 494},
        {980, 494, 1020, 494},
        {1020, 494, 1020, 506},
        {1020, 506, 980, 506}}},
      // -32699 x 0.017453 = -570.695647, held as the float -570.69562: the
      // corner (-30, -10) turns to x = -5.4996, which rounds to -5 (turned
      // by the double it would be -5.5005). By pi/180 (-570.70520) the corner
      // (-30, 10) would come to y = -21.39; truncated, its -21.61 gives -21.
      {[](kv::clsMap& m) { m.wzSwitch(0, 0, 264, 10, -32699); },
       {{-23, -22, -5, -31},
        {-5, -31, 23, 22},
        {23, 22, 5, 31},
        {5, 31, -23, -22},
        {-15, -15, -4, -20},
        {-4, -20, 15, 15},
        {15, 15, 4, 20},
        {4, 20, -15, -15}}},
  };
  for (const auto& [build, want] : cases) {
    auto m = newMap();
    build(*m);
    EXPECT_EQ(segs(*m, 0, m->wallCount), want);
    EXPECT_EQ(m->walls[want.size() - 1].nextSeg, -1);
  }
}

TEST(WizardForms, RoomColumnAndStairs) {
  auto m = newMap();
  m->insertX = 1800, m->insertY = 1000;
  kv::ScriptedDialogs d;
  kv::RoomWizardForm room;  // opens with "Empty room" selected
  room.activate(*m);
  ASSERT_TRUE(room.finish(*m, d));
  EXPECT_EQ(std::make_tuple(m->wallCount, m->areas[0].name.trimmed(), m->areas[0].size),
            std::make_tuple(4, std::string("RoomID0"), 1400 * 1400));
  EXPECT_EQ(looks(m->walls[2]), (std::vector<Long>{0, 264, 264, 264, 1, 1, 1, 2, 1}));
  room.roomType = 1;  // on a fresh map: four pillars, two columns, then the room
  room.clearMap = true;
  ASSERT_TRUE(room.finish(*m, d));
  EXPECT_FALSE(room.clearMap);
  ASSERT_EQ(m->wallCount, 40);
  const char* names[] = {"Col0", "Col5", "Col10", "Col15", "Col20", "Col28", "RoomID36"};
  for (int a = 0; a < 7; ++a) EXPECT_EQ(m->areas[a].name.trimmed(), names[a]);
  for (Long i : {0, 20, 28})
    EXPECT_EQ(looks(m->walls[i]), (std::vector<Long>{8, 16, 128, 264, i < 20 ? 2 : i < 28 ? 6 : 8, 2, 1, 1, 1})) << i;

  // Refused: no room type, a side count that rounds to 0, a value beyond 16
  // bits, more walls than the table has left; a blank length builds nothing.
  room.roomType = -1;
  EXPECT_FALSE(room.finish(*m, d));
  EXPECT_EQ(d.messages.at(0).text + "|" + d.messages.at(0).title, "No room type selected.|No selection");
  room.roomType = 0;
  auto before = std::make_unique<kv::clsMap>(*m);
  for (auto [sides, len, ok] :
       {std::tuple{"0.3", "100", false}, {"4", "1e6", false}, {"1962", "100", false}, {"4", "", true}}) {
    room.numSidesText = sides, room.sideLenText = len;
    EXPECT_EQ(room.finish(*m, d), ok) << sides;
    expectUnchanged(*before, *m);
  }
  EXPECT_EQ(d.messages.size(), 4u);
  room.numSidesText = "1961", room.sideLenText = "100";  // fills the wall table to its last record
  ASSERT_TRUE(room.finish(*m, d));
  EXPECT_EQ(m->wallCount, kv::kWallSlots);

  m = newMap();
  m->insertX = 2300, m->insertY = 1500;
  kv::ColWizardForm col;  // five sides of 50
  col.activate(*m);
  ASSERT_TRUE(col.finish(*m, d));
  EXPECT_EQ(segs(*m, 1, 2), (std::vector<Seg>{{2300, 1550, 2252, 1565}, {2252, 1565, 2223, 1525}}));
  kv::StairWizardForm stair;  // eight steps of 50 rising by 25
  stair.activate(*m);
  ASSERT_TRUE(stair.finish(*m, d));
  ASSERT_EQ(m->areaCount, 1 + 8);
  EXPECT_EQ(segs(*m, 5 + 28, 1), (std::vector<Seg>{{2300, 1150, 2300, 1200}}));
  EXPECT_EQ(std::make_tuple(m->walls[5].h2, m->walls[33].h2, m->areas[8].floorEnd, m->pasteH2),
            std::make_tuple(25, 200, 200, 200));
  for (auto [count, steps] : {std::pair{1.0, 1.0}, {0.5, 1.0}, {2.5, 2.0}, {3.7, 3.0}, {8.0, 8.0}})
    EXPECT_EQ(kv::StairWizardForm::stepCount(count), steps) << count;
}

TEST(WizardForms, CaveSwitchPassageAndSplit) {
  auto m = newMap();
  m->wzCave(1000, 500, 99, 10, 0);
  EXPECT_EQ(looks(m->walls[0]), (std::vector<Long>{8, 20, 99, 99, 3, 1, 1, 3, 3}));
  EXPECT_EQ(looks(m->walls[7]), (std::vector<Long>{20, 120, 99, 99, 10, 3, 3, 3, 1}));
  // The commands: at the insertion point, turned by a random whole degree,
  // under the area buffer's ceiling (264 for the Test menu's).
  m->insertX = 500, m->insertY = 500, m->ceilEnd = 77;
  kv::ScriptedDialogs d;
  EXPECT_EQ(kv::randomAngle(0.9999999), 359);
  ASSERT_TRUE(kv::runPieceCommand(*m, d, kv::PieceKind::CaveWizard, [] { return 0.25; }));
  EXPECT_EQ(segs(*m, 8, 1), (std::vector<Seg>{{490, 470, 510, 470}}));  // 90 degrees: 20 wide, 60 tall
  ASSERT_TRUE(kv::runPieceCommand(*m, d, kv::PieceKind::TestSwitch, [] { return 0.0; }));
  EXPECT_EQ(std::make_tuple(m->walls[8].h3, m->walls[16].h4), std::make_tuple(77, 264));
  m->areaCount = kv::kAreaSlots - 1;  // one area short: nothing added
  auto before = std::make_unique<kv::clsMap>(*m);
  EXPECT_FALSE(kv::runPieceCommand(*m, d, kv::PieceKind::SwitchWizard));
  expectUnchanged(*before, *m);

  // The passage example: two facing walls cut in three, the middle pieces' starts swapped.
  m = newMap();
  m->addWall(0, 0, 300, 0, 0, 1);
  m->h1 = 8, m->h4 = 104;
  m->setPasteWall(true, false);
  m->addWall(300, 100, 0, 100, 0, -1);
  EXPECT_FALSE(kv::PassageWizardForm::mayOpen({"Wall #0"}, d));
  kv::PassageWizardForm p;
  const std::vector<std::string> sel{"Wall #0", "Wall #1"};
  m->selectedWall = 1;
  p.load(*m, sel);
  p.activate(*m, sel);
  EXPECT_EQ(std::tie(p.startHeightText, p.heightText, p.wallHeightLabel), std::make_tuple("16", "38.4", "96"));
  ASSERT_TRUE(p.finish(*m, d, sel));
  EXPECT_EQ(segs(*m, 0, 6), (std::vector<Seg>{{0, 0, 99, 0},
                                              {300, 100, 201, 100},
                                              {201, 100, 198, 0},
                                              {198, 0, 300, 0},
                                              {99, 0, 102, 100},
                                              {102, 100, 0, 100}}));
  kv::SplitWallForm s;  // two pieces at the midpoint, then three at 0.33 and 0.66
  m->selectedWall = 3;
  ASSERT_TRUE(s.finish(*m, d));
  s.doubleSplit = false, m->selectedWall = 0;
  ASSERT_TRUE(s.finish(*m, d));
  EXPECT_EQ(segs(*m, 6, 3), (std::vector<Seg>{{249, 0, 300, 0}, {33, 0, 65, 0}, {65, 0, 99, 0}}));
  EXPECT_EQ(segs(*m, 3, 1), (std::vector<Seg>{{198, 0, 249, 0}}));
}

TEST(PolyTools, TestPolyDrawRoomMultiPolyAndIntersect) {
  // Two rooms, the point inside the second: "1:2" (area 0 is not tested).
  auto m = newMap();
  m->addPolySurround(4, 0, 0, 100);
  m->addPolySurround(4, 200, 0, 100);
  m->insertX = 250, m->insertY = 50;
  EXPECT_EQ(m->testPtinPoly(), "1:2\r");
  // One wall and the point (50, 0): a wall counts when it lies at a greater
  // y there with x1 <= 50 <= x2, or x2 < 50 < x1.
  for (auto [w, count] : {std::pair{Seg{0, 10, 50, 10}, 2},
                          {{50, 10, 100, 10}, 2},
                          {{100, 10, 50, 10}, 1},
                          {{50, 10, 0, 10}, 1},
                          {{100, 10, 0, 10}, 2},
                          {{0, -10, 100, -10}, 1},
                          {{50, -9, 50, 9}, 1}}) {
    m->walls[0].x1 = w[0], m->walls[0].y1 = w[1], m->walls[0].x2 = w[2], m->walls[0].y2 = w[3];
    EXPECT_EQ(m->countCrossings(0, 0, 50, 0), count) << w[0] << "," << w[1] << "-" << w[2] << "," << w[3];
  }

  auto t = std::make_unique<kv::SideDefTable>();
  auto ends = [&](Long i) { return Seg{t->rec[i].x1, t->rec[i].y1, t->rec[i].x2, t->rec[i].y2}; };
  t->count = 7;  // whatever was there is replaced
  kv::drawRoom(*t);
  ASSERT_EQ(t->count, 4 * 5 + 8 + 8);
  // A column counterclockwise from (2200, 1250); the room clockwise, its
  // corners accumulated unrounded.
  EXPECT_EQ(ends(33), (Seg{5180, 1000, 4190, 10}));
  for (Long i = 0; i < 36; ++i) ASSERT_EQ(t->rec[i].nextSeg, i == 35 ? -1 : i + 1) << "one work list";
  kv::multiPoly(*t);
  EXPECT_EQ(std::make_pair(t->count, ends(15)), std::make_pair(kv::Integer(16), Seg{2653, 630, 2500, 1000}));

  // Intersect: crossing, touching its end, just missing, parallel, beyond 16 bits.
  t->count = 0;
  for (Seg s : {Seg{0, 2750, 1000, 2750},
                {300, 2500, 300, 2000},
                {0, 2499, 1000, 2499},
                {423, 3000, 546, 3500},
                {100000, 2750, -100000, 2750}})
    t->rec[t->count++] = kv::SideDef{s[0], s[1], s[2], s[3]};
  std::vector<Long> hits;
  kv::intersectSideDefs(*t, &hits, [&] { hits.push_back(-1); });  // a beep (-1) before each mark
  EXPECT_EQ(hits, (std::vector<Long>{-1, 0, -1, 1}));
}
