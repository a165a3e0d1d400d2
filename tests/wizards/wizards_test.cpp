#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "io/dialogs.h"
#include "testutil.h"
#include "wizards/wizardforms.h"

using kv::Long;
using kvtest::newMap;

namespace {

struct Seg {
  Long x1, y1, x2, y2;
  bool operator==(const Seg&) const = default;
};

Seg seg(const kv::clsMap& m, Long i) { return {m.walls[i].x1, m.walls[i].y1, m.walls[i].x2, m.walls[i].y2}; }

std::vector<Seg> segs(const kv::clsMap& m, Long from, Long n) {
  std::vector<Seg> v;
  for (Long i = from; i < from + n; ++i) v.push_back(seg(m, i));
  return v;
}

// A refused wizard must leave the tables exactly as they were.
void expectUnchanged(const kv::clsMap& before, const kv::clsMap& after) {
  EXPECT_EQ(before.wallCount, after.wallCount);
  EXPECT_EQ(before.areaCount, after.areaCount);
  EXPECT_TRUE(before.walls == after.walls);
  EXPECT_TRUE(before.areas == after.areas);
}

std::unique_ptr<kv::clsMap> copyOf(const kv::clsMap& m) { return std::make_unique<kv::clsMap>(m); }

}  // namespace

TEST(RoomWizard, EmptyAndMultiPillarRoomsWithDefaults) {
  auto m = newMap();
  m->insertX = 1800, m->insertY = 1000;
  kv::RoomWizardForm f;
  f.activate(*m);
  kv::ScriptedDialogs d;
  ASSERT_TRUE(f.finish(*m, d));
  EXPECT_TRUE(d.messages.empty());
  ASSERT_EQ(m->wallCount, 4);
  ASSERT_EQ(m->areaCount, 1);
  EXPECT_EQ(m->areas[0].name.trimmed(), "RoomID0");
  EXPECT_EQ(segs(*m, 0, 4), (std::vector<Seg>{{1800, 1000, 1800, 2400}, {1800, 2400, 3200, 2400},
                                              {3200, 2400, 3200, 1000}, {3200, 1000, 1800, 1000}}));
  for (Long i = 0; i < 4; ++i) {
    const kv::Wall& w = m->walls[i];
    EXPECT_EQ(std::vector<Long>({w.h1, w.h2, w.h3, w.h4, w.wallTx, w.frontFloorTx, w.backFloorTx}),
              std::vector<Long>({0, 264, 264, 264, 1, 1, 2}));
    EXPECT_EQ(w.nextInArea, i == 3 ? -1 : i + 1);
  }
  EXPECT_EQ(m->walls[3].nextSeg, -1);
  EXPECT_EQ(m->areas[0].size, 1400 * 1400);
  EXPECT_EQ(m->areaName, "");

  // Multi-pillar room on a fresh map ("New Map" clears and is unchecked).
  f.roomType = 1;
  f.clearMap = true;
  ASSERT_TRUE(f.finish(*m, d));
  EXPECT_FALSE(f.clearMap);
  ASSERT_EQ(m->wallCount, 40);
  ASSERT_EQ(m->areaCount, 7);
  const char* names[] = {"Col0", "Col5", "Col10", "Col15", "Col20", "Col28", "RoomID36"};
  for (int a = 0; a < 7; ++a) EXPECT_EQ(m->areas[a].name.trimmed(), names[a]);
  // The first pillar's pentagon, each corner rounded before the next.
  EXPECT_EQ(segs(*m, 0, 5), (std::vector<Seg>{{2000, 1250, 2000, 1350}, {2000, 1350, 1905, 1381},
                                              {1905, 1381, 1846, 1300}, {1846, 1300, 1905, 1219},
                                              {1905, 1219, 2000, 1250}}));
  for (Long i = 0; i < 36; ++i) {
    const kv::Wall& w = m->walls[i];
    EXPECT_EQ(std::vector<Long>({w.h1, w.h2, w.h3, w.h4, w.frontFloorTx, w.backFloorTx}),
              std::vector<Long>({8, 16, 128, 264, 2, 1}))
        << i;
    EXPECT_EQ(w.wallTx, i < 20 ? 2 : i < 28 ? 6 : 8) << i;
  }
  EXPECT_EQ(m->walls[36].h1, 0);
  EXPECT_EQ(m->checkAreaLists(), "");
  // The template and buffers keep the room settings.
  EXPECT_EQ(std::vector<Long>({m->pasteH1, m->pasteH2, m->pasteH3, m->pasteH4, m->pasteWallTx,
                               m->pasteFrontFloorTx, m->pasteBackFloorTx, m->h1, m->wallTx, m->ceilEnd}),
            std::vector<Long>({0, 264, 264, 264, 1, 1, 2, 0, 1, 264}));
}

