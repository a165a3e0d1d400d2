#include <gtest/gtest.h>

#include <cmath>

#include "model/clsMap.h"
#include "testutil.h"

using kvtest::addSquare;
using kvtest::newMap;

TEST(MapDocument, NewDocumentAndClearMap) {
  auto m = newMap();
  EXPECT_EQ(m->wallCount, 0);
  EXPECT_EQ(m->areaCount, 0);
  ASSERT_EQ(m->viewpointCount, 1);
  EXPECT_EQ(m->viewpoints[0].name.text(), "Initial position");
  EXPECT_EQ(m->viewpoints[0].x, 100);
  EXPECT_EQ(m->viewpoints[0].y, 100);
  EXPECT_EQ(m->viewpoints[0].z, 8);
  ASSERT_EQ(m->globalCount, 6);
  // "Overide CeilFloor" has 17 characters; the name field keeps 16.
  const char* names[] = {"MapID", "Floor Height", "Ceil Height", "Overide CeilFloo", "Max Step Height", "Gravity"};
  double values[] = {0, 8, 264, 0, 25, 1};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(m->globals[i].id, 12000 + i);
    EXPECT_EQ(m->globals[i].name.trimmed(), names[i]);
    if (i) {
      EXPECT_EQ(m->globals[i].value, values[i]);
    }
  }
  double id = m->globals[0].value;
  EXPECT_GE(id, 0);
  EXPECT_LT(id, 1000001);
  EXPECT_EQ(m->wallColours[0], kv::rgb(255, 0, 0));
  EXPECT_EQ(m->wallColours[3], kv::rgb(120, 120, 0));
  // Colours drawn before seeding are the same for every new object.
  kv::clsMap other;
  EXPECT_EQ(m->wallColours, other.wallColours);
  for (int i = 4; i <= 10; ++i) EXPECT_EQ(m->wallColours[i] & 0xFF, 0);  // no red

  bool dropped = false;
  m->onDropHighlight = [&] { dropped = true; };
  m->selectedWall = 3;
  m->insertX = 55;
  m->clearMap();
  EXPECT_TRUE(dropped);
  EXPECT_EQ(m->selectedWall, -1);
  EXPECT_EQ(m->viewpointCount, 0);
  EXPECT_EQ(m->globalCount, 6);
  EXPECT_NE(m->globals[0].value, id);
  EXPECT_EQ(m->insertX, 55);  // the view state survives
}

TEST(MapDocument, ItemBuffers) {
  auto m = newMap();
  addSquare(*m, 0, 0, 100);
  kv::Wall before = m->walls[1];
  before.nextSeg = 77;
  m->walls[1] = before;
  m->getWall(1);
  m->setWall(1);
  EXPECT_EQ(m->walls[1], before);  // including nextSeg, tStart, tEnd and wallID

  m->getGlobal(5);
  EXPECT_EQ(m->globalName, "Gravity         ");
  m->globalName = "A very long global name";
  m->globalValue = 9.81;
  m->globalID = 1;
  m->setGlobal(5);
  EXPECT_EQ(m->globals[5].name.text(), "A very long glob");
  EXPECT_EQ(m->globals[5].id, 12005);  // ids never change
  EXPECT_EQ(m->globals[5].value, 9.81);

  m->getArea(0);
  m->areaMinX = -999;
  m->areaName = "Hall";
  m->areaFlags = 4;
  m->setArea(0);
  EXPECT_EQ(m->areas[0].minX, 0);  // the box is derived, never written from the buffer
  EXPECT_EQ(m->areas[0].name.text(), "Hall            ");
  EXPECT_EQ(m->areas[0].flags, 4);
}

