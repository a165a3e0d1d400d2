// The side-def table's tree tools and the wall panel that stores into it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>

#include "bsp/sidedef.h"
#include "bsp/sidedefpanel.h"

using kv::Long;

namespace {

// A table of segments x1, y1, x2, y2, linked with fresh ranges.
std::unique_ptr<kv::SideDefTable> tableOf(const std::vector<std::array<Long, 4>>& segs) {
  auto t = std::make_unique<kv::SideDefTable>();
  for (const auto& s : segs) {
    kv::SideDef& d = t->rec[t->count++];
    d.x1 = s[0], d.y1 = s[1], d.x2 = s[2], d.y2 = s[3];
  }
  t->polishNextSegAndT();
  return t;
}
auto ends(const kv::SideDef& s) { return std::make_tuple(s.x1, s.y1, s.x2, s.y2, s.negChild, s.posChild); }
bool same(const kv::SideDefTable& a, const kv::SideDefTable& b) {
  // Byte for byte: the packed records have no padding, and -0.0 or a NaN must match too.
  // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
  return a.count == b.count && std::memcmp(a.rec.data(), b.rec.data(), sizeof a.rec) == 0;
}

}  // namespace

TEST(SideDefTools, BuildBspAndItsRefusals) {
  // The worked example: record 1 split at t 0.5, the new piece in record 2.
  auto t = tableOf({{0, 0, 100, 0}, {50, -50, 50, 50}});
  t->rec[1].extra = {1, 2, 3, 4};
  t->rec[1].h3 = 77;
  kv::SideDefBuildResult b = t->buildBSP();
  ASSERT_TRUE(b.ok && t->count == 3) << b.message;
  EXPECT_EQ(ends(t->rec[0]), std::make_tuple(0, 0, 100, 0, 1, 2));
  EXPECT_EQ(ends(t->rec[1]), std::make_tuple(50, -50, 50, 0, 0, 0));
  EXPECT_EQ(ends(t->rec[2]), std::make_tuple(50, 0, 50, 50, 0, 0));
  EXPECT_EQ(std::make_tuple(double(t->rec[2].tStart), double(t->rec[2].tEnd), t->rec[2].h3),
            std::make_tuple(0.5, 1.0, 77));  // the ranges by value: the record is packed
  EXPECT_EQ(t->rec[2].extra, (std::array<Long, 4>{})) << "copySideDef leaves the last four words";

  // Refused, the table as it was: a list in a circle, an empty table, and a
  // tree whose root exchange finds no record left (1999 segments, two splits).
  auto circle = tableOf({{0, 0, 100, 0}, {50, -50, 50, 50}});
  circle->rec[1].nextSeg = 0;
  std::vector<std::array<Long, 4>> crowded{{0, -10, 0, 10}, {-50, 0, 50, 0}, {-50, 5, 50, 5}};
  for (Long i = 3; i < 1999; ++i) crowded.push_back({1000, 1000 + 3 * i, 1050, 1000 + 3 * i});
  auto full = tableOf(crowded), empty = std::make_unique<kv::SideDefTable>();
  for (kv::SideDefTable* table : {circle.get(), empty.get(), full.get()}) {
    const auto before = std::make_unique<kv::SideDefTable>(*table);
    b = table->buildBSP();
    EXPECT_TRUE(!b.ok && !b.message.empty());
    EXPECT_TRUE(same(*table, *before)) << b.message;
  }

  // A table holding all 2001 records is full, not damaged.
  t->count = kv::kSideDefSlots;
  t->polishNextSegAndT();
  EXPECT_EQ(std::make_pair(t->rec[2000].nextSeg, double(t->rec[2000].tEnd)), std::make_pair(-1, 1.0));
}

TEST(SideDefTools, WalkTreeVisitsInViewerOrderAndStopsAt320) {
  auto t = tableOf({{0, 0, 100, 0}, {50, -50, 50, 50}});
  ASSERT_TRUE(t->buildBSP().ok);
  // Non-negative side of record 0 (also on its line): record 2's side first.
  for (auto [x, y, order] :
       {std::tuple{50, 10, std::vector<Long>{2, 0, 1}}, {50, -10, {1, 0, 2}}, {200, 0, {2, 0, 1}}}) {
    t->viewerX = x, t->viewerY = y;
    EXPECT_EQ(t->walkTree(), order) << x << "," << y;
  }
  std::vector<std::array<Long, 4>> parallel;
  parallel.reserve(500);
  for (Long i = 0; i < 500; ++i) parallel.push_back({0, 3 * i, 50, 3 * i});
  auto c = tableOf(parallel);
  ASSERT_TRUE(c->buildBSP().ok);
  EXPECT_EQ(c->walkTree().size(), 320u);
  c->rec[5].posChild = 5, c->rec[5].negChild = 5;  // a damaged tree still ends
  EXPECT_LE(c->walkTree().size(), 320u);
}

TEST(SideDefPanel, StoresItsBoxesAndKeepsItsOwnInsertionPoint) {
  auto table = std::make_unique<kv::SideDefTable>();
  kv::ScriptedDialogs ui;
  kv::SideDefPanel p(*table, ui);
  using B = kv::SideDefPanel::Box;

  p.pointFromInsertion(2);  // before any "> IP": 0 and 0
  EXPECT_EQ(std::tie(p.text[B::kX2], p.text[B::kY2]), std::make_tuple("0", "0"));
  p.text[B::kX1] = " 35 ", p.text[B::kY1] = "-12.5";  // halves to even
  ASSERT_TRUE(p.insertionFromPoint(1));
  EXPECT_EQ(std::tie(p.panelInsertX, p.panelInsertY), std::make_tuple(35, -12));
  p.pointFromInsertion(2);
  EXPECT_EQ(p.text[B::kY2], "-12");

  // "Back Floor:" and "Back Ceiling:" stand for each other's field.
  p.text[B::kBackFloorTx] = "5", p.text[B::kBackCeilTx] = "7", p.text[B::kLength] = "90";
  ASSERT_TRUE(p.setProperties());
  const kv::SideDef& rec = table->rec[0];
  EXPECT_EQ(std::make_tuple(rec.backFloorTx, rec.backCeilTx, rec.myLen, rec.x1, rec.h4),
            std::make_tuple(7, 5, 90, 35, 128));
  EXPECT_TRUE(ui.messages.empty());

  // A box that is not a decimal number refuses the whole store, naming it.
  p.text[B::kH3] = "12abc", p.text[B::kWallTx] = "9";
  EXPECT_FALSE(p.setProperties());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("\"Begin ceiling(h3):\" holds \"12abc\""), std::string::npos);
  EXPECT_EQ(ui.messages[0].icon, kv::MsgIcon::Critical);
  EXPECT_EQ(rec.wallTx, 1);
  p.text[B::kX2] = "400", p.text[B::kY2] = "y";
  EXPECT_FALSE(p.insertionFromPoint(2));
  EXPECT_EQ(p.panelInsertX, 35) << "a refused point leaves both coordinates";
  EXPECT_FALSE(p.updateSideDef(-1) || p.updateSideDef(kv::kSideDefSlots));
  EXPECT_EQ(ui.messages.size(), 3u);

  for (const char* bad : {"", "1e", "&H10", "99999999999", "1 2", "--1"}) EXPECT_FALSE(kv::decimalLong(bad)) << bad;
  EXPECT_EQ(kv::decimalLong("+2.5e1"), 25);
  EXPECT_EQ(kv::decimalLong("\t-3.5 "), -4);
}
