// The preview engine on compiled maps: what frames show from inside rooms the
// wizards build, how the viewer moves and which area it stands in, and that
// every call is safe without a map and with numbers that are not numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <random>
#include <set>

#include "engine/kv3d15.h"
#include "io/dialogs.h"
#include "io/mapfile.h"
#include "testutil.h"
#include "wizards/wizardforms.h"

using kv::Long;
using kv::engine::Engine;

namespace {

// The room wizard's multi-pillar room at (100, 100) with its defaults: four
// pentagon pillars (areas 0-3), two columns (4, 5) and the room (6), 1400
// square, compiled. The viewer starts in the room's lower left part.
std::unique_ptr<kv::clsMap> pillarRoom() {
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

// The room wizard's empty room, (100, 100) to (1500, 1500), ceiling 264:
// area 0, not compiled yet.
std::unique_ptr<kv::clsMap> emptyRoom() {
  auto m = kvtest::newMap();
  kv::RoomWizardForm f;
  f.makeRoom(*m, 4, 1400, 100, 100, 4, 5, 2, 264);
  return m;
}

void at(kv::clsMap& m, Long x, Long y) { m.insertX = x, m.insertY = y; }

// The scenes of the wizards, each added to an empty room.
void addColumn(kv::clsMap& m) {  // the column wizard's default column
  kv::ScriptedDialogs d;
  kv::ColWizardForm f;
  at(m, 800, 800);
  f.activate(m);
  ASSERT_TRUE(f.finish(m, d));
}
void addStair(kv::clsMap& m) {  // a flight started on the east wall
  kv::ScriptedDialogs d;
  kv::StairWizardForm f;
  at(m, 1500, 800);
  f.activate(m);
  ASSERT_TRUE(f.finish(m, d));
}
void addCaveAndSwitch(kv::clsMap& m) {
  kv::ScriptedDialogs d;
  m.ceilEnd = 264;
  at(m, 800, 800);
  ASSERT_TRUE(kv::runPieceCommand(m, d, kv::PieceKind::CaveWizard, [] { return 0.0; }));
  at(m, 800, 1000);
  ASSERT_TRUE(kv::runPieceCommand(m, d, kv::PieceKind::SwitchWizard, [] { return 30 / 360.0; }));
}
// Two 800-square rooms 200 apart, joined by the passage wizard between the
// first one's east wall and the second one's west wall.
std::unique_ptr<kv::clsMap> twoRoomsAndAPassage() {
  auto m = kvtest::newMap();
  kv::RoomWizardForm f;
  f.makeRoom(*m, 4, 800, 100, 100, 4, 5, 2, 264);
  f.makeRoom(*m, 4, 800, 1100, 100, 4, 5, 2, 264);
  kv::ScriptedDialogs d;
  kv::PassageWizardForm p;
  const std::vector<std::string> sel{"Wall #2", "Wall #4"};
  p.load(*m, sel);
  p.activate(*m, sel);
  EXPECT_TRUE(p.finish(*m, d, sel));
  return m;
}

std::unique_ptr<Engine> engineFor(kv::clsMap& m, Long w = 320, Long h = 200) {
  m.createBSP();
  auto e = std::make_unique<Engine>();
  EXPECT_TRUE(e->load(m, w, h)) << e->lastError();
  return e;
}

kv::FrameBuffer frameAt(Engine& e, double x, double y, Long z, Long dir) {
  e.jump(static_cast<Long>(x), static_cast<Long>(y), z, dir);
  e.draw();
  return e.frame();
}

size_t skyPixels(const kv::FrameBuffer& f) {
  size_t n = 0;
  for (Long y = 0; y < f.height; ++y)
    for (Long x = 0; x < f.width; ++x) n += f.at(x, y) == kv::engine::skyColour(y, f.height);
  return n;
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

// The part of a frame where a box of the map (plan rectangle, heights 0 to
// top) can show, seen from (x, y) at eye height `eye` looking along `dir`
// with a 90-degree view: the rectangle round the eight corners' images,
// widened by a pixel. Empty when the box is wholly behind the eye; the whole
// frame when it reaches behind.
struct Rect {
  double x0, y0, x1, y1;
  bool holds(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};
Rect imageOf(const kv::Area& a, double top, double x, double y, double eye, double dir, Long w, Long h) {
  const double r = dir * 3.14159265358979323846 / 180, dx = std::cos(r), dy = std::sin(r);
  const double focal = w / 2.0;  // tan(45 degrees) = 1
  Rect box{1e9, 1e9, -1e9, -1e9};
  for (double px : {double(a.minX), double(a.maxX)})
    for (double py : {double(a.minY), double(a.maxY)})
      for (double pz : {0.0, top}) {
        const double z = (px - x) * dx + (py - y) * dy, s = (px - x) * -dy + (py - y) * dx;
        if (z < 1) return {-1e9, -1e9, 1e9, 1e9};
        const double sx = w / 2.0 + s * focal / z, sy = h / 2.0 - (pz - eye) * focal / z;
        box = {std::min(box.x0, sx - 1.5), std::min(box.y0, sy - 1.5), std::max(box.x1, sx + 1.5),
               std::max(box.y1, sy + 1.5)};
      }
  return box;
}

// Pixels of `scene` that differ from `plain` away from where the areas from
// `firstObject` on can show, with the first one found.
size_t differencesAround(const kv::FrameBuffer& scene, const kv::FrameBuffer& plain, const kv::clsMap& m,
                         Long firstObject, double x, double y, double eye, double dir, std::string& where) {
  std::vector<Rect> objects;
  for (Long k = firstObject; k < m.areaCount; ++k) {
    double top = m.areas[k].ceilEnd;
    for (Long i = 0; i < m.wallCount; ++i)
      if (m.walls[i].area == k) top = std::max<double>({top, double(m.walls[i].h2), double(m.walls[i].h4)});
    objects.push_back(imageOf(m.areas[k], top, x, y, eye, dir, scene.width, scene.height));
  }
  size_t n = 0;
  for (Long py = 0; py < scene.height; ++py)
    for (Long px = 0; px < scene.width; ++px) {
      if (scene.at(px, py) == plain.at(px, py)) continue;
      bool covered = false;
      for (const Rect& r : objects) covered = covered || r.holds(px + 0.5, py + 0.5);
      if (!covered && n++ == 0) where = "pixel " + std::to_string(px) + "," + std::to_string(py);
    }
  return n;
}

// A free-standing solid wall (no area) from (x1, y1) to (x2, y2).
void freeWall(kv::clsMap& m, Long x1, Long y1, Long x2, Long y2, Long tx, Long height = 200) {
  m.pasteH1 = 0, m.pasteH2 = height, m.pasteH3 = height, m.pasteH4 = height, m.pasteWallTx = tx;
  m.addWall(x1, y1, x2, y2, m.wallCount, -1);
}

}  // namespace

// Inside a room with something the wizards built in it, a person sees the
// room's own floor, ceiling and walls everywhere the thing does not stand in
// the way, exactly as in the empty room, and never the sky.
TEST(EnginePictures, WizardScenesSeenFromInsideTheRoom) {
  struct Scene {
    const char* name;
    void (*add)(kv::clsMap&);
  };
  for (const Scene& s : {Scene{"column", addColumn}, Scene{"stair on the east wall", addStair},
                         Scene{"cave and switch", addCaveAndSwitch}}) {
    SCOPED_TRACE(s.name);
    auto m = emptyRoom();
    s.add(*m);
    auto plainMap = emptyRoom();
    auto scene = engineFor(*m, 160, 100), plain = engineFor(*plainMap, 160, 100);
    // Objects keep their areas' boxes; the compile does not move areas.
    std::mt19937 random(7);
    int views = 0;
    while (views < 40) {
      const double x = std::uniform_int_distribution<Long>(150, 1450)(random);
      const double y = std::uniform_int_distribution<Long>(150, 1450)(random);
      const Long dir = std::uniform_int_distribution<Long>(0, 359)(random);
      const Long eye = views % 4 == 3 ? 200 : 64;  // sometimes above the column's top
      bool clear = true;
      for (Long k = 1; k < m->areaCount; ++k)
        clear = clear && (x < m->areas[k].minX - 60 || x > m->areas[k].maxX + 60 || y < m->areas[k].minY - 60 ||
                          y > m->areas[k].maxY + 60);
      if (!clear) continue;
      ++views;
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y) + " eye " + std::to_string(eye) + " dir " +
                   std::to_string(dir));
      kv::FrameBuffer seen = frameAt(*scene, x, y, eye, dir), empty = frameAt(*plain, x, y, eye, dir);
      ASSERT_EQ(scene->findArea(), 0);
      EXPECT_EQ(skyPixels(seen), 0u);
      std::string where;
      EXPECT_EQ(differencesAround(seen, empty, *m, 1, x, y, eye, dir, where), 0u) << where;
    }
  }
}

// Two rooms joined by a passage look like one room of the same outline, and
// from the passage both rooms show.
TEST(EnginePictures, TwoRoomsJoinedByAPassage) {
  auto m = twoRoomsAndAPassage();
  auto joined = kvtest::newMap();
  *joined = *m;
  for (Long i = 0; i < joined->wallCount; ++i) joined->walls[i].area = 0;
  joined->areaCount = 1;
  auto e = engineFor(*m, 160, 100), one = engineFor(*joined, 160, 100);
  struct View {
    Long x, y, dir, area;
  };
  for (View v : {View{500, 500, 0, 0}, View{300, 800, 20, 0}, View{1500, 500, 180, 1}, View{1800, 200, 160, 1},
                 View{960, 450, 0, 0}, View{1040, 550, 180, 1}, View{700, 400, 300, 0}}) {
    SCOPED_TRACE(std::to_string(v.x) + "," + std::to_string(v.y));
    kv::FrameBuffer seen = frameAt(*e, v.x, v.y, 64, v.dir);
    EXPECT_EQ(e->findArea(), v.area);
    EXPECT_EQ(skyPixels(seen), 0u);
    EXPECT_EQ(seen.pixels, frameAt(*one, v.x, v.y, 64, v.dir).pixels);
  }
}

// The eye stays between the floor and the ceiling of the viewer's area, and
// a viewer on a wall's line sees the wall rather than through it.
TEST(EnginePictures, TheEyeStaysInsideItsRoom) {
  auto m = emptyRoom();
  addColumn(*m);
  auto e = engineFor(*m, 160, 100);
  kv::FrameBuffer below = frameAt(*e, 400, 800, 263, 30);
  EXPECT_EQ(skyPixels(below), 0u);
  for (Long z : {264, 265, 5000}) EXPECT_EQ(frameAt(*e, 400, 800, z, 30).pixels, below.pixels) << z;
  EXPECT_EQ(frameAt(*e, 400, 800, 0, 30).pixels, frameAt(*e, 400, 800, 1, 30).pixels);

  for (Long dir : {180, 150, 210, 90}) {
    kv::FrameBuffer onLine = frameAt(*e, 100, 700, 64, dir);
    EXPECT_EQ(e->findArea(), 0);
    EXPECT_EQ(skyPixels(onLine), 0u) << dir;
    EXPECT_EQ(onLine.pixels, frameAt(*e, 101, 700, 64, dir).pixels) << dir;
  }
}

TEST(EnginePictures, FramesFollowTheViewerAndCoverEveryPixel) {
  auto m = pillarRoom();
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
  EXPECT_EQ(frameOf(e).pixels, moved.pixels);  // every pixel is drawn again, nothing is left over

  // Other sizes, odd ones too, render without a hole, and a non-positive
  // size means 320 x 200.
  for (auto [w, h] : {std::pair<Long, Long>{97, 61}, {321, 201}, {1, 1}}) {
    ASSERT_TRUE(e.load(*m, w, h));
    EXPECT_EQ(e.frame().width, w);
    EXPECT_EQ(e.frame().height, h);
    EXPECT_EQ(skyPixels(frameAt(e, 700, 700, 64, 135)), 0u) << w;
  }
  ASSERT_TRUE(e.load(*m, 0, -5));
  EXPECT_EQ(e.frame().width, 320);
  EXPECT_EQ(e.frame().height, 200);
}

TEST(EnginePictures, AWallStraightAheadHidesWhatIsBehindIt) {
  // Viewer at the origin looking along +x; a near wall across the view at
  // x = 300, a far wall at x = 900 that is wider than the near one.
  auto build = [](bool nearWall, bool farWall, Long nearHeight = 200) {
    auto m = kvtest::newMap();
    if (nearWall) freeWall(*m, 300, -100, 300, 100, 1, nearHeight);
    if (farWall) freeWall(*m, 900, -3000, 900, 3000, 5);
    m->viewerX = 0, m->viewerY = 0, m->viewerZ = 64, m->viewerDir = 0;
    return frameOf(*engineFor(*m));
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

// What the engine works out at load: the side of each piece its area lies
// on, which area encloses which, one floor and one ceiling texture per area
// (those most of its walls' length asks for), and the areas' heights.
TEST(EngineWorld, InsidesEnclosuresTexturesAndHeights) {
  auto m = pillarRoom();
  Engine e;
  ASSERT_TRUE(e.load(*m));
  const auto& w = *e.world();
  ASSERT_EQ(w.areas.size(), 7u);
  for (const auto& p : w.pieces) {
    EXPECT_EQ(p.own, m->walls[p.index].area);
    // The room runs round its area clockwise on the plan view (its inside on
    // the negative side), the pillars and columns the other way.
    EXPECT_EQ(p.inside, p.own == 6 ? kv::engine::kNeg : kv::engine::kPos) << p.index;
  }
  for (Long k = 0; k < 6; ++k) EXPECT_EQ(w.areas[k].parent, 6) << k;
  EXPECT_EQ(w.areas[6].parent, -1);
  // Floors are "Floor end" unless that reaches the ceiling ("Ceil end"): the
  // room stands on its "Floor beg", a pillar's floor is its step's top.
  EXPECT_EQ(w.areas[6].floor, 0);
  EXPECT_EQ(w.areas[6].ceil, 264);
  EXPECT_EQ(w.areas[0].floor, 16);
  EXPECT_EQ(w.areas[0].name, "Col0");

  auto cave = [](std::function<void(kv::clsMap&)> edit) {
    auto c = emptyRoom();
    addCaveAndSwitch(*c);
    edit(*c);
    return engineFor(*c);
  };
  struct Expect {
    Long parent, floorTx, ceilTx;
  };
  // The room, the cave's outer and inner areas, the switch's outer and inner.
  const Expect expect[] = {{-1, 1, 1}, {0, 1, 1}, {1, 3, 3}, {0, 1, 1}, {3, 3, 3}};
  auto ce = cave([](kv::clsMap& c) { c.walls[2].frontFloorTx = 9; });  // one room wall of four
  const auto& cw = *ce->world();
  ASSERT_EQ(cw.areas.size(), 5u);
  for (size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(cw.areas[k].parent, expect[k].parent) << k;
    EXPECT_EQ(cw.areas[k].floorTx, expect[k].floorTx) << k;
    EXPECT_EQ(cw.areas[k].ceilTx, expect[k].ceilTx) << k;
  }
  // The cave's outer walls are 20, 60, 20 and 60 long: length decides, and
  // a tie goes to the lower number.
  auto caveFloor = [&](Long a, Long b) {
    return cave([&](kv::clsMap& c) { c.walls[a].frontFloorTx = c.walls[b].frontFloorTx = 9; })
        ->world()
        ->areas[1]
        .floorTx;
  };
  EXPECT_EQ(caveFloor(4, 6), 1);
  EXPECT_EQ(caveFloor(5, 7), 9);
  EXPECT_EQ(cave([](kv::clsMap& c) { c.walls[0].frontFloorTx = c.walls[1].frontFloorTx = 9; })->world()->areas[0].floorTx, 1);

  // The passage leaves each room's outline open; each is closed across its
  // gap, so the passage is shared between the two rooms.
  auto rooms = twoRoomsAndAPassage();
  auto re = engineFor(*rooms);
  for (auto [x, y, area] : {std::tuple<Long, Long, Long>{500, 500, 0}, {1500, 500, 1}, {1000, 450, 0},
                            {1000, 550, 1}, {1000, 300, -1}, {1000, 700, -1}}) {
    re->jump(x, y, 64, 0);
    EXPECT_EQ(re->findArea(), area) << x << "," << y;
  }
  EXPECT_EQ(re->world()->areas[0].parent, -1);
  EXPECT_EQ(re->world()->areas[1].parent, -1);
}

TEST(EngineViewer, WallsStopTheViewerAndStepsLetItUp) {
  auto m = pillarRoom();
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
  ASSERT_TRUE(e.load(*pillarRoom()));
  e.jump(450, 1150, 120, 180);
  for (int i = 0; i < 10; ++i) e.move(0, 20, 0);
  EXPECT_EQ(e.findArea(), 6);

  // Outside every area the viewer walks freely, but not into the room.
  e.jump(-500, 700, 64, 0);
  e.move(0, 550, 0);
  EXPECT_EQ(e.findArea(), -1);
  EXPECT_LT(e.viewer().x, 100);
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
  auto m = pillarRoom();
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("scratch.mpb"), kv::encodeMap(*m, true)).empty());
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
  auto plain = pillarRoom();
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("plain.mpb"), kv::encodeMap(*plain, false)).empty());
  e.init(dir.file("plain.hdr"), 320, 200);
  EXPECT_FALSE(e.loaded());
  EXPECT_NE(e.lastError().find("compile"), std::string::npos);
  // A tree whose links leave the table.
  m->walls[0].negChild = m->wallCount + 5;
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("bad.mpb"), kv::encodeMap(*m, true)).empty());
  e.init(dir.file("bad.hdr"), 320, 200);
  EXPECT_FALSE(e.loaded());
  EXPECT_TRUE(blank(e));
}

