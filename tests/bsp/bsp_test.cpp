// The tree builder and the compile on worked cases (random and real maps are
// compared with the list-walking builder in compile_equivalence_test.cpp).
#include <gtest/gtest.h>

#include <vector>

#include "bsp/validate.h"
#include "io/mapfile.h"
#include "model/clsMap.h"
#include "testutil.h"

using kv::Long;
using kvtest::newMap;

namespace {

// A wall of its own area-less kind, appended the way the generators do.
Long wall(kv::clsMap& m, Long x1, Long y1, Long x2, Long y2) {
  Long i = m.wallCount;
  return m.addWall(x1, y1, x2, y2, i, -1);
}

struct Ends {
  Long x1, y1, x2, y2, neg, pos;
  bool operator==(const Ends&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Ends& e) {
  return o << "(" << e.x1 << "," << e.y1 << ")-(" << e.x2 << "," << e.y2 << ") neg " << e.neg << " pos " << e.pos;
}
Ends ends(const kv::Wall& w) { return {w.x1, w.y1, w.x2, w.y2, w.negChild, w.posChild}; }

}  // namespace

TEST(Bsp, WorkedExample) {
  auto m = newMap();
  wall(*m, 0, 0, 100, 0);
  wall(*m, 50, -50, 50, 50);
  m->createBSP();
  ASSERT_EQ(m->wallCount, 3);
  EXPECT_EQ(ends(m->walls[0]), (Ends{0, 0, 100, 0, 1, 2}));
  EXPECT_EQ(ends(m->walls[1]), (Ends{50, -50, 50, 0, 0, 0}));
  EXPECT_EQ(ends(m->walls[2]), (Ends{50, 0, 50, 50, 0, 0}));
  EXPECT_EQ(m->walls[1].tEnd, 0.5);
  EXPECT_EQ(m->walls[2].tStart, 0.5);
  EXPECT_EQ(m->walls[2].wallID, m->walls[1].wallID);
}

// Records as (ends, children) after a compile, for the small hand-built cases.
std::vector<Ends> compiled(kv::clsMap& m) {
  m.createBSP();
  std::vector<Ends> r;
  for (Long i = 0; i < m.wallCount; ++i) r.push_back(ends(m.walls[i]));
  return r;
}

TEST(Bsp, SplitterChoiceAndClassification) {
  {  // all parallel: no splits; a wall on the splitter's line goes non-negative
    auto m = newMap();
    wall(*m, 0, 0, 100, 0), wall(*m, 0, 10, 100, 10), wall(*m, 0, -10, 100, -10), wall(*m, 200, 0, 300, 0);
    EXPECT_EQ(compiled(*m), (std::vector<Ends>{{0, 0, 100, 0, 2, 3},
                                              {0, 10, 100, 10, 0, 0},
                                              {0, -10, 100, -10, 0, 0},
                                              {200, 0, 300, 0, 0, 1}}));
  }
  {  // a line through an end point does not split; the second end point decides
    auto m = newMap();
    wall(*m, 0, 0, 100, 0), wall(*m, 50, 0, 50, 50), wall(*m, 60, 0, 60, -50);
    EXPECT_EQ(compiled(*m), (std::vector<Ends>{{0, 0, 100, 0, 2, 1}, {50, 0, 50, 50, 0, 0}, {60, 0, 60, -50, 0, 0}}));
  }
  {  // equal cuts: the wall nearer the head wins; the split piece goes where
     // its part of the source wall lies
    auto m = newMap();
    wall(*m, 50, -50, 50, 50), wall(*m, 0, 0, 100, 0);
    EXPECT_EQ(compiled(*m), (std::vector<Ends>{{50, -50, 50, 50, 2, 1}, {0, 0, 50, 0, 0, 0}, {50, 0, 100, 0, 0, 0}}));
  }
  {  // piece 3 covers [0.5, 1] of wall 1 and lies right of wall 2's line, but
     // wall 1's first end point is on the negative side, so it goes there
    auto m = newMap();
    wall(*m, 0, -50, 100, 50), wall(*m, 0, 0, 100, 0), wall(*m, 30, -90, 30, -100);
    EXPECT_EQ(compiled(*m), (std::vector<Ends>{{0, -50, 100, 50, 2, 1},
                                              {0, 0, 50, 0, 0, 0},
                                              {30, -90, 30, -100, 3, 0},
                                              {50, 0, 100, 0, 0, 0}}));
    EXPECT_TRUE(kv::validateTree({m->walls.data(), 4}).ok);
  }
}

TEST(Bsp, EndPointsOfPieces) {
  auto m = newMap();
  wall(*m, 0, 0, 100, 0), wall(*m, 0, 0, 100, 0), wall(*m, 10, 0, 15, 0), wall(*m, 13, 0, 14, 0), wall(*m, 5, 5, 9, 9);
  auto range = [&](Long i, double a, double b) { m->walls[i].tStart = a, m->walls[i].tEnd = b; };
  range(0, 0, 0.25), range(1, 0.25, 0.75), range(2, 0, 0.5), range(3, 0.5, 1), range(4, 0, 1);
  m->walls[4].posChild = -1, m->walls[4].negChild = 0;
  m->adjustT();
  EXPECT_EQ(ends(m->walls[0]), (Ends{0, 0, 25, 0, 0, 0}));
  EXPECT_EQ(ends(m->walls[1]), (Ends{25, 0, 75, 0, 0, 0}));
  EXPECT_EQ(m->walls[2].x2, 12);  // 12.5 to the even neighbour
  EXPECT_EQ(m->walls[3].x1, 14);  // 13.5 likewise
  EXPECT_EQ(ends(m->walls[4]), (Ends{5, 5, 9, 9, 0, 0}));
  EXPECT_EQ(m->walls[1].tStart, 0.25);  // ranges are kept
}

TEST(Bsp, RecompileDeepTreesAndTheFullTable) {
  {  // a compiled map compiles again into itself: its pieces only touch
    auto m = newMap();
    wall(*m, 0, 0, 100, 0), wall(*m, 50, -50, 50, 50);
    auto once = compiled(*m);
    EXPECT_EQ(compiled(*m), once);
  }
  auto validTree = [](const kv::clsMap& m) {
    kv::TreeCheck c = kv::validateTree({m.walls.data(), size_t(m.wallCount)});
    EXPECT_TRUE(c.ok) << c.problem;
  };
  {  // 2000 parallel walls: a chain 2000 deep, built without deep recursion
    auto m = newMap();
    for (Long i = 0; i < 2000; ++i) wall(*m, 0, 3 * i, 50, 3 * i);
    m->createBSP();
    ASSERT_EQ(m->wallCount, 2000);
    validTree(*m);
    Long leaves = 0;
    for (Long i = 0; i < 2000; ++i) leaves += (m->walls[i].posChild == 0 && m->walls[i].negChild == 0);
    EXPECT_EQ(leaves, 1);
  }
  // Walls 2 and 1 split wall 0 and a far wall becomes the root, so the root
  // moves to record 0 through the record behind the last piece: 1998 walls
  // (2000 pieces) fit, 1999 leave no room for it.
  for (Long n : {1998, 1999}) {
    auto m = newMap();
    wall(*m, 0, -10, 0, 10), wall(*m, -50, 0, 50, 0), wall(*m, -50, 5, 50, 5);
    for (Long i = 3; i < n; ++i) wall(*m, 1000, 1000 + 3 * i, 1050, 1000 + 3 * i);
    if (n == 1998) {
      m->createBSP();
      EXPECT_EQ(m->wallCount, 2000);
      validTree(*m);
    } else {
      const auto before = kv::encodeMap(*m, false);
      EXPECT_THROW(m->createBSP(), kv::MapError);
      EXPECT_EQ(kv::encodeMap(*m, false), before) << "a refused compile changed the map";
    }
  }
  auto empty = newMap();
  EXPECT_THROW(empty->createBSP(), kv::MapError);
}