TEST(RoomWizard, FinishRulesAndRefusals) {
  auto m = newMap();
  kvtest::addSquare(*m, 0, 0, 100);
  kv::ScriptedDialogs d;
  kv::RoomWizardForm f;

  f.roomType = -1;
  EXPECT_FALSE(f.finish(*m, d));
  ASSERT_EQ(d.messages.size(), 1u);
  EXPECT_EQ(d.messages[0].text, "No room type selected.");
  EXPECT_EQ(d.messages[0].title, "No selection");
  EXPECT_EQ(d.messages[0].icon, kv::MsgIcon::Critical);
  f.roomType = 0;

  // Refusals keep the dialog open, skip the clear and add nothing.
  auto before = copyOf(*m);
  f.clearMap = true;
  for (auto bad : std::vector<std::pair<std::string*, std::string>>{
           {&f.numSidesText, "0.3"}, {&f.numSidesText, "40000"}, {&f.ceilingHeightText, "1e6"},
           {&f.startXText, "32700"}, {&f.numSidesText, "2002"}}) {
    const std::string keep = *bad.first;
    *bad.first = bad.second;
    if (bad.second == "32700") f.roomType = 1;  // pillars would start beyond 32767
    d.messages.clear();
    EXPECT_FALSE(f.finish(*m, d)) << bad.second;
    ASSERT_EQ(d.messages.size(), 1u) << bad.second;
    EXPECT_EQ(d.messages[0].title, "Room Wizard");
    EXPECT_TRUE(f.clearMap);
    expectUnchanged(*before, *m);
    *bad.first = keep;
    f.roomType = 0;
  }
  f.clearMap = false;

  // Not greater than 0: closes, builds nothing.
  f.sideLenText = "abc";
  EXPECT_TRUE(f.finish(*m, d));
  EXPECT_FALSE(f.built);
  expectUnchanged(*before, *m);
  f.sideLenText = "100";

  // 4.5 sides round to 4; one and two sides are single walls out and back.
  f.numSidesText = "4.5";
  f.startXText = "0", f.startYText = "0";
  ASSERT_TRUE(f.finish(*m, d));
  EXPECT_EQ(m->wallCount, 8);
  f.numSidesText = "2";
  ASSERT_TRUE(f.finish(*m, d));
  EXPECT_EQ(segs(*m, 8, 2), (std::vector<Seg>{{0, 0, 0, 100}, {0, 100, 0, 0}}));
  // A side length above 0 is read, rounded and built, also when it rounds to 0.
  f.numSidesText = "3", f.sideLenText = "0.4";
  ASSERT_TRUE(f.finish(*m, d));
  EXPECT_EQ(segs(*m, 10, 3), std::vector<Seg>(3, Seg{0, 0, 0, 0}));
  EXPECT_EQ(m->checkAreaLists(), "");

  // A room that does not fit the wall table adds nothing at all.
  m->wallCount = kv::kWallSlots - 5;
  before = copyOf(*m);
  f.numSidesText = "8";
  d.messages.clear();
  EXPECT_FALSE(f.finish(*m, d));
  ASSERT_EQ(d.messages.size(), 1u);
  EXPECT_NE(d.messages[0].text.find("Not enough room"), std::string::npos);
  expectUnchanged(*before, *m);
}

