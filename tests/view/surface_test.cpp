#include <gtest/gtest.h>

#include <limits>

#include "model/clsMap.h"
#include "view/drawtree.h"
#include "view/surface.h"

using kv::DrawMode;
using kv::RasterSurface;
using kv::rgb;

namespace {
const kv::Long kWhite = rgb(255, 255, 255), kBlue = rgb(0, 0, 255);
}

TEST(RasterSurface, CopyLinesPointsBoxesAndClear) {
  RasterSurface s(20, 10);
  EXPECT_EQ(s.scaleWidth(), 20.0f);
  EXPECT_EQ(s.countColour(kWhite), 200);
  s.line(2, 3, 6, 3, kBlue);  // both end points drawn
  EXPECT_EQ(s.countColour(kBlue), 5);
  EXPECT_EQ(s.currentX(), 6.0f);
  s.lineTo(6, 5);  // foreground black from the current position
  EXPECT_EQ(s.pixel(6, 5), 0);
  EXPECT_EQ(s.pixel(6, 3), 0);
  // Points round halves to even: 2.5 lands on 2.
  s.point(2.5f, 8.5f, rgb(1, 2, 3));
  EXPECT_EQ(s.pixel(2, 8), rgb(1, 2, 3));
  s.box(10, 1, 13, 4, rgb(9, 9, 9), false);
  EXPECT_EQ(s.countColour(rgb(9, 9, 9)), 12);
  EXPECT_EQ(s.pixel(11, 2), kWhite);
  s.box(13, 4, 10, 1, rgb(8, 8, 8), true);  // corners in either order
  EXPECT_EQ(s.countColour(rgb(8, 8, 8)), 16);
  // Far-off and non-finite coordinates are clipped, not walked or crashed on.
  s.line(-1e30f, 0, 1e30f, 0, kBlue);
  s.line(std::numeric_limits<float>::quiet_NaN(), 0, 5, 5, kBlue);
  EXPECT_EQ(s.pixel(0, 0), kBlue);
  EXPECT_EQ(s.pixel(19, 0), kBlue);
  s.printText(3, 4, "hi");
  ASSERT_EQ(s.texts.size(), 1u);
  s.clear();
  EXPECT_EQ(s.countColour(kWhite), 200);
  EXPECT_TRUE(s.texts.empty());
  EXPECT_EQ(s.currentX(), 0.0f);
}

TEST(RasterSurface, XorFiguresEraseThemselvesAndWidePens) {
  RasterSurface s(40, 40);
  s.setDrawMode(DrawMode::Xor);
  s.setDrawWidth(2);
  s.setForeColor(kBlue);
  // The insertion cross: drawn once it shows, drawn again it is gone.
  auto cross = [&] {
    s.line(15, 15, 25, 25);
    s.line(15, 25, 25, 15);
  };
  cross();
  EXPECT_EQ(s.pixel(15, 15), kWhite ^ kBlue);
  EXPECT_EQ(s.pixel(16, 15), kWhite ^ kBlue);  // the wide pen's second column
  cross();
  EXPECT_EQ(s.countColour(kWhite), 1600);

  // A wide point is a filled dot; within one figure no pixel is combined twice.
  s.setDrawWidth(5);
  s.point(10, 10);
  long dot = 1600 - s.countColour(kWhite);
  EXPECT_EQ(dot, 21);  // 5 x 5 without the four corners
  EXPECT_EQ(s.pixel(10, 12), kWhite ^ kBlue);
  EXPECT_EQ(s.pixel(12, 12), kWhite);
  s.point(10, 10);
  s.setDrawWidth(3);
  s.line(5, 30, 35, 31);
  s.box(2, 2, 30, 30, kBlue, false);
  s.box(2, 2, 30, 30, kBlue, false);
  s.line(5, 30, 35, 31);
  EXPECT_EQ(s.countColour(kWhite), 1600);
}

TEST(DrawTree, FiveRedNodesTenUnitsApartAndTheTitle) {
  // Columns in the order the walk reaches the nodes: D, B, E, A, C.
  kv::TreeDemoPlace p[5];
  kv::placeTreeDemo(p);
  EXPECT_EQ(p[0].column, 3);  // A
  EXPECT_EQ(p[1].column, 1);  // B
  EXPECT_EQ(p[2].column, 4);  // C
  EXPECT_EQ(p[3].column, 0);  // D
  EXPECT_EQ(p[4].level, 2);   // E

  RasterSurface s(120, 80);
  s.setDrawMode(DrawMode::Xor);
  s.setForeColor(kBlue);
  kv::drawTree(s);
  const kv::Long red = rgb(255, 0, 0);
  auto at = [](int column, int level) { return std::pair(20 + 10 * column, 40 + 10 * level); };
  for (auto [c, l] : {at(3, 0), at(1, 1), at(4, 1), at(0, 2), at(2, 2)}) EXPECT_EQ(s.pixel(c, l), red) << c << "," << l;
  EXPECT_EQ(s.pixel(55, 45), red);    // halfway from A down to C
  EXPECT_EQ(s.pixel(20, 40), kWhite);  // nothing above D
  ASSERT_EQ(s.texts.size(), 6u);
  EXPECT_EQ(s.texts[0].text, "Recursive Tree");
  EXPECT_EQ(s.drawMode(), DrawMode::Xor);  // the pen is left as it was
  EXPECT_EQ(s.foreColor(), kBlue);
}
