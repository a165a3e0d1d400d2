// The map view's mouse tools and flashing, on the in-memory raster.
#include <gtest/gtest.h>

#include "testutil.h"
#include "view/mapeditor.h"

namespace {

using kv::Long;

struct Fixture {
  std::unique_ptr<kv::clsMap> m = kvtest::newMap();
  kv::RasterSurface s{200, 150};
  kv::ScriptedDialogs ui;
  kv::MapEditor ed{*m, s, ui};
  std::vector<std::string> list;
  std::vector<Long> picked;
  std::string status;
  int beeps = 0;
  Fixture() {
    ed.hooks.selWall = [&](Long i) { picked.push_back(i), m->selectedWall = i, ed.setFlashEnabled(true); };
    ed.hooks.clearSelectionList = [&] { list.clear(); };
    ed.hooks.addSelection = [&](const std::string& e) { list.push_back(e); };
    ed.hooks.beep = [&] { ++beeps; };
    ed.hooks.setStatusText = [&](const std::string& t) { status = t; };
  }
};

TEST(MapEditor, PickingUsesTheBoxTestAndTheLowestIndex) {
  // A wall's box widened by the scale (10) at its first end point and by 1
  // at its second: wall 0 (100,100)-(500,100) is hit for x 90 to 501, the
  // reversed wall 1 (500,300)-(100,300) for x 99 to 510; y within 10 of the line.
  Fixture f;
  f.m->addWall(100, 100, 500, 100, 0, -1), f.m->addWall(500, 300, 100, 300, 0, -1);
  for (auto [x, y, wall] : {std::tuple{9.1f, 10.f, 0},
                            {8.9f, 10.f, -1},
                            {50.1f, 10.f, 0},
                            {50.2f, 10.f, -1},
                            {30.f, 11.f, 0},
                            {30.f, 11.1f, -1},
                            {9.9f, 30.f, 1},
                            {9.8f, 30.f, -1},
                            {51.f, 30.f, 1},
                            {51.1f, 30.f, -1}}) {
    f.picked.clear();
    f.ed.mouseDown(kv::kLeftButton, 0, x, y);
    EXPECT_EQ(f.picked, wall < 0 ? std::vector<Long>{} : std::vector<Long>{wall}) << x << "," << y;
  }
  // Diagonal walls are hit anywhere in their box; the lowest index wins.
  f.m->addWall(0, 0, 1000, 1000, 0, -1);
  f.ed.mouseDown(kv::kLeftButton, kv::kShiftKey, 30, 70);  // SHIFT adds; only the diagonal is there
  f.ed.mouseDown(kv::kLeftButton, kv::kShiftKey, 30, 10);  // wall 0 and the diagonal
  EXPECT_EQ(f.list, (std::vector<std::string>{"Wall #1", "Wall #2", "Wall #0"}));
  f.ed.mouseDown(kv::kLeftButton, 0, 30, 70);  // without SHIFT the list starts afresh
  EXPECT_EQ(f.list, std::vector<std::string>{"Wall #2"});
  EXPECT_EQ(f.beeps, 8);
}

TEST(MapEditor, WheelScrollsByTheSmallChangeAndZoomsWithCtrl) {
  Fixture f;
  std::vector<std::pair<int, int>> bars;
  std::vector<bool> zooms;
  f.ed.hooks.scrollTo = [&](int h, int v) { bars.push_back({h, v}); };
  f.ed.hooks.zoom = [&](bool in) { zooms.push_back(in); };
  f.ed.hValue = 100, f.ed.vValue = 5;
  f.ed.wheel(-2, 0);              // towards the user: down
  f.ed.wheel(1, 0);               // up, and no further than 0
  f.ed.wheel(-1, kv::kShiftKey);  // SHIFT: the horizontal bar
  f.ed.wheel(1, 0, true);         // a sideways wheel
  f.ed.wheel(-100, 0);            // no further than the bar's maximum
  EXPECT_EQ(bars, (std::vector<std::pair<int, int>>{{100, 25}, {100, 0}, {110, 5}, {90, 5}, {100, 500}}));
  f.ed.wheel(2, kv::kCtrlKey);  // one Zoom In per notch
  f.ed.wheel(-1, kv::kCtrlKey | kv::kShiftKey);
  EXPECT_TRUE(zooms == (std::vector<bool>{true, true, false}) && bars.size() == 5);
}

TEST(MapEditor, InsertionPointAndTheFirstRedraw) {
  Fixture f;
  f.ed.redraw();  // the first redraw draws no cross, the second does
  EXPECT_EQ(f.s.countColour(kv::rgb(255, 255, 0)), 0);
  f.ed.redraw();
  const auto withCross = f.s.pixels();
  EXPECT_GT(f.s.countColour(kv::rgb(255, 255, 0)), 0);
  f.m->editMode = kv::kModeScale;  // any button but the left one sets the point in every mode
  f.ed.mouseDown(kv::kRightButton, 0, 40.5f, 30);
  EXPECT_TRUE(f.status == "Ins Pt XY = (405,300)" && f.picked.empty()) << f.status;
  f.ed.mouseDown(kv::kMiddleButton, 0, 10, 10);  // back to (100, 100): the old cross is erased
  EXPECT_EQ(f.s.pixels(), withCross);
}

TEST(MapEditor, ScaleAndMoveByDrag) {
  Fixture f;
  Long a = kvtest::addSquare(*f.m, 200, 200, 200);  // screen 20..40
  f.m->selectedArea = a;
  f.m->getArea(a);
  f.m->insertX = f.m->insertY = 0;
  f.ed.redraw();
  f.ed.redraw();
  const auto before = f.s.pixels();

  f.m->editMode = kv::kModeScale;
  f.ed.mouseDown(kv::kLeftButton, 0, 40, 40);
  f.ed.mouseMove(kv::kLeftButton, 0, 60, 80);
  EXPECT_TRUE(f.ed.factorX == 1.5f && f.ed.factorY == 2.0f && f.s.pixels() != before);
  f.ed.mouseUp(kv::kLeftButton, 0, 60, 80);  // about the map's origin
  EXPECT_EQ(std::make_tuple(f.m->areaMinX, f.m->areaMaxX, f.m->areaMinY, f.m->areaMaxY),
            std::make_tuple(300, 600, 400, 800));

  // Scrolled and with unequal scales, the move follows each axis's scale.
  f.m->scaleY = 20;
  f.ed.hValue = 50;  // offsetX = -200
  f.ed.redraw();
  f.m->editMode = kv::kModeMove;
  f.m->getArea(a);
  // The box's top-left corner is at (300 / 10 - 200, 400 / 20) = (-170, 20)
  // on screen; a press on the insertion point (-200, 0) gives ax = ay = 1.
  f.ed.mouseDown(kv::kLeftButton, 0, -200, 0);
  EXPECT_FLOAT_EQ(f.ed.boxLeft, -170);
  f.ed.mouseMove(kv::kLeftButton, 0, -199, 2);  // factors (1, 2): the corner moves by (0, 20)
  f.ed.mouseUp(kv::kLeftButton, 0, -199, 2);
  EXPECT_EQ(std::make_tuple(f.m->areaMinX, f.m->areaMinY, f.m->areaMaxY), std::make_tuple(300, 800, 1200));
}

TEST(MapEditor, RefusalsRotatePreviewAndFlashing) {
  Fixture f;
  kvtest::addSquare(*f.m, 200, 200, 200);
  f.m->editMode = kv::kModeMove;
  f.ed.mouseDown(kv::kLeftButton, 0, 30, 30);
  EXPECT_EQ(std::tie(f.ui.messages.at(0).text, f.ui.messages.at(0).title),
            std::make_tuple("No area is selected.", "No selected area"));
  f.ed.mouseUp(kv::kLeftButton, 0, 60, 60);  // no drag was started
  EXPECT_EQ(f.m->walls[0].x1, 200);

  f.m->selectedArea = 0;
  f.m->getArea(0);
  f.m->editMode = kv::kModeShear;
  f.ed.mouseDown(kv::kLeftButton, 0, 30, 30);
  EXPECT_EQ(f.ui.messages.back().title, "Not Yet Available");
  f.m->editMode = kv::kModeRotate;
  f.ed.mouseDown(kv::kLeftButton, 0, 30, 30);
  f.ed.mouseMove(kv::kLeftButton, 0, 40, 40);
  f.ed.mouseUp(kv::kLeftButton, 0, 40, 40);
  EXPECT_EQ(f.m->walls[0].x1, 200);  // only a preview
  EXPECT_EQ(f.ui.messages.size(), 2u);

  // Flashing: a tick draws, the next removes; deselect removes a shown one.
  f.ed.redraw();
  f.ed.redraw();  // the first drew no insertion cross
  const auto clean = f.s.pixels();
  f.m->editMode = kv::kModeSelect;
  f.ed.mouseDown(kv::kLeftButton, 0, 30, 20);
  f.ed.flashTick();
  EXPECT_TRUE(f.ed.flashOn && f.s.pixels() != clean);
  f.ed.deselectSideDef();
  EXPECT_TRUE(!f.ed.flashOn && f.s.pixels() == clean);
  f.ed.flashTick();
  f.ed.redrawPausingFlash();  // keeps the timer, drops the highlight state
  EXPECT_TRUE(f.ed.flashEnabled() && !f.ed.flashOn);
  // Any redraw wipes a shown highlight, so a deselect afterwards draws nothing.
  f.ed.flashTick();
  f.ed.redraw();
  EXPECT_FALSE(f.ed.flashOn);
  f.ed.deselectSideDef();
  EXPECT_EQ(f.s.pixels(), clean);
  f.m->selectedWall = -1;
  f.ed.flashTick();
  EXPECT_FALSE(f.ed.flashEnabled() || f.ed.flashOn);
}

}  // namespace