TEST(ColumnWizard, DefaultsAndNames) {
  auto m = newMap();
  m->insertX = 1800, m->insertY = 1000;
  kv::ColWizardForm f;
  f.activate(*m);
  kv::ScriptedDialogs d;
  ASSERT_TRUE(f.finish(*m, d));
  EXPECT_EQ(segs(*m, 0, 5), (std::vector<Seg>{{1800, 1000, 1800, 1050}, {1800, 1050, 1752, 1065},
                                              {1752, 1065, 1723, 1025}, {1723, 1025, 1752, 985},
                                              {1752, 985, 1800, 1000}}));
  f.numSidesText = "4", f.startXText = "2300", f.startYText = "1500";
  ASSERT_TRUE(f.finish(*m, d));
  EXPECT_EQ(segs(*m, 5, 4), (std::vector<Seg>{{2300, 1500, 2300, 1550}, {2300, 1550, 2250, 1550},
                                              {2250, 1550, 2250, 1500}, {2250, 1500, 2300, 1500}}));
  EXPECT_EQ(m->areas[0].name.trimmed(), "Col0");
  EXPECT_EQ(m->areas[1].name.trimmed(), "Col5");
  // Heights and textures come from the template as it stands.
  EXPECT_EQ(m->walls[0].h4, 128);
  f.sideLenText = "";
  EXPECT_TRUE(f.finish(*m, d));
  EXPECT_FALSE(f.built);
  EXPECT_EQ(m->wallCount, 9);
  f.sideLenText = "0.4";
  EXPECT_TRUE(f.finish(*m, d));
  EXPECT_EQ(segs(*m, 9, 4), std::vector<Seg>(4, Seg{2300, 1500, 2300, 1500}));
  EXPECT_TRUE(d.messages.empty());
}

TEST(StairWizard, StepsCountsAndRefusals) {
  auto m = newMap();
  m->insertX = 2300, m->insertY = 1500;
  kv::StairWizardForm f;
  f.activate(*m);
  kv::ScriptedDialogs d;
  ASSERT_TRUE(f.finish(*m, d));
  ASSERT_EQ(m->wallCount, 32);
  ASSERT_EQ(m->areaCount, 8);
  EXPECT_EQ(segs(*m, 0, 4), (std::vector<Seg>{{2300, 1500, 2300, 1550}, {2300, 1550, 2250, 1550},
                                              {2250, 1550, 2250, 1500}, {2250, 1500, 2300, 1500}}));
  EXPECT_EQ(m->walls[0].h2, 25);
  EXPECT_EQ(seg(*m, 28).y1, 1150);
  EXPECT_EQ(m->walls[28].h2, 200);
  EXPECT_EQ(m->areas[7].floorEnd, 200);
  EXPECT_EQ(m->areas[7].name.trimmed(), "Area7");
  EXPECT_EQ(m->pasteH2, 200);
  EXPECT_EQ(m->walls[31].nextSeg, -1);
  EXPECT_EQ(m->checkAreaLists(), "");

  for (auto [count, steps] : std::vector<std::pair<double, double>>{{1, 1}, {0.5, 1}, {2, 2}, {2.5, 2}, {3.7, 3}, {8, 8}})
    EXPECT_EQ(kv::StairWizardForm::stepCount(count), steps) << count;

  f.numStairsText = "3.7", f.heightIncText = "0";
  ASSERT_TRUE(f.finish(*m, d));
  EXPECT_EQ(m->areaCount, 11);
  EXPECT_EQ(m->walls[40].h2, 0);

  // Steps that would climb past 32767 or run below -32768, or need more
  // walls than are left: refused whole.
  auto before = copyOf(*m);
  for (auto [count, inc, y] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"10", "4000", "0"}, {"10", "5", "-32700"}, {"600", "1", "0"}}) {
    f.numStairsText = count, f.heightIncText = inc, f.startYText = y;
    d.messages.clear();
    EXPECT_FALSE(f.finish(*m, d)) << count;
    EXPECT_EQ(d.messages.size(), 1u);
    expectUnchanged(*before, *m);
  }
}

