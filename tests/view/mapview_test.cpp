// Plan-view transforms and drawing on the in-memory raster.
#include <gtest/gtest.h>

#include "testutil.h"
#include "view/layout.h"
#include "view/mapview.h"

namespace {

using kv::Long;

TEST(MapView, TransformsOffsetsAndInsertion) {
  auto m = kvtest::newMap();
  for (auto [h, v, ox, oy] : {std::tuple{0.0, 1.0, 0, -2000}, {0.0203, 0.25, -41, -500}, {0.25, 0.02, -500, -40}}) {
    kv::calcOffset(*m, h, v);  // -40.6 rounds to -41
    EXPECT_EQ(std::make_pair(m->offsetX, m->offsetY), std::make_pair(kv::Integer(ox), kv::Integer(oy))) << h;
  }
  EXPECT_FLOAT_EQ(kv::scaleDrawX(*m, 1000), 1000 / 10.0f - 500);
  EXPECT_FLOAT_EQ(kv::scaleClickY(*m, 10), (10 + 40) * 10.0f);
  m->scaleX = 4, m->scaleY = 2;
  // (0.625 + 500) * 4 = 2002.5 and (-39.25 + 40) * 2 = 1.5: halves to even;
  // (0.875 + 500) * 4 = 2003.5 and (-40.75 + 40) * 2 = -1.5 likewise.
  for (auto [sx, sy, x, y] : {std::tuple{0.625f, -39.25f, 2002, 2}, {0.875f, -40.75f, 2004, -2}}) {
    kv::setInsertion(*m, sx, sy);
    EXPECT_EQ(kv::insertionText(*m), "Ins Pt XY = (" + std::to_string(x) + "," + std::to_string(y) + ")");
  }
}

TEST(MapView, ZoomStaysWithinItsLimits) {
  auto m = kvtest::newMap();
  std::string why;
  for (int want : {5, 2, 1}) EXPECT_TRUE(kv::zoomIn(*m, why) && m->scaleX == want && m->scaleY == want) << want;
  EXPECT_TRUE(!kv::zoomIn(*m, why) && m->scaleX == 1 && !why.empty());  // 2.5 went to 2; 1 stays
  for (int i = 0; i < 14; ++i) EXPECT_TRUE(kv::zoomOut(*m, why));
  EXPECT_TRUE(!kv::zoomOut(*m, why) && m->scaleX == 16384 && m->scaleY == 16384);
}

TEST(MapView, FullDrawingColoursTicksAndCross) {
  auto m = kvtest::newMap();
  kv::RasterSurface s(120, 90);
  // No walls: no white box, but the viewer marker (at 200, 200: 20, 20),
  // also with the exclusive-or pen a redraw leaves.
  for (int i = 0; i < 2; ++i) {
    s.clear();
    kv::drawMap(*m, s);
    EXPECT_EQ(s.pixel(20, 20), kv::kCyan);
    EXPECT_EQ(std::make_tuple(m->skipInsertionDraw, s.drawMode(), s.drawWidth(), s.foreColor()),
              std::make_tuple(kv::Integer(0), kv::DrawMode::Xor, 2, kv::kBlue));
  }
  // A horizontal wall drawn left to right (tick up), one right to left (tick
  // down), a vertical one with an unknown texture; the cross at (60, 80),
  // blue in exclusive-or on white: yellow.
  m->startArea(0, 0);
  m->addWall(100, 300, 500, 300, 0, 1), m->addWall(900, 600, 500, 600, 0, 2), m->addWall(1000, 100, 1000, 500, 0, -1);
  m->walls[1].wallTx = 3, m->walls[2].wallTx = 11;
  m->insertX = 600, m->insertY = 800;
  s.setBackColor(0);
  s.clear();
  kv::drawMap(*m, s);
  const std::pair<int, int> at[] = {{0, 0},   {20, 30}, {80, 60}, {100, 20}, {30, 26},
                                    {30, 34}, {70, 65}, {70, 55}, {56, 76}};
  std::vector<Long> got;
  for (auto [x, y] : at) got.push_back(s.pixel(x, y));
  EXPECT_EQ(got, (std::vector<Long>{kv::kWhite, m->wallColours[1], m->wallColours[3], kv::kUnknownTextureColour,
                                    kv::kBlue, kv::kWhite, kv::kBlue, kv::kWhite, kv::rgb(255, 255, 0)}));
  EXPECT_EQ(m->x1, 1000);  // the last drawn wall stays in the buffer
  const std::vector<std::uint32_t> withCross = s.pixels();
  kv::drawInsertion(*m, s);
  EXPECT_EQ(s.pixel(56, 76), kv::kWhite);
  kv::drawInsertion(*m, s);
  EXPECT_EQ(s.pixels(), withCross);

  // The highlight: a magenta dot at the first end point, toggled; nothing
  // for an index outside the walls in use.
  kv::flashWall(*m, s, 0);
  EXPECT_EQ(std::make_pair(s.pixel(10, 27), s.drawWidth()), std::make_pair(kv::kWhite ^ kv::kMagenta, 1));
  kv::flashWall(*m, s, 0);
  kv::flashWall(*m, s, 3), kv::flashWall(*m, s, -1);
  EXPECT_EQ(s.pixels(), withCross);
}

TEST(Layout, MapViewControlsAndChildWindows) {
  EXPECT_EQ(std::make_pair(kv::twipsPerPixel(96), kv::twipsToPixels(2790, 15)), std::make_pair(15.0, kv::Long(186)));
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
  EXPECT_EQ(kv::keepInside({-50, 700, 2000, 900}, screen), (kv::PixelRect{0, 24, 1366, 744}));
}

}  // namespace
