#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <tuple>

#include "model/clsMap.h"
#include "testutil.h"

using kv::Long;
using kv::Name16;
using kvtest::addSquare;
using kvtest::newMap;

namespace {

// A wall's end points, for comparing several at once.
std::array<Long, 4> ends(const kv::Wall& w) { return {w.x1, w.y1, w.x2, w.y2}; }

}  // namespace

TEST(MapDocument, NewDocumentAndClearMap) {
  auto m = newMap();
  EXPECT_EQ(std::tie(m->wallCount, m->areaCount, m->viewpointCount, m->globalCount), std::make_tuple(0, 0, 1, 6));
  const kv::Viewpoint& v = m->viewpoints[0];
  EXPECT_EQ(std::tie(v.name, v.x, v.y, v.z), std::make_tuple(Name16("Initial position"), 100, 100, 8));
  // "Overide CeilFloor" has 17 characters; the name field keeps 16.
  const char* names[] = {"MapID", "Floor Height", "Ceil Height", "Overide CeilFloo", "Max Step Height", "Gravity"};
  const double id = m->globals[0].value, values[] = {id, 8, 264, 0, 25, 1};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(std::tie(m->globals[i].id, m->globals[i].name, m->globals[i].value),
              std::make_tuple(12000.0 + i, Name16(names[i]), values[i]));
  EXPECT_TRUE(id >= 0 && id < 1000001);
  // Red, green, blue and olive in the window system's packing (red in the low
  // byte); the others are drawn before the generator is seeded, so every
  // start has the same ones, and they have no red.
  EXPECT_EQ((std::array{m->wallColours[0], m->wallColours[1], m->wallColours[2], m->wallColours[3]}),
            (std::array{0x0000FF, 0x00FF00, 0xFF0000, 0x007878}));
  kv::clsMap other;
  EXPECT_EQ(m->wallColours, other.wallColours);
  for (int i = 4; i <= 10; ++i) EXPECT_EQ(m->wallColours[i] & 0xFF, 0);

  bool dropped = false;
  m->onDropHighlight = [&] { dropped = true; };
  m->selectedWall = 3, m->insertX = 55;
  m->clearMap();
  EXPECT_EQ(std::tie(dropped, m->selectedWall, m->viewpointCount, m->globalCount, m->insertX),
            std::make_tuple(true, -1, 0, 6, 55));  // the view state survives
  EXPECT_NE(m->globals[0].value, id);
}

TEST(MapDocument, ItemBuffers) {
  auto m = newMap();
  addSquare(*m, 10, 20, 100);  // wall 1 runs (110, 20)-(110, 120)
  kv::Wall before = m->walls[1];
  before.nextSeg = 77;
  m->walls[1] = before;
  m->getWall(1);
  EXPECT_EQ((std::array{m->x1, m->y1, m->x2, m->y2}), (std::array{110, 20, 110, 120}));
  m->setWall(1);
  EXPECT_EQ(m->walls[1], before);  // including nextSeg, tStart, tEnd and wallID

  m->getGlobal(5);
  EXPECT_EQ(m->globalName, "Gravity         ");
  m->globalName = "A very long global name", m->globalValue = 9.81, m->globalID = 1;
  m->setGlobal(5);
  EXPECT_EQ(std::tie(m->globals[5].name, m->globals[5].id, m->globals[5].value),
            std::make_tuple(Name16("A very long glob"), 12005.0, 9.81));  // ids never change

  m->getArea(0);
  EXPECT_EQ((std::array{m->areaMinX, m->areaMinY, m->areaMaxX, m->areaMaxY, m->areaSize}),
            (std::array{10, 20, 110, 120, 10000}));
  m->areaMinX = -999, m->areaName = "Hall", m->areaFlags = 4;
  m->setArea(0);
  EXPECT_EQ(std::tie(m->areas[0].minX, m->areas[0].name, m->areas[0].flags),
            std::make_tuple(10, Name16("Hall            "), 4));  // the box is derived, never written from the buffer
}