TEST(CaveAndSwitch, PiecesAnglesAndCommands) {
  auto m = newMap();
  m->wzCave(1000, 500, 264, 10, 0);
  ASSERT_EQ(m->wallCount, 8);
  ASSERT_EQ(m->areaCount, 2);
  EXPECT_EQ(segs(*m, 0, 8), (std::vector<Seg>{{970, 510, 970, 490}, {970, 490, 1030, 490}, {1030, 490, 1030, 510},
                                              {1030, 510, 970, 510}, {980, 506, 980, 494}, {980, 494, 1020, 494},
                                              {1020, 494, 1020, 506}, {1020, 506, 980, 506}}));
  auto tex = [&](Long i) {
    const kv::Wall& w = m->walls[i];
    return std::vector<Long>{w.h1, w.h2, w.h3, w.h4, w.wallTx, w.frontFloorTx, w.frontCeilTx, w.backFloorTx, w.backCeilTx};
  };
  EXPECT_EQ(tex(0), (std::vector<Long>{8, 20, 264, 264, 3, 1, 1, 3, 3}));
  EXPECT_EQ(tex(6), (std::vector<Long>{20, 120, 264, 264, 3, 3, 3, 3, 1}));
  EXPECT_EQ(tex(7), (std::vector<Long>{20, 120, 264, 264, 10, 3, 3, 3, 1}));
  EXPECT_EQ(m->areas[0].floorEnd, 20);
  EXPECT_EQ(m->areas[1].floorBeg, 20);
  EXPECT_EQ(m->areas[1].floorEnd, 120);
  EXPECT_EQ(m->walls[3].nextSeg, -1);
  EXPECT_EQ(m->checkAreaLists(), "");

  // The commands: insertion point, an angle from the fraction, their ceilings.
  m->insertX = 500, m->insertY = 500;
  m->ceilEnd = 99;
  kv::ScriptedDialogs d;
  EXPECT_EQ(kv::randomAngle(0.25), 90);
  EXPECT_EQ(kv::randomAngle(0.9999999), 359);
  ASSERT_TRUE(kv::runPieceCommand(*m, d, kv::PieceKind::CaveWizard, [] { return 0.25; }));
  EXPECT_EQ(seg(*m, 8), (Seg{490, 470, 510, 470}));  // turned 90 degrees: 20 wide, 60 tall
  EXPECT_EQ(m->walls[8].h3, 99);
  ASSERT_TRUE(kv::runPieceCommand(*m, d, kv::PieceKind::TestSwitch, [] { return 0.0; }));
  EXPECT_EQ(m->walls[16].h4, 264);
  EXPECT_EQ(m->ceilEnd, 264);
  ASSERT_TRUE(kv::runPieceCommand(*m, d, kv::PieceKind::SwitchWizard));  // the map's own generator
  EXPECT_EQ(m->areaCount, 8);

  // A piece too close to the edge of the coordinates, or one too many for
  // the area table, adds nothing.
  m->insertX = 2147483640;
  auto before = copyOf(*m);
  EXPECT_FALSE(kv::runPieceCommand(*m, d, kv::PieceKind::CaveWizard, [] { return 0.0; }));
  expectUnchanged(*before, *m);
  m->insertX = 0;
  m->areaCount = kv::kAreaSlots - 1;
  before = copyOf(*m);
  EXPECT_FALSE(kv::runPieceCommand(*m, d, kv::PieceKind::CaveWizard, [] { return 0.0; }));
  expectUnchanged(*before, *m);
  EXPECT_EQ(d.messages.size(), 2u);
}

