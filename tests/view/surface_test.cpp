// The in-memory drawing surface and the Draw Tree demonstration.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

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
  EXPECT_EQ(std::make_pair(s.scaleWidth(), s.countColour(kWhite)), std::make_pair(20.0f, 200L));
  s.line(2, 3, 6, 3, kBlue);  // both end points drawn
  EXPECT_EQ(std::make_pair(s.countColour(kBlue), s.currentX()), std::make_pair(5L, 6.0f));
  s.lineTo(6, 5);                             // foreground black from the current position
  s.point(2.5f, 8.5f, rgb(1, 2, 3));          // halves to even: 2.5 lands on 2
  s.box(10, 1, 13, 4, rgb(9, 9, 9), false);   // an outline of 12 pixels
  s.box(13, 8, 10, 6, rgb(8, 8, 8), true);    // corners in either order
  EXPECT_EQ((std::vector<kv::Long>{s.pixel(6, 5), s.pixel(6, 3), s.pixel(2, 8), s.pixel(11, 2), s.pixel(12, 7),
                                   kv::Long(s.countColour(rgb(9, 9, 9)))}),
            (std::vector<kv::Long>{0, 0, rgb(1, 2, 3), kWhite, rgb(8, 8, 8), 12}));
  // Far-off and non-finite coordinates are clipped, not walked or crashed on.
  s.line(-1e30f, 0, 1e30f, 0, kBlue);
  s.line(std::numeric_limits<float>::quiet_NaN(), 0, 5, 5, kBlue);
  EXPECT_EQ(std::make_pair(s.pixel(0, 0), s.pixel(19, 0)), std::make_pair(kBlue, kBlue));
  s.printText(3, 4, "hi");
  s.clear();
  EXPECT_TRUE(s.countColour(kWhite) == 200 && s.texts.empty() && s.currentX() == 0);
}

TEST(RasterSurface, XorFiguresEraseThemselvesAndWidePens) {
  RasterSurface s(40, 40);
  s.setDrawMode(DrawMode::Xor);
  s.setDrawWidth(2);
  s.setForeColor(kBlue);
  // The insertion cross: drawn once it shows whole (the wide pen's dots
  // overlap, yet every pixel is combined once), drawn again it is gone.
  auto cross = [&] { s.line(15, 15, 25, 25), s.line(15, 25, 25, 15); };
  cross();
  for (int k : {15, 16, 18, 24}) EXPECT_EQ(s.pixel(k, k), kWhite ^ kBlue) << k;
  EXPECT_EQ(s.pixel(16, 15), kWhite ^ kBlue);  // the wide pen's second column
  cross();
  EXPECT_EQ(s.countColour(kWhite), 1600);
  // A wide point is a filled dot: 5 x 5 without the four corners.
  s.setDrawWidth(5);
  s.point(10, 10);
  EXPECT_EQ(std::make_tuple(1600 - s.countColour(kWhite), s.pixel(10, 12), s.pixel(12, 12)),
            std::make_tuple(21L, kWhite ^ kBlue, kWhite));
  s.point(10, 10);
  s.setDrawWidth(3);
  for (int twice = 0; twice < 2; ++twice) s.line(5, 30, 35, 31), s.box(2, 2, 30, 30, kBlue, false);
  EXPECT_EQ(s.countColour(kWhite), 1600);
}

TEST(DrawTree, FiveRedNodesTenUnitsApartAndTheTitle) {
  // Columns in the order the walk reaches the nodes: D, B, E, A, C.
  kv::TreeDemoPlace p[5];
  kv::placeTreeDemo(p);
  EXPECT_EQ((std::vector<int>{p[0].column, p[1].column, p[2].column, p[3].column, p[4].column, p[4].level}),
            (std::vector<int>{3, 1, 4, 0, 2, 2}));
  RasterSurface s(120, 80);
  s.setDrawMode(DrawMode::Xor);
  s.setForeColor(kBlue);
  kv::drawTree(s);
  const kv::Long red = rgb(255, 0, 0);
  for (auto [c, l] : {std::pair{3, 0}, {1, 1}, {4, 1}, {0, 2}, {2, 2}})
    EXPECT_EQ(s.pixel(20 + 10 * c, 40 + 10 * l), red) << c << "," << l;
  EXPECT_EQ(std::make_pair(s.pixel(55, 45), s.pixel(20, 40)), std::make_pair(red, kWhite));  // A to C; nothing above D
  EXPECT_EQ(std::make_pair(s.texts.size(), s.texts.at(0).text),
            std::make_pair(size_t(6), std::string("Recursive Tree")));
  EXPECT_EQ(std::make_pair(s.drawMode(), s.foreColor()), std::make_pair(DrawMode::Xor, kBlue));  // the pen as it was
}