TEST(EditingOperations, AreasAndWalls) {
  auto m = newMap();
  EXPECT_EQ(m->startArea(0, 2), 1);
  const kv::Area& a0 = m->areas[0];
  EXPECT_EQ(std::tie(a0.name, a0.floorBeg, a0.floorEnd, a0.ceilBeg, a0.ceilEnd, a0.flags),
            std::make_tuple(Name16("Area0           "), 8, 16, 64, 128, 2));
  m->areaCount = 0;

  // New walls copy the template's heights and textures and the buffer's
  // texture type; the buffer feeds the template.
  m->h1 = 1, m->h2 = 2, m->h3 = 3, m->h4 = 4;
  m->wallTx = 7, m->frontFloorTx = 6, m->frontCeilTx = 5, m->backFloorTx = 4, m->backCeilTx = 3;
  m->setPasteWall(true, false);
  EXPECT_EQ(std::tie(m->pasteH3, m->pasteWallTx), std::make_tuple(3, 1));
  m->setPasteWall(false, true);
  m->txType = 16, m->areaName = "Box";
  const Long a = addSquare(*m, 0, 0, 100);
  const kv::Area& ar = m->areas[a];
  EXPECT_EQ(std::tie(ar.name, ar.floorBeg, ar.minX, ar.minY, ar.maxX, ar.maxY, ar.size),
            std::make_tuple(Name16("Box"), 1, 0, 0, 100, 100, 10000));
  for (const kv::Wall& w : std::span(m->walls.data(), 4)) {
    EXPECT_EQ((std::array{w.h1, w.h2, w.h3, w.h4, w.wallTx, w.frontFloorTx, w.frontCeilTx, w.backFloorTx, w.backCeilTx,
                          w.txType, w.area, w.firstWallOfArea}),
              (std::array{1, 2, 3, 4, 7, 6, 5, 4, 3, 16, 0, 0}));
    EXPECT_EQ(std::tie(w.tStart, w.tEnd), std::make_tuple(0.0, 1.0));
  }
  EXPECT_NE(m->walls[0].wallID, m->walls[1].wallID);
  EXPECT_EQ(m->checkAreaLists(), "");
}

TEST(EditingOperations, MoveScaleRotateRoundHalvesToEven) {
  auto m = newMap();
  m->startArea(0, 0);
  m->addWall(0, 0, 1, 1, 0, -1);
  m->endArea();
  m->moveArea(0, 0.5f, 0.5f);  // 0.5 -> 0, 1.5 -> 2
  EXPECT_EQ(ends(m->walls[0]), (std::array{0, 0, 2, 2}));
  EXPECT_EQ(m->areaMaxX, 2);  // the area buffer shows the moved area

  // Scaling is about the origin: 100..200 becomes 200..400, then x 250..500
  // and y 100..200.
  const Long b = addSquare(*m, 100, 100, 100);
  m->scaleArea(b, 2, 2);
  EXPECT_EQ(std::tie(m->areas[b].minX, m->areas[b].maxY), std::make_tuple(200, 400));
  m->scaleArea(b, 1.25f, 0.5f);
  EXPECT_EQ(std::tie(m->areas[b].minX, m->areas[b].maxX, m->areas[b].minY, m->areas[b].maxY, m->areas[b].size),
            std::make_tuple(250, 500, 100, 200, 25000));

  // cos 0.5 = 0.87758, sin 0.5 = 0.47943: (30, 40) turns to (7.15, 49.49).
  const std::tuple<Long, Long, float, Long, Long> turns[] = {
      {100, 0, static_cast<float>(M_PI / 2), 0, 100}, {30, 40, 0.5f, 7, 49}, {0, 100, 0, 0, 100}};
  for (auto [x, y, angle, rx, ry] : turns)
    EXPECT_EQ(std::make_tuple(m->RotX(x, y, angle), m->RotY(x, y, angle)), std::make_tuple(rx, ry)) << x << "," << y;
  m->tx1 = 10, m->ty1 = 0, m->tx2 = 0, m->ty2 = 10;
  m->TransformPts(static_cast<float>(M_PI / 2), 5, 7);
  EXPECT_EQ((std::array{m->tx1, m->ty1, m->tx2, m->ty2}), (std::array{5, 17, -5, 7}));

  // A move whose result leaves 32 bits changes nothing.
  const kv::Wall keep = m->walls[b * 4 + 1];
  EXPECT_THROW(m->moveArea(b, 3e9f, 0), kv::RangeError);
  EXPECT_EQ(m->walls[b * 4 + 1], keep);
}