TEST(EngineCalls, HeaderSettingsAndPrototypes) {
  kvtest::TempDir dir;
  auto m = pillarRoom();
  std::filesystem::create_directories(dir.path / "maps");
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("maps/room.mpb"), kv::encodeMap(*m, true)).empty());
  auto header = [&](const std::string& text) { std::ofstream(dir.file("scratch.hdr")) << text; };
  Engine e;
  header("# preview\nmap = maps/room.mpb\nFOV = 60\n  fade=1000\nradius = 40\nstep = 25\n");
  e.init(dir.file("scratch.hdr"), 320, 200);
  ASSERT_TRUE(e.loaded()) << e.lastError();
  EXPECT_EQ(e.settings().fov, 60);
  EXPECT_EQ(e.settings().fade, 1000);
  double x = e.viewer().x;
  e.forward();
  EXPECT_DOUBLE_EQ(e.viewer().x, x + 25);

  // Out of range, not "name = value", unknown, not a number, not finite.
  for (const char* bad : {"map = maps/room.mpb\nfov = 200\n", "fov 90\n", "colour = red\n", "fade = 1e\n",
                          "map = maps/room.mpb\nfov = nan\n", "fov = -nan\n", "light = inf\n", "step = -inf\n"}) {
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

// Numbers that are not numbers, or lie far off the map, never reach the
// frame's arithmetic: a viewer start is brought onto the map, settings fall
// back to their defaults, and a view that cannot be placed draws black.
TEST(EngineCalls, BadNumbersNeverReachTheFrame) {
  auto m = pillarRoom();
  m->viewerX = std::nan("");
  m->viewerY = 1e300;
  Engine e;
  ASSERT_TRUE(e.load(*m));
  EXPECT_EQ(e.viewer().x, 0);
  EXPECT_EQ(e.viewer().y, 2147483647.0);
  e.turn(45);
  e.forward();
  EXPECT_GE(colours(frameOf(e)), 1u);

  const double nan = std::nan(""), inf = HUGE_VAL;
  kv::engine::Renderer r;
  kv::FrameBuffer usual(64, 40), f(64, 40);
  const kv::engine::View view{700, 700, 64, 135, 6};
  r.render(e.world(), view, kv::engine::Settings{}, usual);
  for (double v : {nan, -nan, inf, -inf, 1e308, 0.0}) {
    kv::engine::Settings s;
    s.fov = v, s.fade = v;
    if (v != 0) s.light = v;
    r.render(e.world(), view, s, f);
    EXPECT_EQ(f.pixels, usual.pixels) << v;
  }
  for (double v : {nan, inf}) {
    for (int i = 0; i < 4; ++i) {
      kv::engine::View bad = view;
      (i == 0 ? bad.x : i == 1 ? bad.y : i == 2 ? bad.eye : bad.dir) = v;
      r.render(e.world(), bad, kv::engine::Settings{}, f);
      EXPECT_EQ(colours(f), 1u) << i;
      EXPECT_EQ(f.at(0, 0), 0u);
    }
  }
}
