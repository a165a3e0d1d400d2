// The preview engine on compiled maps: what frames show, how the viewer moves
// and which area it stands in, and that every call is safe without a map.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>

#include "engine/kv3d15.h"
#include "io/mapfile.h"
#include "testutil.h"
#include "wizards/wizardforms.h"

using kv::Long;
using kv::engine::Engine;

namespace {

// The room wizard's multi-pillar room at (100, 100) with its defaults: four
// pentagon pillars (areas 0-3), two columns (4, 5) and the room (6), 1400
// square, compiled. The viewer starts in the room's lower left part.
std::unique_ptr<kv::clsMap> wizardRoom() {
  auto m = kvtest::newMap();
  kv::RoomWizardForm f;
  f.roomType = 1;
  f.makeRoom(*m, 4, 1400, 100, 100, 4, 5, 2, 264);
  m->viewerX = 400;
  m->viewerY = 1300;
  m->viewerZ = 64;
  m->viewerDir = 0;
  m->createBSP();
  return m;
}

std::string writeBinary(kv::clsMap& m, const std::string& path) {
  EXPECT_TRUE(kv::writeFileAtomically(path, kv::encodeMap(m, true)).empty());
  return path;
}

// A free-standing solid wall (no area) from (x1, y1) to (x2, y2).
void freeWall(kv::clsMap& m, Long x1, Long y1, Long x2, Long y2, Long tx, Long height = 200) {
  m.pasteH1 = 0, m.pasteH2 = height, m.pasteH3 = height, m.pasteH4 = height, m.pasteWallTx = tx;
  m.addWall(x1, y1, x2, y2, m.wallCount, -1);
}

std::vector<std::uint32_t> column(const kv::FrameBuffer& f, Long x) {
  std::vector<std::uint32_t> c;
  for (Long y = 0; y < f.height; ++y) c.push_back(f.at(x, y));
  return c;
}

size_t colours(const kv::FrameBuffer& f) { return std::set<std::uint32_t>(f.pixels.begin(), f.pixels.end()).size(); }

kv::FrameBuffer frameOf(Engine& e) {
  e.draw();
  return e.frame();
}

}  // namespace

TEST(EngineRender, FramesShowTheMapAndFollowTheViewer) {
  auto m = wizardRoom();
  Engine e;
  ASSERT_TRUE(e.load(*m)) << e.lastError();
  EXPECT_EQ(e.frame().width, 320);
  kv::FrameBuffer start = frameOf(e);
  EXPECT_GT(colours(start), 50u);
  EXPECT_GT(e.renderer().piecesDrawn, 0);

  e.move(0, 50, 0);
  kv::FrameBuffer moved = frameOf(e);
  EXPECT_NE(moved.pixels, start.pixels);
  e.turn(30);
  kv::FrameBuffer turned = frameOf(e);
  EXPECT_NE(turned.pixels, moved.pixels);
  e.turn(-30);
  EXPECT_EQ(frameOf(e).pixels, moved.pixels);  // turning back shows the same frame

  // Other sizes render too, and a non-positive size means 320 x 200.
  ASSERT_TRUE(e.load(*m, 97, 61));
  EXPECT_EQ(e.frame().width, 97);
  EXPECT_EQ(e.frame().height, 61);
  EXPECT_GT(colours(e.frame()), 20u);
  ASSERT_TRUE(e.load(*m, 0, -5));
  EXPECT_EQ(e.frame().width, 320);
  EXPECT_EQ(e.frame().height, 200);
}

