#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/clsMap.h"
#include "model/undo.h"
#include "testutil.h"

using kvtest::addSquare;
using kvtest::newMap;

namespace {

// Every byte of what the history watches on a map.
std::vector<unsigned char> bytesOf(const kv::clsMap& m) {
  std::vector<unsigned char> b;
  auto add = [&](const auto& v) {
    const auto* p = reinterpret_cast<const unsigned char*>(&v);
    b.insert(b.end(), p, p + sizeof v);
  };
  add(m.walls), add(m.areas), add(m.viewpoints), add(m.globals);
  add(m.wallCount), add(m.areaCount), add(m.viewpointCount), add(m.globalCount);
  add(m.viewerX), add(m.viewerY), add(m.viewerZ), add(m.viewerDir);
  return b;
}

TEST(UndoHistory, StepsTakeBackEveryByteAndRedoTheirs) {
  auto m = newMap();
  kv::UndoHistory h;
  kv::watchMap(h, *m);
  h.reset();
  EXPECT_FALSE(h.commit("nothing"));  // no change, no step
  EXPECT_FALSE(h.undo());

  const auto empty = bytesOf(*m);
  addSquare(*m, 0, 0, 100);
  ASSERT_TRUE(h.commit("square"));
  const auto square = bytesOf(*m);
  m->moveArea(0, 30, -20);
  m->walls[2].tStart = -0.0;  // equal to 0.0, yet a different byte in a saved file
  m->viewerDir = 90;
  m->walls[2000].reservedD[1] = 7;  // a record above the count is kept too
  ASSERT_TRUE(h.commit("move"));
  const auto moved = bytesOf(*m);
  EXPECT_EQ(h.undoLabel(), "move");

  ASSERT_TRUE(h.undo());
  EXPECT_EQ(bytesOf(*m), square);
  ASSERT_TRUE(h.undo());
  EXPECT_EQ(bytesOf(*m), empty);
  ASSERT_TRUE(h.redo() && h.redo());
  EXPECT_EQ(bytesOf(*m), moved);

  // A new command after an undo drops the step that could have been redone.
  ASSERT_TRUE(h.undo());
  m->viewerX = 5;
  ASSERT_TRUE(h.commit("viewer"));
  EXPECT_FALSE(h.canRedo());
  ASSERT_TRUE(h.undo());
  EXPECT_EQ(bytesOf(*m), square);

  // A change nobody committed is kept as a step of its own before an undo,
  // and ends the redo branch instead of vanishing under a redo.
  m->viewerY = 9;
  EXPECT_FALSE(h.redo());
  EXPECT_EQ(m->viewerY, 9);
  ASSERT_TRUE(h.undo());
  EXPECT_EQ(bytesOf(*m), square);
}

TEST(UndoHistory, KeepsTheLastHundredStepsWithinTheirChangedBytes) {
  auto m = newMap();
  kv::UndoHistory h;
  kv::watchMap(h, *m);
  h.reset();
  EXPECT_EQ(h.limit(), 100u);
  std::vector<unsigned char> oldest, last;
  for (int k = 0; k < 130; ++k) {
    m->walls[static_cast<size_t>(k)].x1 = k + 1;
    m->wallCount = k + 1;
    ASSERT_TRUE(h.commit("step"));
    if (k == 29) oldest = bytesOf(*m);
  }
  last = bytesOf(*m);
  EXPECT_EQ(h.undoCount(), 100u);
  // A step holds a few bytes, not a copy of the tables.
  EXPECT_LT(h.stepBytes(), 100u * 200u);
  while (h.undo()) {
  }
  EXPECT_EQ(bytesOf(*m), oldest);
  while (h.redo()) {
  }
  EXPECT_EQ(bytesOf(*m), last);
}

}  // namespace