TEST(EditingOperations, AreasAndWalls) {
  auto m = newMap();
  EXPECT_EQ(m->startArea(0, 2), 1);
  EXPECT_EQ(m->areas[0].name.text(), "Area0           ");
  EXPECT_EQ(m->areas[0].floorBeg, 8);
  EXPECT_EQ(m->areas[0].floorEnd, 16);
  EXPECT_EQ(m->areas[0].ceilBeg, 64);
  EXPECT_EQ(m->areas[0].ceilEnd, 128);
  m->areaCount = 0;

  m->pasteH1 = 1;
  m->pasteWallTx = 7;
  m->txType = 16;
  m->areaName = "Box";
  kv::Long a = addSquare(*m, 0, 0, 100);
  const kv::Area& ar = m->areas[a];
  EXPECT_EQ(ar.name.trimmed(), "Box");
  EXPECT_EQ(ar.floorBeg, 1);
  EXPECT_EQ(ar.minX, 0);
  EXPECT_EQ(ar.minY, 0);
  EXPECT_EQ(ar.maxX, 100);
  EXPECT_EQ(ar.maxY, 100);
  EXPECT_EQ(ar.size, 10000);
  for (int i = 0; i < 4; ++i) {
    const kv::Wall& w = m->walls[i];
    EXPECT_EQ(w.h1, 1);
    EXPECT_EQ(w.wallTx, 7);
    EXPECT_EQ(w.txType, 16);
    EXPECT_EQ(w.area, 0);
    EXPECT_EQ(w.firstWallOfArea, 0);
    EXPECT_EQ(w.tStart, 0.0);
    EXPECT_EQ(w.tEnd, 1.0);
  }
  EXPECT_NE(m->walls[0].wallID, m->walls[1].wallID);
  EXPECT_EQ(m->checkAreaLists(), "");

  // The buffer feeds the template.
  m->h3 = 99;
  m->frontCeilTx = 5;
  m->setPasteWall(true, false);
  EXPECT_EQ(m->pasteH3, 99);
  EXPECT_EQ(m->pasteFrontCeilTx, 1);
  m->setPasteWall(false, true);
  EXPECT_EQ(m->pasteFrontCeilTx, 5);
}

TEST(EditingOperations, MoveScaleRotateRoundHalvesToEven) {
  auto m = newMap();
  m->startArea(0, 0);
  m->addWall(0, 0, 1, 1, 0, -1);
  m->endArea();
  m->moveArea(0, 0.5f, 0.5f);
  EXPECT_EQ(m->walls[0].x1, 0);  // 0.5 -> 0
  EXPECT_EQ(m->walls[0].x2, 2);  // 1.5 -> 2
  EXPECT_EQ(m->walls[0].y2, 2);
  EXPECT_EQ(m->areaMaxX, 2);  // the area buffer shows the moved area

  kv::Long b = addSquare(*m, 100, 100, 100);
  m->scaleArea(b, 2, 2);
  EXPECT_EQ(m->areas[b].minX, 200);
  EXPECT_EQ(m->areas[b].maxY, 400);
  m->scaleArea(b, 1.25f, 0.5f);  // 200 * 1.25 = 250, 400 * 1.25 = 500; 200 * 0.5 = 100
  EXPECT_EQ(m->areas[b].minX, 250);
  EXPECT_EQ(m->areas[b].maxY, 200);

  const float half = static_cast<float>(M_PI / 2);
  EXPECT_EQ(m->RotX(100, 0, half), 0);
  EXPECT_EQ(m->RotY(100, 0, half), 100);
  m->tx1 = 10; m->ty1 = 0; m->tx2 = 0; m->ty2 = 10;
  m->TransformPts(half, 5, 7);
  EXPECT_EQ(m->tx1, 5);
  EXPECT_EQ(m->ty1, 17);
  EXPECT_EQ(m->tx2, -5);
  EXPECT_EQ(m->ty2, 7);

  // A move whose result leaves 32 bits changes nothing.
  kv::Wall keep = m->walls[b * 4 + 1];
  EXPECT_THROW(m->moveArea(b, 3e9f, 0), kv::RangeError);
  EXPECT_EQ(m->walls[b * 4 + 1], keep);
}

