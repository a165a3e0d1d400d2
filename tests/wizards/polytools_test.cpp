// The Test menu's polygon tools on the side-def table.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "model/clsMap.h"
#include "wizards/polytools.h"

using kv::Long;

namespace {
auto ends(const kv::SideDef& s) { return std::make_tuple(s.x1, s.y1, s.x2, s.y2); }
}  // namespace

TEST(PolyTools, DrawRoomAndMultiPolyFillTheSideDefTable) {
  auto t = std::make_unique<kv::SideDefTable>();
  t->count = 7;  // whatever was there is replaced
  kv::drawRoom(*t);
  ASSERT_EQ(t->count, 4 * 5 + 8 + 8);
  // The first column, counterclockwise from (2200, 1250).
  EXPECT_EQ(ends(t->rec[0]), std::make_tuple(2200, 1250, 2200, 1350));
  EXPECT_EQ(ends(t->rec[2]), std::make_tuple(2105, 1381, 2046, 1300));
  EXPECT_EQ(ends(t->rec[4]), std::make_tuple(2105, 1219, 2200, 1250));
  EXPECT_EQ(std::make_tuple(t->rec[4].h1, t->rec[4].h2, t->rec[4].h3, t->rec[4].h4, t->rec[4].wallTx),
            std::make_tuple(8, 16, 120, 264, 6));
  EXPECT_EQ(t->rec[19].h3, 180);
  // The room, clockwise, its corners accumulated unrounded.
  const kv::SideDef& room = t->rec[29];
  EXPECT_EQ(ends(room), std::make_tuple(1800, 2400, 2790, 3390));
  EXPECT_EQ(ends(t->rec[33]), std::make_tuple(5180, 1000, 4190, 10));
  EXPECT_EQ(std::make_tuple(room.h2, room.wallTx, room.backCeilTx, room.tStart, room.tEnd),
            std::make_tuple(264, 3, 2, 0.0, 1.0));
  for (Long i = 0; i < 36; ++i) ASSERT_EQ(t->rec[i].nextSeg, i == 35 ? -1 : i + 1) << "one work list";

  kv::multiPoly(*t);
  ASSERT_EQ(t->count, 16);
  EXPECT_EQ(ends(t->rec[1]), std::make_tuple(2500, 1400, 2653, 1770));
  EXPECT_EQ(ends(t->rec[15]), std::make_tuple(2653, 630, 2500, 1000));
  EXPECT_EQ(std::make_tuple(t->rec[3].nextSeg, t->rec[15].nextSeg, t->rec[3].wallTx, t->rec[3].frontCeilTx),
            std::make_tuple(4, -1, 5, 3));

  // A polygon that does not fit writes nothing.
  t->count = 2000;
  const kv::SideDef before = t->rec[2000];
  EXPECT_THROW(kv::addSideDefPolyCol(*t, 5, 0, 0, 10, 0), kv::MapError);
  EXPECT_EQ(t->count, 2000);
  EXPECT_EQ(ends(t->rec[2000]), ends(before));
}

TEST(PolyTools, IntersectFindsTheRecordsTheTestSegmentCrosses) {
  auto t = std::make_unique<kv::SideDefTable>();
  auto put = [&](Long x1, Long y1, Long x2, Long y2) {
    kv::SideDef& s = t->rec[t->count++];
    s.x1 = x1, s.y1 = y1, s.x2 = x2, s.y2 = y2;
  };
  put(0, 2750, 1000, 2750);        // crosses the middle
  put(300, 2500, 300, 2000);       // touches its end point
  put(0, 2500 - 1, 1000, 2500 - 1);  // just misses below
  put(423, 3000, 546, 3500);       // on its line, parallel
  put(100000, 2750, -100000, 2750);  // beyond 16 bits: not read
  std::vector<Long> hits;
  int beeps = 0;
  kv::intersectSideDefs(*t, &hits, [&] { ++beeps; });
  EXPECT_EQ(hits, (std::vector<Long>{0, 1}));
  EXPECT_EQ(beeps, 2);
  kv::intersectSideDefs(*t, nullptr);  // no list to mark: nothing breaks
}
