// The in-memory drawing surface and the Draw Tree demonstration.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "redraw_scenes.h"
#include "view/drawtree.h"
#include "view/mapview.h"
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
  s.lineTo(6, 5);                            // foreground black from the current position
  s.point(2.5f, 8.5f, rgb(1, 2, 3));         // halves to even: 2.5 lands on 2
  s.box(10, 1, 13, 4, rgb(9, 9, 9), false);  // an outline of 12 pixels
  s.box(13, 8, 10, 6, rgb(8, 8, 8), true);   // corners in either order
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

namespace {

// FNV-1a over the pixels: a picture's fingerprint.
std::uint64_t fingerprint(const RasterSurface& s) {
  std::uint64_t h = 1469598103934665603ULL;
  for (std::uint32_t p : s.pixels())
    for (int i = 0; i < 4; ++i) h = (h ^ ((p >> (8 * i)) & 0xFF)) * 1099511628211ULL;
  return h;
}

}  // namespace

// Scenes drawn once with the surface as it was before boxes were filled row
// by row and copy-mode figures skipped sorting: the pictures must not change.
TEST(RasterSurface, PicturesStayAsTheyWere) {
  auto m = kvtest::fullWallTableMap();
  RasterSurface big(1000, 800);
  std::vector<std::uint64_t> got;
  // The full table, redrawn twice (the second time with the insertion cross),
  // then scrolled and zoomed so that walls leave the picture.
  for (int i = 0; i < 2; ++i) {
    big.clear();
    kv::drawMap(*m, big);
    got.push_back(fingerprint(big));
  }
  m->offsetX = -517, m->offsetY = -263, m->scaleX = 3, m->scaleY = 4;
  big.clear();
  kv::drawMap(*m, big);
  kv::flashWall(*m, big, 2000);
  kv::drawRect(big, 990, -5, 40, 700);
  got.push_back(fingerprint(big));

  // Figures of every kind and pen on a small picture, also across its edges.
  RasterSurface s(41, 29);
  s.setBackColor(rgb(10, 20, 30));
  s.clear();
  for (DrawMode mode : {DrawMode::Copy, DrawMode::Xor}) {
    s.setDrawMode(mode);
    for (int w = 1; w <= 7; w += 2) {
      s.setDrawWidth(w);
      s.setForeColor(rgb(w * 30, 255 - w * 20, w));
      s.box(35.5f, 26.5f, -3, 4, rgb(w, 2 * w, 3 * w), true);
      s.box(2.5f, 3.5f, 20, 12, rgb(90, w, 7), false);
      s.box(-10, -10, -2, -3, kBlue, true);
      s.line(-6, 7.5f, 50, 19 + w, rgb(0, w * 9, 200));
      s.line(13, 13, 13, 13);
      s.point(40, 0);
      s.point(20.5f, 14.5f, rgb(200, 100, w));
    }
  }
  got.push_back(fingerprint(s));
  RasterSurface back(30, 20);
  kv::ScaledSurface scaled(back, 2.5f);
  scaled.setDrawMode(DrawMode::Xor);
  scaled.box(5, 5, 60, 40, rgb(255, 0, 0), true);
  scaled.setDrawWidth(2);
  scaled.line(0, 49, 74, 0, rgb(0, 255, 0));
  scaled.box(10, 10, 30, 30, rgb(0, 0, 255), false);
  got.push_back(fingerprint(back));

  EXPECT_EQ(got, (std::vector<std::uint64_t>{15798360816579741181ULL, 16973065291112039945ULL, 5819971547841255891ULL,
                                             1792071502422237518ULL, 15192541115723076277ULL}));
}