TEST(EngineRender, AWallStraightAheadHidesWhatIsBehindIt) {
  // Viewer at the origin looking along +x; a near wall across the view at
  // x = 300, a far wall at x = 900 that is wider than the near one.
  auto build = [](bool nearWall, bool farWall, Long nearHeight = 200) {
    auto m = kvtest::newMap();
    if (nearWall) freeWall(*m, 300, -100, 300, 100, 1, nearHeight);
    if (farWall) freeWall(*m, 900, -3000, 900, 3000, 5);
    m->viewerX = 0, m->viewerY = 0, m->viewerZ = 64, m->viewerDir = 0;
    m->createBSP();
    Engine e;
    EXPECT_TRUE(e.load(*m));
    return frameOf(e);
  };
  kv::FrameBuffer both = build(true, true), nearOnly = build(true, false), farOnly = build(false, true);
  // The centre column shows the near wall whether or not the far one is there,
  // and it is not what the far wall alone looks like.
  EXPECT_EQ(column(both, 160), column(nearOnly, 160));
  EXPECT_NE(column(both, 160), column(farOnly, 160));
  // The near wall (200 wide at 300) spans columns 107 to 212 of 320 with a
  // 90-degree view; beyond it the far wall shows.
  EXPECT_EQ(column(both, 20), column(farOnly, 20));
  EXPECT_EQ(column(both, 110), column(nearOnly, 110));
  EXPECT_NE(column(both, 20), column(nearOnly, 20));
  // The wall runs from its floor to its top: the rows around the horizon of
  // the centre column all differ from the open view beyond.
  for (Long y = 40; y < 130; ++y) EXPECT_NE(nearOnly.at(160, y), farOnly.at(160, y)) << y;

  // Over a low near wall (40 high, its top on row 117) the far wall shows.
  kv::FrameBuffer low = build(true, true, 40);
  for (Long y = 0; y < 117; ++y) EXPECT_EQ(low.at(160, y), farOnly.at(160, y)) << y;
  for (Long y = 117; y < 134; ++y) EXPECT_NE(low.at(160, y), farOnly.at(160, y)) << y;
}

TEST(EngineRender, FrontSidesAndTheAreasBesideEveryPiece) {
  auto m = wizardRoom();
  Engine e;
  ASSERT_TRUE(e.load(*m));
  const auto& w = *e.world();
  ASSERT_EQ(w.areas.size(), 7u);
  for (const auto& p : w.pieces) {
    Long own = m->walls[p.index].area;
    // The front of every wall faces its own area; the other side is the room
    // for pillars and columns, outside for the room's walls.
    EXPECT_EQ(p.area[p.front], own) << p.index;
    EXPECT_EQ(p.area[1 - p.front], own == 6 ? -1 : 6) << p.index;
    EXPECT_EQ(p.floorTx[p.front], m->walls[p.index].frontFloorTx);
  }
  // Floors are "Floor end" unless that reaches the ceiling ("Ceil end"): the
  // room stands on its "Floor beg", a pillar's floor is its step's top.
  EXPECT_EQ(w.areas[6].floor, 0);
  EXPECT_EQ(w.areas[6].ceil, 264);
  EXPECT_EQ(w.areas[0].floor, 16);
  EXPECT_EQ(w.areas[0].ceil, 264);
  EXPECT_EQ(w.areas[0].name, "Col0");
}

TEST(EngineViewer, WallsStopTheViewerAndStepsLetItUp) {
  auto m = wizardRoom();
  Engine e;
  ASSERT_TRUE(e.load(*m));
  EXPECT_EQ(e.findArea(), 6);
  EXPECT_EQ(e.areaName(6), "RoomID36");

  // Walking at the room's wall at x = 1500 many times, and in one long move.
  e.jump(1200, 700, 64, 0);
  for (int i = 0; i < 100; ++i) e.move(0, 20, 0);
  EXPECT_LT(e.viewer().x, 1500 - e.settings().radius + 1e-6);
  EXPECT_GT(e.viewer().x, 1400);
  EXPECT_EQ(e.findArea(), 6);
  e.jump(1200, 700, 64, 0);
  e.move(0, 100000, 0);
  EXPECT_EQ(e.findArea(), 6);
  EXPECT_LT(e.viewer().x, 1500);
  EXPECT_EQ(e.hitInFront(0), e.hitInFront(1000));
  EXPECT_GE(e.hitInFront(1000), 0);
  EXPECT_EQ(e.hitInFront(100), -1);  // the wall is 300 away

  // Going at the wall at an angle slides along it.
  e.jump(1450, 700, 64, 45);
  e.move(0, 100, 0);
  EXPECT_GT(e.viewer().y, 760);
  EXPECT_LE(e.viewer().x, 1500 - e.settings().radius + 1e-6);

  // A column's step (16 high) is within the step height of 25: the viewer
  // walks in, and stands on the column's floor (16).
  // Column 0 lies west of its first side, x = 400 for y 1100 to 1200.
  e.jump(450, 1150, 64, 180);
  EXPECT_EQ(e.findArea(), 6);
  for (int i = 0; i < 10; ++i) e.move(0, 20, 0);
  EXPECT_EQ(e.areaName(e.findArea()), "Col20");
  EXPECT_EQ(e.world()->floorOf(e.findArea()), 16);

  // With "Max Step Height" at 10 the same step stops it.
  for (Long g = 0; g < m->globalCount; ++g)
    if (m->globals[g].name.trimmed() == "Max Step Height") m->globals[g].value = 10;
  ASSERT_TRUE(e.load(*m));
  e.jump(450, 1150, 64, 180);
  for (int i = 0; i < 10; ++i) e.move(0, 20, 0);
  EXPECT_EQ(e.findArea(), 6);
  EXPECT_GE(e.viewer().x, 400);

  // A viewer taller than the gap under a column's lintel (128) cannot enter.
  ASSERT_TRUE(e.load(*wizardRoom()));
  e.jump(450, 1150, 120, 180);
  for (int i = 0; i < 10; ++i) e.move(0, 20, 0);
  EXPECT_EQ(e.findArea(), 6);
}