TEST(EditingOperations, SplitWallInTwoAndThree) {
  auto m = newMap();
  addSquare(*m, 0, 0, 100);  // wall 0 runs (0,0)-(100,0)
  m->splitWall(0, 2);
  ASSERT_EQ(m->wallCount, 5);
  EXPECT_EQ(m->walls[0].x2, 50);
  EXPECT_EQ(m->walls[4].x1, 50);
  EXPECT_EQ(m->walls[4].x2, 100);
  m->splitWall(4, 3);  // (50,0)-(100,0): 50 + 16.5 -> 66 (even), 50 + 33 = 83
  ASSERT_EQ(m->wallCount, 7);
  EXPECT_EQ(m->walls[4].x2, 66);
  EXPECT_EQ(m->walls[5].x1, 66);
  EXPECT_EQ(m->walls[5].x2, 83);
  EXPECT_EQ(m->walls[6].x1, 83);
  EXPECT_EQ(m->walls[6].x2, 100);
  // The pieces are linked in order into the area, which stays closed.
  EXPECT_EQ(m->checkAreaLists(), "");
  kv::Long order[] = {0, 4, 5, 6, 1, 2, 3};
  kv::Long w = m->areas[0].firstWall;
  for (kv::Long expect : order) {
    ASSERT_EQ(w, expect);
    kv::Long next = m->walls[w].nextInArea;
    if (next != -1) {
      EXPECT_EQ(m->walls[w].x2, m->walls[next].x1);
      EXPECT_EQ(m->walls[w].y2, m->walls[next].y1);
    }
    w = next;
  }
  EXPECT_EQ(w, -1);

  auto t = newMap();
  t->startArea(0, 0);
  t->addWall(0, 0, 10, 0, 0, -1);
  t->splitWall(0, 3);  // factors 0.33 and 0.66: 3.3 -> 3, 6.6 -> 7
  EXPECT_EQ(t->walls[0].x2, 3);
  EXPECT_EQ(t->walls[1].x2, 7);
  EXPECT_EQ(t->walls[2].x1, 7);
  t->startArea(3, 0);
  t->addWall(0, 0, 100, 0, 3, -1);
  t->splitWall(3, 3);
  EXPECT_EQ(t->walls[3].x2, 33);
  EXPECT_EQ(t->walls[4].x2, 66);
}

TEST(EditingOperations, FullTablesAndBadIndexesAreRefused) {
  auto m = newMap();
  m->startArea(0, 0);
  for (int i = 0; i < 2001; ++i) m->addWall(i, 0, i + 1, 0, 0, -1);
  EXPECT_THROW(m->addWall(0, 0, 1, 1, 0, -1), kv::MapError);
  EXPECT_EQ(m->wallCount, 2001);
  EXPECT_THROW(m->splitWall(5, 2), kv::MapError);
  EXPECT_EQ(m->walls[5].x2, 6);
  m->wallCount = 2000;
  EXPECT_THROW(m->splitWall(5, 3), kv::MapError);  // needs two slots
  m->splitWall(5, 2);                              // one fits
  EXPECT_EQ(m->wallCount, 2001);

  while (m->areaCount < 201) m->startArea(0, 0);
  EXPECT_THROW(m->startArea(0, 0), kv::MapError);
  EXPECT_EQ(m->areaCount, 201);
  EXPECT_THROW(m->getWall(2001), kv::MapError);
  EXPECT_THROW(m->getWall(-1), kv::MapError);
  EXPECT_THROW(m->getArea(201), kv::MapError);
  EXPECT_THROW(m->setGlobal(-3), kv::MapError);
  EXPECT_THROW(m->requireRoom(0, 1), kv::MapError);

  // A damaged list that loops back on itself, or runs on into walls not in
  // use, ends the walk there.
  auto d = newMap();
  addSquare(*d, 0, 0, 10);
  d->walls[3].nextInArea = 1;
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].maxX, 10);
  EXPECT_NE(d->checkAreaLists(), "");
  d->walls[3].nextInArea = 4;
  d->walls[4].x1 = 5000;
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].maxX, 10);
  // A box whose size passes 32 bits keeps the largest 32-bit value, also
  // when its sides are near 2^32.
  d->walls[0].x1 = d->walls[0].y1 = INT32_MIN;
  d->walls[1].x2 = d->walls[1].y2 = INT32_MAX;
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].size, INT32_MAX);
  EXPECT_EQ(d->areas[0].minX, INT32_MIN);
  d->walls[1].x2 = d->walls[1].y2 = 10;
  d->walls[0].x1 = 0;  // a box 10 wide and 2^31 + 10 high: still too large
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].size, INT32_MAX);
  d->walls[0].y1 = -200000000;  // 10 x 200000010 fits
  d->adjustAreaBB(0);
  EXPECT_EQ(d->areas[0].size, 2000000100);
}
