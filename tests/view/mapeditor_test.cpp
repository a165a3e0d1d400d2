// The map view's mouse tools and flashing, on the in-memory raster.
#include <gtest/gtest.h>

#include "io/dialogs.h"
#include "testutil.h"
#include "view/mapeditor.h"
#include "view/mapview.h"

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
    ed.hooks.selWall = [&](Long i) {
      picked.push_back(i);
      m->selectedWall = i;
      ed.setFlashEnabled(true);
    };
    ed.hooks.clearSelectionList = [&] { list.clear(); };
    ed.hooks.addSelection = [&](const std::string& e) { list.push_back(e); };
    ed.hooks.beep = [&] { ++beeps; };
    ed.hooks.setStatusText = [&](const std::string& t) { status = t; };
  }
};

TEST(MapEditor, PickingUsesTheBoxTestAndTheLowestIndex) {
  Fixture f;
  kvtest::addSquare(*f.m, 100, 100, 400);          // walls 0-3, screen 10..50
  f.m->addWall(0, 0, 1000, 1000, 0, -1);           // wall 4: a diagonal over everything
  // Wall 0 runs (100,100)-(500,100): hit from x 90 to 501, y 90 to 101.
  f.ed.mouseDown(kv::kLeftButton, 0, 30, 10);
  EXPECT_EQ(f.picked, std::vector<Long>{0});
  f.ed.mouseDown(kv::kLeftButton, 1, 30, 30);       // inside no wall's own box but the diagonal's
  f.ed.mouseDown(kv::kLeftButton, 1, 50, 30);       // wall 1 (x 500): lower index than 4
  EXPECT_EQ(f.picked, (std::vector<Long>{0, 4, 1}));
  EXPECT_EQ(f.list, (std::vector<std::string>{"Wall #0", "Wall #4", "Wall #1"}));
  f.ed.mouseDown(kv::kLeftButton, 0, 52, 30);       // x 520: past wall 1 (up to 500 + 10): the diagonal
  EXPECT_EQ(f.list, std::vector<std::string>{"Wall #4"});
  EXPECT_EQ(f.beeps, 4);
  f.ed.mouseDown(kv::kLeftButton, 0, 150, 140);     // nothing there
  EXPECT_EQ(f.beeps, 4);
  EXPECT_TRUE(f.ed.flashEnabled());
}

TEST(MapEditor, WheelScrollsByTheSmallChangeAndZoomsWithCtrl) {
  Fixture f;
  std::vector<std::pair<int, int>> bars;
  std::vector<bool> zooms;
  f.ed.hooks.scrollTo = [&](int h, int v) { bars.push_back({h, v}); };
  f.ed.hooks.zoom = [&](bool in) { zooms.push_back(in); };
  f.ed.hValue = 100, f.ed.vValue = 5;
  f.ed.wheel(-2, 0);                  // towards the user: down
  f.ed.wheel(1, 0);                   // up, and no further than 0
  f.ed.wheel(-1, kv::kShiftKey);      // SHIFT: the horizontal bar
  f.ed.wheel(1, 0, true);             // a sideways wheel
  f.ed.wheel(-100, 0);                // no further than the bar's maximum
  EXPECT_EQ(bars, (std::vector<std::pair<int, int>>{{100, 25}, {100, 0}, {110, 5}, {90, 5}, {100, 500}}));
  f.ed.wheel(2, kv::kCtrlKey);        // one Zoom In per notch
  f.ed.wheel(-1, kv::kCtrlKey | kv::kShiftKey);
  EXPECT_EQ(zooms, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(bars.size(), 5u);
}

TEST(MapEditor, InsertionPointAndTheFirstRedraw) {
  Fixture f;
  f.ed.redraw();  // the first redraw draws no cross
  EXPECT_EQ(f.s.countColour(kv::rgb(255, 255, 0)), 0);
  const auto empty = f.s.pixels();
  f.ed.redraw();
  const auto withCross = f.s.pixels();
  EXPECT_NE(withCross, empty);
  f.m->editMode = kv::kModeScale;  // any button but the left one sets the point in every mode
  f.ed.mouseDown(kv::kRightButton, 0, 40.5f, 30);
  EXPECT_EQ(f.m->insertX, 405);
  EXPECT_EQ(f.m->insertY, 300);
  EXPECT_EQ(f.status, "Ins Pt XY = (405,300)");
  EXPECT_TRUE(f.picked.empty());
  f.ed.mouseDown(kv::kMiddleButton, 0, 10, 10);     // back to (100, 100): the old cross is erased
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
  EXPECT_FLOAT_EQ(f.ed.factorX, 1.5f);
  EXPECT_FLOAT_EQ(f.ed.factorY, 2.0f);
  EXPECT_NE(f.s.pixels(), before);
  f.ed.mouseUp(kv::kLeftButton, 0, 60, 80);
  EXPECT_EQ(f.m->areaMinX, 300);
  EXPECT_EQ(f.m->areaMaxX, 600);
  EXPECT_EQ(f.m->areaMinY, 400);
  EXPECT_EQ(f.m->areaMaxY, 800);

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
  EXPECT_EQ(f.m->areaMinX, 300);
  EXPECT_EQ(f.m->areaMinY, 400 + 20 * 20);
  EXPECT_EQ(f.m->areaMaxY, 800 + 20 * 20);
}

TEST(MapEditor, RefusalsRotatePreviewAndFlashing) {
  Fixture f;
  kvtest::addSquare(*f.m, 200, 200, 200);
  f.m->editMode = kv::kModeMove;
  f.ed.mouseDown(kv::kLeftButton, 0, 30, 30);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "No area is selected.");
  EXPECT_EQ(f.ui.messages[0].title, "No selected area");
  f.ed.mouseUp(kv::kLeftButton, 0, 60, 60);          // no drag was started
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
  EXPECT_EQ(f.m->walls[0].x1, 200);                  // only a preview
  EXPECT_EQ(f.ui.messages.size(), 2u);

  // Flashing: a tick draws, the next removes; deselect removes a shown one.
  f.ed.redraw();
  f.ed.redraw();  // the first drew no insertion cross
  const auto clean = f.s.pixels();
  f.m->editMode = kv::kModeSelect;
  f.ed.mouseDown(kv::kLeftButton, 0, 30, 20);
  f.ed.flashTick();
  EXPECT_TRUE(f.ed.flashOn);
  EXPECT_NE(f.s.pixels(), clean);
  f.ed.deselectSideDef();
  EXPECT_FALSE(f.ed.flashOn);
  EXPECT_EQ(f.s.pixels(), clean);
  f.ed.flashTick();
  f.ed.redrawPausingFlash();                         // keeps the timer, drops the highlight state
  EXPECT_TRUE(f.ed.flashEnabled());
  EXPECT_FALSE(f.ed.flashOn);
  // Any redraw wipes a shown highlight, so a deselect afterwards draws nothing.
  f.ed.flashTick();
  f.ed.redraw();
  EXPECT_FALSE(f.ed.flashOn);
  f.ed.deselectSideDef();
  EXPECT_EQ(f.s.pixels(), clean);
  f.m->selectedWall = -1;
  f.ed.flashTick();
  EXPECT_FALSE(f.ed.flashEnabled());
  EXPECT_FALSE(f.ed.flashOn);
}

}  // namespace