TEST(EngineViewer, AreasInsideAndOutside) {
  auto m = wizardRoom();
  Engine e;
  ASSERT_TRUE(e.load(*m));
  struct Case {
    Long x, y, area;
    const char* name;
  };
  // Pillar 0's first corner is (300, 350): it lies to the west of x = 300.
  for (Case c : {Case{800, 800, 6, "RoomID36"}, Case{260, 390, 0, "Col0"}, Case{50, 50, -1, ""},
                 Case{2000, 700, -1, ""}, Case{101, 1499, 6, "RoomID36"}}) {
    e.jump(c.x, c.y, 64, 0);
    EXPECT_EQ(e.findArea(), c.area) << c.x << "," << c.y;
    EXPECT_EQ(e.areaName(e.findArea()), c.name);
  }
  EXPECT_EQ(e.areaName(7), "");
  EXPECT_EQ(e.areaName(-1), "");
  // Outside every area the viewer walks freely, but not into the room.
  e.jump(-500, 700, 64, 0);
  e.move(0, 550, 0);
  EXPECT_EQ(e.findArea(), -1);
  EXPECT_LT(e.viewer().x, 100);
}

TEST(EngineCalls, SafeBeforeLoadingAndAfterFlushing) {
  kvtest::TempDir dir;
  auto blank = [](Engine& e) {
    e.draw();
    return colours(e.frame()) == 1;
  };
  auto exercise = [](Engine& e) {
    e.forward();
    e.move(3, 40, 0);
    e.turn(4);
    e.jump(10, 10, 64, 90);
    EXPECT_EQ(e.findArea(), -1);
    EXPECT_EQ(e.areaName(0), "");
    EXPECT_EQ(e.hitInFront(100), -1);
  };
  Engine e;
  EXPECT_TRUE(blank(e));
  exercise(e);
  EXPECT_EQ(e.viewer().dir, 90);

  // A header that names nothing loadable leaves a blank frame and a reason.
  Long bmp = e.init(dir.file("scratch.hdr"), 320, 200);
  EXPECT_NE(kv::gdi::bitmap(bmp), nullptr);
  EXPECT_FALSE(e.loaded());
  EXPECT_NE(e.lastError().find("scratch.mpb"), std::string::npos);
  EXPECT_TRUE(blank(e));

  // Without the header the map binary of the same name beside it is loaded.
  auto m = wizardRoom();
  writeBinary(*m, dir.file("scratch.mpb"));
  e.init(dir.file("scratch.hdr"), 320, 200);
  ASSERT_TRUE(e.loaded()) << e.lastError();
  EXPECT_FALSE(blank(e));
  EXPECT_EQ(e.findArea(), 6);

  e.flush();
  EXPECT_TRUE(blank(e));
  exercise(e);
  e.flush();

  // The engine's own calls, on the one engine.
  kv::FLUSHTALISSE();
  Long b = kv::DRAWKV(0);
  EXPECT_EQ(colours(*kv::gdi::bitmap(b)), 1u);
  kv::MOVEVIEWER(0, 10, 0);
  kv::TURNVIEWER(-4);
  kv::FORWARD();
  EXPECT_EQ(kv::FINDAREA(), -1);
  EXPECT_EQ(kv::FINDAREANAME(kv::FINDAREA()), "");
  EXPECT_EQ(kv::HITINFRONT(5), -1);
  b = kv::INITTALISSE(0, dir.file("scratch.hdr"), 320, 200, 12345);
  EXPECT_GT(colours(*kv::gdi::bitmap(b)), 1u);
  kv::JUMPVIEWER(260, 390, 64, 0);
  EXPECT_EQ(kv::FINDAREANAME(kv::FINDAREA()), "Col0");
  kv::FLUSHTALISSE();
  EXPECT_EQ(colours(*kv::gdi::bitmap(kv::DRAWKV(0))), 1u);

  // Not a compiled tree: a map file written without compiling.
  auto plain = wizardRoom();
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("plain.mpb"), kv::encodeMap(*plain, false)).empty());
  e.init(dir.file("plain.hdr"), 320, 200);
  EXPECT_FALSE(e.loaded());
  EXPECT_NE(e.lastError().find("compile"), std::string::npos);
  // A tree whose links leave the table.
  m->walls[0].negChild = m->wallCount + 5;
  writeBinary(*m, dir.file("bad.mpb"));
  e.init(dir.file("bad.hdr"), 320, 200);
  EXPECT_FALSE(e.loaded());
  EXPECT_TRUE(blank(e));
}

