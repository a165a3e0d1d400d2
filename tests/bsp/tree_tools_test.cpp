// The side-def table's tree tools and the compile commands with their
// messages and dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <tuple>

#include "bsp/commands.h"
#include "bsp/sidedef.h"
#include "io/mapfile.h"
#include "model/clsMap.h"
#include "testutil.h"

using kv::Long;

namespace {

// The map's walls copied into a side-def table, linked with fresh ranges.
std::unique_ptr<kv::SideDefTable> sideDefsOf(const kv::clsMap& m) {
  auto t = std::make_unique<kv::SideDefTable>();
  for (Long i = 0; i < m.wallCount; ++i) {
    const kv::Wall& w = m.walls[i];
    kv::SideDef& s = t->rec[i];
    s.x1 = w.x1, s.y1 = w.y1, s.x2 = w.x2, s.y2 = w.y2;
  }
  t->count = static_cast<kv::Integer>(m.wallCount);
  t->polishNextSegAndT();
  return t;
}

}  // namespace

TEST(SideDefTools, BuildBspGivesTheWallTablesTreeAndRefusesDamagedLists) {
  std::mt19937 gen(3);
  auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gen); };
  for (int round = 0; round < 30; ++round) {
    auto m = kvtest::newMap();
    for (int i = r(1, 40); i > 0; --i) {
      Long x = r(-200, 200), y = r(-200, 200);
      m->addWall(x, y, x + r(-90, 90), y + r(1, 90), m->wallCount, -1);
    }
    auto t = sideDefsOf(*m);
    kv::SideDefBuildResult b = t->buildBSP();
    m->createBSP();
    ASSERT_TRUE(b.ok) << b.message;
    ASSERT_EQ(t->count, m->wallCount) << "round " << round;
    for (Long i = 0; i < m->wallCount; ++i) {
      const kv::SideDef& s = t->rec[i];
      const kv::Wall& w = m->walls[i];
      ASSERT_EQ(std::tie(s.x1, s.y1, s.x2, s.y2, s.posChild, s.negChild),
                std::tie(w.x1, w.y1, w.x2, w.y2, w.posChild, w.negChild))
          << "round " << round << " record " << i;
    }
  }

  auto m = kvtest::newMap();
  m->addWall(0, 0, 100, 0, 0, -1);
  m->addWall(50, -50, 50, 50, 1, -1);
  auto t = sideDefsOf(*m);
  t->rec[1].nextSeg = 0;  // a list that runs in a circle
  const auto before = std::make_unique<kv::SideDefTable>(*t);
  kv::SideDefBuildResult b = t->buildBSP();
  EXPECT_FALSE(b.ok);
  EXPECT_NE(b.message.find("circle"), std::string::npos) << b.message;
  EXPECT_EQ(std::memcmp(before->rec.data(), t->rec.data(), sizeof t->rec), 0) << "a refused build changed the table";
  EXPECT_EQ(before->count, t->count);
  t->count = 0;
  EXPECT_FALSE(t->buildBSP().ok);
}

TEST(SideDefTools, WalkTreeVisitsInViewerOrderAndStopsAt320) {
  auto m = kvtest::newMap();
  m->addWall(0, 0, 100, 0, 0, -1);
  m->addWall(50, -50, 50, 50, 1, -1);
  auto t = sideDefsOf(*m);
  ASSERT_TRUE(t->buildBSP().ok);
  t->viewerX = 50, t->viewerY = 10;  // on the non-negative side of record 0
  EXPECT_EQ(t->walkTree(), (std::vector<Long>{2, 0, 1}));
  t->viewerY = -10;
  EXPECT_EQ(t->walkTree(), (std::vector<Long>{1, 0, 2}));

  auto chain = kvtest::newMap();
  for (Long i = 0; i < 500; ++i) chain->addWall(0, 3 * i, 50, 3 * i, i, -1);
  auto c = sideDefsOf(*chain);
  ASSERT_TRUE(c->buildBSP().ok);
  EXPECT_EQ(c->walkTree().size(), 320u);
  c->rec[5].posChild = 5, c->rec[5].negChild = 5;  // a damaged tree still ends
  EXPECT_LE(c->walkTree().size(), 320u);
}

TEST(CompileCommands, ExportTellsTheTimeAsksForANameAndWritesTheBinary) {
  kvtest::TempDir dir;
  auto m = kvtest::newMap();
  kvtest::addSquare(*m, 0, 0, 100);
  kv::ScriptedDialogs ui;
  ui.fileAnswers = {dir.file("out.mpb")};
  std::vector<double> times{86399.9, 0.15};  // 0.25 s across midnight
  size_t tick = 0;
  std::vector<bool> busy;
  kv::ExportOutcome done =
      kv::exportMapBinary(*m, ui, [&] { return times[tick++]; }, [&](bool b) { busy.push_back(b); });
  EXPECT_TRUE(done.compiled && done.written);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Done building tree in 0.2 seconds");
  EXPECT_EQ(ui.messages[0].title, "Compile complete");
  EXPECT_EQ(ui.messages[0].icon, kv::MsgIcon::Information);
  ASSERT_EQ(ui.fileRequests.size(), 1u);
  EXPECT_EQ(ui.fileRequests[0].filter, "Map Binary|*.mpb");
  EXPECT_EQ(ui.fileRequests[0].presetName, "untitled.mpb");
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
  std::string problem;
  EXPECT_EQ(*kv::readFileBytes(dir.file("out.mpb"), problem), kv::encodeMap(*m, true));
  EXPECT_EQ(kv::treeTimingText(10, 11.27), "Done building tree in 1.2 seconds");
  EXPECT_EQ(kv::treeTimingText(10, 10), "Done building tree in 0 seconds");

  // No walls: the refusal is said, the cursor comes back, no dialog opens.
  auto empty = kvtest::newMap();
  kv::ScriptedDialogs ui2;
  busy.clear(), tick = 0;
  done = kv::exportMapBinary(*empty, ui2, [&] { return times[tick++]; }, [&](bool b) { busy.push_back(b); });
  EXPECT_FALSE(done.compiled || done.written);
  EXPECT_EQ(ui2.messages.size(), 1u);
  EXPECT_TRUE(ui2.fileRequests.empty());
  EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

TEST(CompileCommands, TestAndReadMapObjectUseTheirFilesInTheFolder) {
  kvtest::TempDir dir;
  auto m = kvtest::newMap();
  kvtest::addSquare(*m, 0, 0, 100);
  kv::ScriptedDialogs ui;
  ASSERT_TRUE(kv::testMapObject(*m, ui, dir.path.string()));
  std::string problem;
  auto bytes = kv::readFileBytes(dir.file("newdir.mpb"), problem);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, kv::encodeMap(*m, true)) << "written as it stands, not compiled";

  EXPECT_FALSE(kv::readMapObject(*m, ui, dir.path.string())) << "newdir2.mpb is not there yet";
  std::filesystem::copy_file(dir.file("newdir.mpb"), dir.file("newdir2.mpb"));
  auto back = kvtest::newMap();
  ASSERT_TRUE(kv::readMapObject(*back, ui, dir.path.string()));
  EXPECT_EQ(back->wallCount, 4);
  EXPECT_EQ(back->walls[2], m->walls[2]);

  EXPECT_TRUE(kv::createClassBSP(*m, ui));
  EXPECT_FALSE(kv::createClassBSP(*kvtest::newMap(), ui));
}
