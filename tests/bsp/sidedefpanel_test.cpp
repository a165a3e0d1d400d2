// The wall panel's logic: storing its boxes into a side-def record, the
// checks of what was typed and its own insertion point.
#include <gtest/gtest.h>

#include <memory>

#include "bsp/sidedefpanel.h"

namespace {

TEST(SideDefPanel, StoresItsBoxesAndKeepsItsOwnInsertionPoint) {
  auto table = std::make_unique<kv::SideDefTable>();
  kv::ScriptedDialogs ui;
  kv::SideDefPanel p(*table, ui);
  using B = kv::SideDefPanel::Box;

  // "Set to insertion point" before any "> IP" writes 0 and 0.
  p.pointFromInsertion(2);
  EXPECT_EQ(p.text[B::kX2], "0");
  EXPECT_EQ(p.text[B::kY2], "0");
  // "> IP" on point 1, then point 2 from it; halves round to even.
  p.text[B::kX1] = " 35 ";
  p.text[B::kY1] = "-12.5";
  ASSERT_TRUE(p.insertionFromPoint(1));
  EXPECT_EQ(p.panelInsertX, 35);
  EXPECT_EQ(p.panelInsertY, -12);
  p.pointFromInsertion(2);
  EXPECT_EQ(p.text[B::kY2], "-12");

  // 5 in "Back Floor:" and 7 in "Back Ceiling:" land at fields 16 and 15.
  p.text[B::kBackFloorTx] = "5";
  p.text[B::kBackCeilTx] = "7";
  p.text[B::kLength] = "90";
  ASSERT_TRUE(p.setProperties());
  const kv::SideDef& rec = table->rec[0];
  EXPECT_EQ(rec.backFloorTx, 7);
  EXPECT_EQ(rec.backCeilTx, 5);
  EXPECT_EQ(rec.myLen, 90);
  EXPECT_EQ(rec.x1, 35);
  EXPECT_EQ(rec.h4, 128);
  EXPECT_TRUE(ui.messages.empty());

  // A box that is not a decimal number refuses the whole store (and "> IP"),
  // naming the box; a negative record stores nothing and says nothing.
  const kv::SideDef before = rec;
  p.text[B::kH3] = "12abc";
  p.text[B::kWallTx] = "9";
  EXPECT_FALSE(p.setProperties());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("\"Begin ceiling(h3):\" holds \"12abc\""), std::string::npos);
  EXPECT_EQ(ui.messages[0].icon, kv::MsgIcon::Critical);
  EXPECT_EQ(rec.wallTx, before.wallTx);
  p.text[B::kY2] = "y";
  EXPECT_FALSE(p.insertionFromPoint(2));
  EXPECT_EQ(p.panelInsertX, 35);
  EXPECT_FALSE(p.updateSideDef(-1));
  EXPECT_FALSE(p.updateSideDef(kv::kSideDefSlots));
  EXPECT_EQ(ui.messages.size(), 3u);

  for (const char* bad : {"", "1e", "&H10", "99999999999", "1 2", "--1"}) EXPECT_FALSE(kv::decimalLong(bad)) << bad;
  EXPECT_EQ(kv::decimalLong("+2.5e1"), 25);
  EXPECT_EQ(kv::decimalLong("\t-3.5 "), -4);
}

}  // namespace