TEST(EditingOperations, SplitWallInTwoAndThree) {
  auto m = newMap();
  addSquare(*m, 0, 0, 100);  // wall 0 runs (0,0)-(100,0)
  m->splitWall(0, 2);
  ASSERT_EQ(m->wallCount, 5);
  EXPECT_EQ(ends(m->walls[0]), (std::array{0, 0, 50, 0}));
  EXPECT_EQ(ends(m->walls[4]), (std::array{50, 0, 100, 0}));
  m->splitWall(4, 3);  // (50,0)-(100,0): 50 + 16.5 -> 66 (even), 50 + 33 = 83
  ASSERT_EQ(m->wallCount, 7);
  EXPECT_EQ((std::array{m->walls[4].x2, m->walls[5].x1, m->walls[5].x2, m->walls[6].x1, m->walls[6].x2}),
            (std::array{66, 66, 83, 83, 100}));
  // The pieces are linked in order into the area, which stays closed.
  EXPECT_EQ(m->checkAreaLists(), "");
  Long w = m->areas[0].firstWall;
  for (Long expect : {0, 4, 5, 6, 1, 2, 3}) {
    ASSERT_EQ(w, expect);
    const Long next = m->walls[w].nextInArea;
    if (next != -1) {
      EXPECT_EQ((std::array{m->walls[w].x2, m->walls[w].y2}), (std::array{m->walls[next].x1, m->walls[next].y1}));
    }
    w = next;
  }
  EXPECT_EQ(w, -1);

  // Factors 0.33 and 0.66, not thirds: 3.3 -> 3, 6.6 -> 7; 33 and 66.
  auto t = newMap();
  t->startArea(0, 0);
  t->addWall(0, 0, 10, 0, 0, -1);
  t->addWall(0, 0, 0, -100, 1, -1);
  t->splitWall(0, 3);
  t->splitWall(1, 3);
  EXPECT_EQ((std::array{t->walls[0].x2, t->walls[2].x1, t->walls[2].x2, t->walls[3].x1}), (std::array{3, 3, 7, 7}));
  EXPECT_EQ((std::array{t->walls[1].y2, t->walls[4].y1, t->walls[4].y2, t->walls[5].y2}),
            (std::array{-33, -33, -66, -100}));
}

TEST(EditingOperations, FullTablesAndBadIndexesAreRefused) {
  auto m = newMap();
  m->startArea(0, 0);
  for (int i = 0; i < 2001; ++i) m->addWall(i, 0, i + 1, 0, 0, -1);
  EXPECT_THROW(m->addWall(0, 0, 1, 1, 0, -1), kv::MapError);
  EXPECT_THROW(m->splitWall(5, 2), kv::MapError);
  EXPECT_EQ(std::tie(m->wallCount, m->walls[5].x2), std::make_tuple(2001, 6));
  m->wallCount = 2000;
  EXPECT_THROW(m->splitWall(5, 3), kv::MapError);  // needs two slots
  m->splitWall(5, 2);                              // one fits
  EXPECT_EQ(m->wallCount, 2001);

  while (m->areaCount < 201) m->startArea(0, 0);
  EXPECT_THROW(m->startArea(0, 0), kv::MapError);
  EXPECT_EQ(m->areaCount, 201);
  for (auto bad : {+[](kv::clsMap& x) { x.getWall(2001); }, +[](kv::clsMap& x) { x.getWall(-1); },
                   +[](kv::clsMap& x) { x.getArea(201); }, +[](kv::clsMap& x) { x.setGlobal(-3); },
                   +[](kv::clsMap& x) { x.requireRoom(0, 1); }})
    EXPECT_THROW(bad(*m), kv::MapError);

  // A damaged list that loops back on itself, or runs on into walls not in
  // use, ends the walk there.
  auto d = newMap();
  addSquare(*d, 0, 0, 10);
  d->walls[3].nextInArea = 1;
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].maxX, 10);
  EXPECT_NE(d->checkAreaLists(), "");
  d->walls[3].nextInArea = 4, d->walls[4].x1 = 5000;
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].maxX, 10);
  // A box whose size passes 32 bits keeps the largest 32-bit value, also
  // when its sides are near 2^32; 10 x 200000010 still fits.
  d->walls[0].x1 = d->walls[0].y1 = INT32_MIN;
  d->walls[1].x2 = d->walls[1].y2 = INT32_MAX;
  d->adjustAreaBB(0);
  EXPECT_EQ(std::tie(d->areas[0].size, d->areas[0].minX), std::make_tuple(INT32_MAX, INT32_MIN));
  d->walls[1].x2 = d->walls[1].y2 = 10, d->walls[0].x1 = 0;
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].size, INT32_MAX);
  d->walls[0].y1 = -200000000;
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].size, 2000000100);
}