TEST(SplitAndPassage, SelectionChecksExampleAndDefaults) {
  auto m = newMap();
  kv::ScriptedDialogs d;
  EXPECT_FALSE(kv::SplitWallForm::mayOpen(*m, d));
  ASSERT_EQ(d.messages.size(), 1u);
  EXPECT_EQ(d.messages[0].text, "You need to select a wall that you want to split.");
  EXPECT_EQ(d.messages[0].title, "No wall selected");
  EXPECT_EQ(d.messages[0].icon, kv::MsgIcon::Exclamation);

  // Two facing walls of one area, the passage example.
  m->startArea(0, 0);
  m->addWall(0, 0, 300, 0, 0, 1);
  m->h1 = 8, m->h4 = 104;
  m->setPasteWall(true, false);
  m->addWall(300, 100, 0, 100, 0, -1);
  m->endArea();
  m->selectedWall = 1;

  kv::PassageWizardForm p;
  for (auto sel : {std::vector<std::string>{"Wall #0"}, std::vector<std::string>{"Wall #0", "Wall #1", "Wall #1"}})
    EXPECT_FALSE(kv::PassageWizardForm::mayOpen(sel, d));
  EXPECT_EQ(d.messages.back().title, "Wall not selected");
  EXPECT_NE(d.messages.back().text.find("You need to select two walls (with the SHIFT key)"), std::string::npos);

  const std::vector<std::string> sel{"Wall #0", "Wall #1"};
  p.load(*m, sel);
  p.activate(*m, sel);
  EXPECT_EQ(p.startHeightText, "16");
  EXPECT_EQ(p.heightText, "38.4");
  EXPECT_EQ(p.wallHeightLabel, "96");
  m->selectedWall = 0;  // h1 8, h4 128
  p.load(*m, sel);
  EXPECT_EQ(p.heightText, "48");

  p.startHeightText = "500";  // the heights change nothing
  d.messages.clear();
  ASSERT_TRUE(p.finish(*m, d, sel));
  EXPECT_TRUE(d.messages.empty());
  ASSERT_EQ(m->wallCount, 6);
  EXPECT_EQ(seg(*m, 0), (Seg{0, 0, 99, 0}));
  EXPECT_EQ(seg(*m, 2), (Seg{201, 100, 198, 0}));
  EXPECT_EQ(seg(*m, 3), (Seg{198, 0, 300, 0}));
  EXPECT_EQ(seg(*m, 1), (Seg{300, 100, 201, 100}));
  EXPECT_EQ(seg(*m, 4), (Seg{99, 0, 102, 100}));
  EXPECT_EQ(seg(*m, 5), (Seg{102, 100, 0, 100}));
  EXPECT_EQ(m->walls[4].h1, 8);
  EXPECT_EQ(m->checkAreaLists(), "");

  // A wall the map does not have: refused.
  auto before = copyOf(*m);
  d.messages.clear();
  EXPECT_TRUE(p.finish(*m, d, {"Wall #0", "Wall #99"}));
  EXPECT_EQ(d.messages.size(), 1u);
  expectUnchanged(*before, *m);
  // Only the count of the selection is checked: the same wall twice is cut
  // twice, its first third again, and the middle pieces swap their starts.
  auto twice = copyOf(*m);
  ASSERT_TRUE(p.finish(*twice, d, {"Wall #1", "Wall #1"}));
  EXPECT_EQ(d.messages.size(), 1u);
  ASSERT_EQ(twice->wallCount, 10);
  EXPECT_EQ(segs(*twice, 6, 4), (std::vector<Seg>{{289, 100, 235, 100}, {235, 100, 201, 100},
                                                 {267, 100, 278, 100}, {278, 100, 267, 100}}));
  EXPECT_EQ(seg(*twice, 1), (Seg{300, 100, 289, 100}));

  // Split: kind 2 appends one piece, kind 3 two, both joined to the area.
  kv::SplitWallForm s;
  m->selectedWall = 3;
  ASSERT_TRUE(s.finish(*m, d));
  EXPECT_EQ(seg(*m, 3), (Seg{198, 0, 249, 0}));
  EXPECT_EQ(seg(*m, 6), (Seg{249, 0, 300, 0}));
  s.doubleSplit = false;
  ASSERT_TRUE(s.finish(*m, d));
  EXPECT_EQ(m->wallCount, 9);
  EXPECT_EQ(m->checkAreaLists(), "");
}