TEST(EngineCalls, HeaderSettingsAndPrototypes) {
  kvtest::TempDir dir;
  auto m = wizardRoom();
  std::filesystem::create_directories(dir.path / "maps");
  writeBinary(*m, dir.file("maps/room.mpb"));
  auto header = [&](const std::string& text) {
    std::ofstream(dir.file("scratch.hdr")) << text;
  };
  Engine e;
  header("# preview\nmap = maps/room.mpb\nFOV = 60\n  fade=1000\nradius = 40\nstep = 25\n");
  e.init(dir.file("scratch.hdr"), 320, 200);
  ASSERT_TRUE(e.loaded()) << e.lastError();
  EXPECT_EQ(e.settings().fov, 60);
  EXPECT_EQ(e.settings().fade, 1000);
  double x = e.viewer().x;
  e.forward();
  EXPECT_DOUBLE_EQ(e.viewer().x, x + 25);

  for (const char* bad : {"map = maps/room.mpb\nfov = 200\n", "fov 90\n", "colour = red\n", "fade = 1e\n"}) {
    header(bad);
    e.init(dir.file("scratch.hdr"), 320, 200);
    EXPECT_FALSE(e.loaded()) << bad;
    EXPECT_NE(e.lastError().find("line"), std::string::npos) << e.lastError();
  }
  // The map binary itself may stand in for the header, and a Windows path
  // finds the file on this platform.
  std::string win = dir.file("maps/room.mpb");
  std::replace(win.begin(), win.end(), '/', '\\');
  e.init("c:" + win, 320, 200);
  EXPECT_TRUE(e.loaded()) << e.lastError();

  EXPECT_EQ(e.addProto(dir.file("nothing.kvx")), 0);
  EXPECT_NE(e.lastError().find("nothing.kvx"), std::string::npos);
  std::ofstream(dir.file("fish.kvx")) << "prototype\n";
  EXPECT_EQ(e.addProto(dir.file("fish.kvx")), 1);
  EXPECT_EQ(e.prototypes().size(), 1u);
}

// A map binary may carry a viewer start that is not a number or lies far off
// the map; the viewer is put on the map's coordinates and frames still draw.
TEST(EngineCalls, AStartOffTheMapIsBroughtOntoIt) {
  auto m = wizardRoom();
  m->viewerX = std::nan("");
  m->viewerY = 1e300;
  Engine e;
  ASSERT_TRUE(e.load(*m));
  EXPECT_EQ(e.viewer().x, 0);
  EXPECT_EQ(e.viewer().y, 2147483647.0);
  e.turn(45);
  e.forward();
  EXPECT_GE(colours(frameOf(e)), 1u);
}
