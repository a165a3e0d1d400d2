// The switched-off Test menu: its commands still work on the map, the
// side-def table and the files in the current directory.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "bsp/validate.h"
#include "io/mapfile.h"
#include "uitest.h"

TEST(TestMenu, TreeToolsAndMapObjectsWorkWhileTheMenuIsSwitchedOff) {
  kvtest::EditorFixture f;
  f.start();
  EXPECT_FALSE(f.w->findChild<QMenu*>("mnuTest")->isEnabled());
  kv::clsMap& m = f.w->map();
  kv::SideDefTable& t = f.w->sideDefs();

  // DrawRoom fills the side-def table and lists it; Build BSP makes a tree of
  // it without touching the map's walls; Walk Tree stops at the table's size.
  kvtest::addSquare(m, 200, 200, 200);
  const kv::Wall wall0 = m.walls[0];
  f.w->itmDrawRoom_Click();
  EXPECT_EQ(t.count, 36);
  EXPECT_EQ(f.w->project->node("Walls")->childCount(), 36);
  f.w->itmBuildBSP_Click();
  EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages[0].text;
  EXPECT_GE(t.count, 36);
  EXPECT_EQ(m.walls[0], wall0);
  f.w->itmWalkTree_Click();
  EXPECT_EQ(f.w->messagePanel->text(), QString("Walk Tree: %1 nodes").arg(t.count));

  // Draw Tree (View menu, switched off too) draws on the map view.
  EXPECT_FALSE(f.w->findChild<QAction*>("itmDrawTree")->isEnabled());
  f.w->itmDrawTree_Click();
  EXPECT_EQ(f.picture()->image().pixel(50, 40), qRgb(255, 0, 0));  // the root, A
  EXPECT_EQ(f.picture()->surface().texts.front().text, "Recursive Tree");
  EXPECT_EQ(m.walls[0], wall0);

  // Intersect lists the records the test segment crosses.
  kv::SideDef& cross = t.rec[t.count++];
  cross.x1 = 0, cross.y1 = 2750, cross.x2 = 1000, cross.y2 = 2750;
  f.w->itmIntersect_Click();
  ASSERT_EQ(f.w->select->List1->count(), 1);
  EXPECT_EQ(f.w->select->List1->item(0)->text(), QString::number(t.count - 1));

  // Test Poly reports the insertion point against each area but the first.
  kvtest::addSquare(m, 600, 600, 100);
  m.insertX = 650, m.insertY = 650;
  f.w->itmTestPoly_Click();
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "1:2\r");

  // Test Map Object writes newdir.mpb as the map stands; Read Map Object
  // reads newdir2.mpb; Create class BSP compiles in memory.
  f.w->itmTestMapObj_Click();
  std::string problem;
  auto bytes = kv::readFileBytes(f.dir.file("newdir.mpb"), problem);
  ASSERT_TRUE(bytes) << problem;
  EXPECT_EQ(*bytes, kv::encodeMap(m, true));
  std::filesystem::copy_file(f.dir.file("newdir.mpb"), f.dir.file("newdir2.mpb"));
  f.w->findChild<QAction*>("itmNewMap")->trigger();
  ASSERT_EQ(m.wallCount, 0);
  f.w->itmReadNewMap_Click();
  EXPECT_EQ(m.wallCount, 8);
  EXPECT_EQ(f.w->project->node("Walls")->childCount(), 8);
  f.w->itmCreateBSP_Click();
  EXPECT_EQ(m.wallCount, 8);
  EXPECT_TRUE(kv::validateTree({m.walls.data(), size_t(m.wallCount)}).ok);
}
