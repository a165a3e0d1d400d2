// Plan-view transforms and drawing on the in-memory raster.
#include <gtest/gtest.h>

#include "testutil.h"
#include "view/layout.h"
#include "view/mapview.h"

namespace {

using kv::Long;

TEST(MapView, TransformsOffsetsAndInsertion) {
  auto m = kvtest::newMap();
  kv::calcOffset(*m, 0.0, 1.0);
  EXPECT_EQ(m->offsetX, 0);
  EXPECT_EQ(m->offsetY, -2000);
  kv::calcOffset(*m, 0.25f / 1.0f, 10.0f / 500.0f);
  EXPECT_EQ(m->offsetX, -500);
  EXPECT_EQ(m->offsetY, -40);
  EXPECT_FLOAT_EQ(kv::scaleDrawX(*m, 1000), 1000 / 10.0f - 500);
  EXPECT_FLOAT_EQ(kv::scaleClickY(*m, 10), (10 + 40) * 10.0f);
  m->scaleX = 4;
  kv::setInsertion(*m, 0.625f, 0);  // (0.625 + 500) * 4 = 2002.5: halves to even
  EXPECT_EQ(m->insertX, 2002);
  EXPECT_EQ(kv::insertionText(*m), "Ins Pt XY = (2002,400)");
  m->insertX = -7;
  EXPECT_EQ(kv::insertionText(*m), "Ins Pt XY = (-7,400)");
}

TEST(MapView, ZoomStaysWithinItsLimits) {
  auto m = kvtest::newMap();
  std::string why;
  EXPECT_TRUE(kv::zoomIn(*m, why));
  EXPECT_EQ(m->scaleX, 5);
  EXPECT_TRUE(kv::zoomIn(*m, why));
  EXPECT_EQ(m->scaleY, 2);  // 2.5 rounds to even
  EXPECT_TRUE(kv::zoomIn(*m, why));
  EXPECT_FALSE(kv::zoomIn(*m, why));
  EXPECT_EQ(m->scaleX, 1);
  EXPECT_FALSE(why.empty());
  for (int i = 0; i < 14; ++i) EXPECT_TRUE(kv::zoomOut(*m, why));
  EXPECT_EQ(m->scaleX, 16384);
  EXPECT_FALSE(kv::zoomOut(*m, why));
  EXPECT_EQ(m->scaleY, 16384);
}

TEST(MapView, FullDrawingColoursTicksAndCross) {
  auto m = kvtest::newMap();
  kv::RasterSurface s(120, 90);
  // No walls: no white box, but the viewer marker (at 200, 200 -> 20, 20).
  kv::drawMap(*m, s);
  EXPECT_EQ(s.pixel(20, 20), kv::kCyan);
  EXPECT_EQ(m->skipInsertionDraw, 0);
  EXPECT_EQ(s.drawMode(), kv::DrawMode::Xor);
  EXPECT_EQ(s.drawWidth(), 2);
  EXPECT_EQ(s.foreColor(), kv::kBlue);
  s.clear();
  kv::drawMap(*m, s);  // with the exclusive-or pen left over, still cyan
  EXPECT_EQ(s.pixel(20, 20), kv::kCyan);

  // A horizontal wall drawn left to right (tick up) and one right to left
  // (tick down), a vertical one with an unknown texture.
  m->startArea(0, 0);
  m->addWall(100, 300, 500, 300, 0, 1);
  m->addWall(900, 600, 500, 600, 0, 2);
  m->addWall(1000, 100, 1000, 500, 0, -1);
  m->walls[1].wallTx = 3;
  m->walls[2].wallTx = 11;
  m->insertX = 600, m->insertY = 800;
  s.setBackColor(0);
  s.clear();
  kv::drawMap(*m, s);
  EXPECT_EQ(s.pixel(0, 0), kv::kWhite);
  EXPECT_EQ(s.pixel(20, 30), m->wallColours[1]);
  EXPECT_EQ(s.pixel(80, 60), m->wallColours[3]);
  EXPECT_EQ(s.pixel(100, 20), kv::kUnknownTextureColour);
  EXPECT_EQ(m->x1, 1000);  // the last drawn wall stays in the buffer
  EXPECT_EQ(s.pixel(30, 26), kv::kBlue);   // tick above the first wall's midpoint
  EXPECT_EQ(s.pixel(30, 34), kv::kWhite);
  EXPECT_EQ(s.pixel(70, 65), kv::kBlue);   // below the second
  EXPECT_EQ(s.pixel(70, 55), kv::kWhite);
  // The cross at (60, 80), drawn in exclusive-or: blue on white shows yellow.
  EXPECT_EQ(s.pixel(56, 76), kv::rgb(255, 255, 0));
  std::vector<std::uint32_t> withCross = s.pixels();
  kv::drawInsertion(*m, s);
  EXPECT_EQ(s.pixel(56, 76), kv::kWhite);
  kv::drawInsertion(*m, s);
  EXPECT_EQ(s.pixels(), withCross);
}

TEST(MapView, HighlightTogglesAndBoundsAreChecked) {
  auto m = kvtest::newMap();
  kvtest::addSquare(*m, 100, 100, 300);
  kv::RasterSurface s(60, 60);
  kv::drawMap(*m, s);
  const auto before = s.pixels();
  kv::flashWall(*m, s, 0);
  EXPECT_EQ(s.pixel(10, 7), kv::kWhite ^ kv::kMagenta);  // the dot at the first end point
  EXPECT_EQ(s.drawWidth(), 1);
  kv::flashWall(*m, s, 0);
  EXPECT_EQ(s.pixels(), before);
  kv::flashWall(*m, s, 4);  // not a wall in use
  kv::flashWall(*m, s, -1);
  EXPECT_EQ(s.pixels(), before);
}

TEST(Layout, MapViewControlsAndChildWindows) {
  EXPECT_DOUBLE_EQ(kv::twipsPerPixel(96), 15);
  EXPECT_EQ(kv::twipsToPixels(2790, 15), 186);
  kv::MapViewLayout l = kv::mapViewLayout(6000, 4000);
  EXPECT_EQ(l.vScroll, (kv::TwipRect{5625, 0, 255, 3345}));
  EXPECT_EQ(l.hScroll, (kv::TwipRect{0, 3345, 5625, 255}));
  EXPECT_EQ(l.picture, (kv::TwipRect{0, 0, 5624, 3344}));
  kv::ChildLayout c = kv::adjustWindowsLayout(15000, 10000, 2100);
  EXPECT_EQ(c.project, (kv::TwipRect{12800, 0, 2100, 2790}));
  EXPECT_EQ(c.properties, (kv::TwipRect{12800, 2890, 2100, 8600 - 2890}));
  EXPECT_EQ(c.map, (kv::TwipRect{0, 0, 12700, 8600}));
  EXPECT_EQ(kv::adjustWindowsLayout(15000, 6000).properties.height, 4100);  // a low main window

  // A window beside the main window is moved back onto the screen's free area.
  const kv::PixelRect screen{0, 24, 1366, 744};
  EXPECT_EQ(kv::keepInside({1202, 0, 400, 300}, screen), (kv::PixelRect{966, 24, 400, 300}));
  EXPECT_EQ(kv::keepInside({100, 100, 400, 300}, screen), (kv::PixelRect{100, 100, 400, 300}));
  EXPECT_EQ(kv::keepInside({-50, 700, 2000, 900}, screen), (kv::PixelRect{0, 24, 1366, 744}));
  EXPECT_EQ(c.render, (kv::TwipRect{0, 0, 5325, 4275}));
}

}  // namespace
