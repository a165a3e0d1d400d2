// The tree builder and the compile, checked against worked cases and, on
// random maps, against a literal recursive build and the tree validator.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "bsp/validate.h"
#include "io/mapfile.h"
#include "model/clsMap.h"
#include "testutil.h"

using kv::Long;
using kvtest::addSquare;
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

// The build as the algorithm reads, recursion and all, on a copy of the
// table: the oracle for the builder's explicit stack and its shortcuts.
struct Reference {
  std::vector<kv::Wall> t;
  Long pieces = 0;
  bool full = false;

  static double df(Long a, Long b) { return double(int64_t(a) - b); }
  double nOf(const kv::Wall& s, const kv::Wall& c) {
    return df(c.x1, s.x1) * df(s.y1, s.y2) + df(c.y1, s.y1) * df(s.x2, s.x1);
  }
  double dOf(const kv::Wall& s, const kv::Wall& c) {
    return df(s.y2, s.y1) * df(c.x2, c.x1) - df(s.x2, s.x1) * df(c.y2, c.y1);
  }
  void push(Long& list, Long i) {
    t[i].nextSeg = list;
    list = i;
  }
  Long select(Long head, Long& slot) {
    Long best = 20000, chosen = -1;
    for (Long s = head; s != -1; s = t[s].nextSeg) {
      Long cuts = 0;
      for (Long c = head; c != -1; c = t[c].nextSeg) {
        double d = dOf(t[s], t[c]);
        if (d == 0) continue;
        double u = nOf(t[s], t[c]) / d;
        if (t[c].tStart < u && u < t[c].tEnd) ++cuts;
      }
      if (cuts < best) best = cuts, chosen = s;
    }
    t[chosen].posChild = t[chosen].negChild = -1;
    slot = chosen;
    return build(head, chosen);
  }
  Long build(Long head, Long s) {
    Long neg = -1, pos = -1;
    for (Long c = head; c != -1;) {
      Long next = t[c].nextSeg;
      if (c != s) {
        double n = nOf(t[s], t[c]), d = dOf(t[s], t[c]);
        if (d == 0) {
          push(n < 0 ? neg : pos, c);
        } else if (double u = n / d; t[c].tStart < u && u < t[c].tEnd) {
          if (pieces >= 2001) return full = true, -1;
          Long k = pieces++;
          t[k] = t[c];
          t[k].tStart = u;
          t[c].tEnd = u;
          if (n < 0) push(neg, c), push(pos, k);
          else push(neg, k), push(pos, c);
        } else {
          if (n >= -0.00001 && n <= 0.00001)
            n = df(t[c].y2, t[s].y1) * df(t[s].x2, t[s].x1) + df(t[c].x2, t[s].x1) * df(t[s].y1, t[s].y2);
          push(n < -0.00001 ? neg : pos, c);
        }
      }
      c = next;
    }
    if (neg != -1) {
      if (select(neg, t[s].negChild) == -1) return -1;
    } else {
      t[s].negChild = -1;
    }
    if (pos != -1) {
      if (select(pos, t[s].posChild) == -1) return -1;
    } else {
      t[s].posChild = -1;
    }
    return s;
  }
  // createBSP on the walls of m, tree fields and end points only.
  explicit Reference(const kv::clsMap& m) : t(m.walls.begin(), m.walls.end()) {
    Long n = m.wallCount;
    for (Long i = 0; i < n; ++i) t[i].nextSeg = i + 1 < n ? i + 1 : -1, t[i].tStart = 0, t[i].tEnd = 1;
    pieces = n;
    Long root = select(0, t[0].negChild);
    if (root == -1) return;
    if (root != 0) {
      for (Long i = 0; i < pieces; ++i) {
        if (t[i].negChild == 0) t[i].negChild = root;
        if (t[i].posChild == 0) t[i].posChild = root;
      }
      if (pieces >= 2001) {
        full = true;
        return;
      }
      t[pieces] = t[0], t[0] = t[root], t[root] = t[pieces];
    }
    for (Long i = 0; i < pieces; ++i) {
      kv::Wall& w = t[i];
      if (w.negChild == -1) w.negChild = 0;
      if (w.posChild == -1) w.posChild = 0;
      Long x1 = w.x1, y1 = w.y1, x2 = w.x2, y2 = w.y2;
      if (w.tStart != 0.0) w.x1 = kv::roundLong(df(x2, x1) * w.tStart + x1), w.y1 = kv::roundLong(df(y2, y1) * w.tStart + y1);
      if (w.tEnd != 1.0) w.x2 = kv::roundLong(df(x2, x1) * w.tEnd + x1), w.y2 = kv::roundLong(df(y2, y1) * w.tEnd + y1);
    }
  }
};

// Compiles m and checks it against the reference, the validator and the
// area-list invariant.
void compileAndCheck(kv::clsMap& m, const std::string& what) {
  SCOPED_TRACE(what);
  Reference ref(m);
  if (ref.full) {
    EXPECT_THROW(m.createBSP(), kv::MapError);
    return;
  }
  m.createBSP();
  ASSERT_EQ(m.wallCount, ref.pieces);
  for (Long i = 0; i < m.wallCount; ++i) {
    ASSERT_EQ(ends(m.walls[i]), ends(ref.t[i])) << "record " << i;
    ASSERT_EQ(m.walls[i].tStart, ref.t[i].tStart) << "record " << i;
    ASSERT_EQ(m.walls[i].tEnd, ref.t[i].tEnd) << "record " << i;
    ASSERT_EQ(m.walls[i].wallID, ref.t[i].wallID) << "record " << i;
  }
  kv::TreeCheck c = kv::validateTree({m.walls.data(), size_t(m.wallCount)});
  EXPECT_TRUE(c.ok) << c.problem;
  EXPECT_EQ(m.checkAreaLists(), "");
}

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

TEST(Bsp, RandomMapsMatchTheReferenceAndValidate) {
  std::mt19937 gen(7);
  auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
  for (int round = 0; round < 120; ++round) {
    auto m = newMap();
    int kind = round % 3;
    if (kind == 0) {  // random segments, some sharing end points and lines
      int n = r(1, 60);
      for (int i = 0; i < n; ++i) {
        Long x = r(-300, 300), y = r(-300, 300);
        if (i && r(0, 3) == 0) x = m->walls[i - 1].x2, y = m->walls[i - 1].y2;
        Long x2 = r(0, 4) == 0 ? x : r(-300, 300), y2 = r(0, 4) == 1 ? y : r(-300, 300);
        if (x2 == x && y2 == y) ++x2;
        wall(*m, x, y, x2, y2);
      }
    } else {  // rooms: squares on a grid, overlapping or touching
      int n = r(1, 25);
      for (int i = 0; i < n; ++i) addSquare(*m, r(0, 12) * 25, r(0, 12) * 25, r(1, 4) * 25 + (kind == 2 ? r(0, 9) : 0));
    }
    compileAndCheck(*m, "round " + std::to_string(round));
  }
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
