// The properties window's rows and write-back, and the project tree's nodes.
#include <gtest/gtest.h>

#include "testutil.h"
#include "view/project.h"
#include "view/properties.h"

TEST(Properties, RowsChoicesAndWriteBack) {
  auto m = kvtest::newMap();
  kvtest::addSquare(*m, 0, 0, 100);  // wall 1 runs (100,0)-(100,100), wall 2 (100,100)-(0,100)
  m->walls[1].wallTx = 4, m->walls[1].txType = 2, m->selectedWall = 1;
  kv::PropertiesLogic p(*m);
  int redraws = 0;
  p.redraw = [&] { ++redraws; };
  p.showProps(kv::kPropWall, 1);
  ASSERT_EQ(p.rows.size(), 14u);
  EXPECT_EQ(p.selTypeLabel(), "Type: Wall");
  EXPECT_EQ(p.rows[4].label + "=" + p.rows[4].value + " " + p.rows[5].label + "=" + p.rows[5].value,
            "Wall Tx=4 Tx Type=2");
  // A texture type choice stores its two leading digits; a typed number itself.
  for (auto [row, text, wallTx, txType] :
       {std::tuple{6, "16 - Animated Texture", 4, 16}, {5, "7", 7, 16}, {6, "3", 7, 3}}) {
    p.grd_Props_Click(row);
    p.editorText = text;
    p.cmd_PropOK_Click();
    EXPECT_EQ(std::make_pair(m->walls[1].wallTx, m->walls[1].txType), std::make_pair(wallTx, txType)) << text;
  }
  EXPECT_EQ(std::make_pair(p.choices.size(), redraws), std::make_pair(size_t(6), 3));
  // Cancel gives back the shown value; showing a wall keeps the current row.
  p.grd_Props_Click(3);
  p.editorText = "abc";
  p.cmd_PropCancel_Click();
  EXPECT_EQ(p.editorText, "100");
  p.showProps(kv::kPropWall, 2);
  EXPECT_EQ(std::make_pair(p.currentRow, p.editorText), std::make_pair(3, std::string("0")));

  // An area's name is cut to 16 characters; with nothing shown OK does nothing.
  m->selectedArea = 0;
  p.showProps(kv::kPropArea, 0);
  p.grd_Props_Click(6);
  p.editorText = "A name longer than sixteen";
  p.cmd_PropOK_Click();
  EXPECT_EQ(m->areas[0].name.text(), "A name longer th");
  p.showProps(kv::kPropNone, 0);
  p.cmd_PropOK_Click();
  EXPECT_EQ(redraws, 4);
}

TEST(ProjectTree, NodesAndKeys) {
  auto m = kvtest::newMap();  // one viewpoint and six globals
  kvtest::addSquare(*m, 0, 0, 100);
  m->areas[0].name = kv::Name16("  Hall");
  std::vector<kv::TreeNode> n = kv::projectChildren(*m);
  ASSERT_EQ(n.size(), 4u + 1 + 1 + 6);
  EXPECT_EQ(n[3].parentKey + " " + n[3].key + " " + n[3].text, "Walls w3 Wall3");
  EXPECT_EQ(n[4].parentKey + " " + n[4].key + " [" + n[4].text + "]", "Areas a0 [Hall]");
  EXPECT_EQ(n[5].key + " " + n[5].text + " " + n[11].key, "vp0 Initial position g5");
  for (auto [key, kind, index] : {std::tuple{"w12", 'w', 12},
                                  {"vp3", 'v', 3},
                                  {"a0", 'a', 0},
                                  {"g5", 'g', 5},
                                  {"Walls", 0, 0},
                                  {"Viewpoints", 0, 0}}) {
    const kv::NodeTarget t = kv::decodeNodeKey(key);
    EXPECT_EQ(std::make_pair(t.kind, t.index), std::make_pair(char(kind), kv::Long(index))) << key;
  }
}
