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
#include "engine/scratch.h"
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
  m->viewerX = 400, m->viewerY = 1300, m->viewerZ = 64, m->viewerDir = 0;
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

size_t colours(const kv::FrameBuffer& f) { return std::set<std::uint32_t>(f.pixels.begin(), f.pixels.end()).size(); }

kv::FrameBuffer frameOf(Engine& e) {
  e.draw();
  return e.frame();
}

// The room wizard's empty room (walls texture 1, floor texture 2, ceiling
// texture 3) with a pillar (700..900 by 400..600, solid to the ceiling,
// texture 5) and a low block (1000..1200 by 1000..1200, 100 high, walls 6,
// ceiling 7), not compiled yet.
std::unique_ptr<kv::clsMap> blockRoom() {
  auto m = emptyRoom();
  for (Long i = 0; i < 4; ++i) m->walls[i].frontFloorTx = 2, m->walls[i].frontCeilTx = 3;
  auto block = [&](Long x, Long y, Long top, Long tx, Long ceilTx) {
    m->pasteH1 = 0, m->pasteH2 = m->pasteH3 = m->pasteH4 = top, m->pasteWallTx = tx, m->pasteFrontCeilTx = ceilTx;
    kvtest::addSquare(*m, x, y, 200);
  };
  block(700, 400, 264, 5, 5);
  block(1000, 1000, 100, 6, 7);
  return m;
}

// What a person sees at point (px, py) of a w x h frame of the block room
// from (x, y) with the eye at height `eye`, looking along `dir` with a field
// of view `fov`: the colour of the nearest surface the ray through that
// point meets. Textures lie on the map in texels of 4 units, walls' along
// the wall from its start point and downwards from height 0; walls running
// along x are lit fully, along y at three quarters; light falls off with
// depth down to `light` percent at `fade`.
std::uint32_t seenAt(double x, double y, double eye, double dir, double fov, double light, double fade, Long w, Long h,
                     double px, double py) {
  using kv::engine::Surface;
  struct Face {
    double x1, y1, x2, y2, top;
    Long tx;
  };
  static const Face faces[] = {
      {100, 100, 100, 1500, 264, 1},    {100, 1500, 1500, 1500, 264, 1},  {1500, 1500, 1500, 100, 264, 1},
      {1500, 100, 100, 100, 264, 1},    {700, 400, 900, 400, 264, 5},     {900, 400, 900, 600, 264, 5},
      {900, 600, 700, 600, 264, 5},     {700, 600, 700, 400, 264, 5},     {1000, 1000, 1200, 1000, 100, 6},
      {1200, 1000, 1200, 1200, 100, 6}, {1200, 1200, 1000, 1200, 100, 6}, {1000, 1200, 1000, 1000, 100, 6}};
  const double r = dir * 3.14159265358979323846 / 180, focal = w / 2.0 / std::tan(fov * 3.14159265358979323846 / 360);
  const double s = (px - w / 2.0) / focal, q = (h / 2.0 - py) / focal;  // right and up, per unit of depth
  const double rx = std::cos(r) - std::sin(r) * s, ry = std::sin(r) + std::cos(r) * s;
  const bool inRoom = x > 100 && x < 1500 && y > 100 && y < 1500;
  double best = 1e300;
  const kv::engine::Texture* tex = nullptr;
  int u = 0, v = 0;
  double factor = 1;
  // A plane at `height` everywhere, or only over the block.
  auto plane = [&](double height, Surface kind, Long tx, bool onBlock) {
    const double t = (height - eye) / q;
    const double hx = x + t * rx, hy = y + t * ry;
    if (t > 0 && t < best && (!onBlock || std::max(std::abs(hx - 1100), std::abs(hy - 1100)) <= 100))
      best = t, tex = &kv::engine::texture(kind, tx), u = int(std::floor(hx / 4)), v = int(std::floor(hy / 4));
  };
  if (inRoom) {
    plane(0, Surface::Floor, 2, false);
    plane(264, Surface::Ceiling, 3, false);
    plane(100, Surface::Ceiling, 7, true);
  } else {
    plane(8, Surface::Floor, 0, false);  // the ground at "Floor Height"
  }
  for (const Face& f : faces) {
    const double dx = f.x2 - f.x1, dy = f.y2 - f.y1, wx = f.x1 - x, wy = f.y1 - y, d = rx * dy - ry * dx;
    const double t = (wx * dy - wy * dx) / d, along = (wx * ry - wy * rx) / d, z = eye + q * t;
    if (d == 0 || t <= 0 || t >= best || along < 0 || along > 1 || z < 0 || z > f.top) continue;
    const double len = std::hypot(dx, dy), hx = x + t * rx, hy = y + t * ry;
    best = t, tex = &kv::engine::texture(Surface::Wall, f.tx), factor = 0.75 + 0.25 * std::abs(dx) / len;
    u = int(std::floor((hx * dx + hy * dy) / len / 4)), v = int(std::floor(-z / 4));
  }
  if (!tex) return kv::engine::skyColour(static_cast<Long>(py), h);
  const auto k = static_cast<std::uint32_t>(std::clamp(1 - best / fade, light / 100, 1.0) * factor * 256);
  const std::uint32_t c = tex->at(u, v);
  return ((c >> 16 & 255) * k / 256) << 16 | ((c >> 8 & 255) * k / 256) << 8 | (c & 255) * k / 256;
}

void setGlobal(kv::clsMap& m, const char* name, double value) {
  for (Long g = 0; g < m.globalCount; ++g)
    if (m.globals[g].name.trimmed() == name) m.globals[g].value = value;
}

// Where an area's box up to `top` lands in a 90-degree view: pixels outside
// every object's box must be those of the empty room.
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
size_t differencesAround(const kv::FrameBuffer& scene, const kv::FrameBuffer& plain, const kv::clsMap& m, double x,
                         double y, double eye, double dir, std::string& where) {
  std::vector<Rect> objects;
  for (Long k = 1; k < m.areaCount; ++k) {
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

}  // namespace

// The block room seen from places the viewer reaches by a jump, a turn and
// a move, with several headers: every pixel a person can tell apart from
// its neighbours shows what the rules say lies there. Positive turns lower
// the direction (a left turn on the plan view), a sideways move goes to the
// right of the view.
TEST(EnginePictures, WhatAPersonSeesAfterMovesAndTurns) {
  kvtest::TempDir dir;
  auto m = blockRoom();
  ASSERT_EQ(kv::engine::compileScratch(*m, dir.path.string()), "");
  struct Scene {
    double fov, light, fade;
    Long w, h, jumpX, jumpY, eyeHeight, jumpDir, turn, sideways, forward;
    double x, y, eye, dir;
    Long area;
  };
  const double r3 = std::sqrt(3.0);
  for (const Scene& s : {Scene{90, 100, 1e7, 160, 100, 800, 900, 64, 270, 0, 0, 100, 800, 800, 64, 270, 0},
                         Scene{60, 100, 1e7, 160, 100, 400, 1100, 200, 4, 4, 0, 50, 450, 1100, 200, 0, 0},
                         Scene{120, 50, 1, 160, 100, 700, 800, 64, 270, 0, 100, 0, 800, 800, 64, 270, 0},
                         Scene{90, 100, 1e7, 97, 61, 1300, 300, 64, 135, 15, 0, 100, 1250, 300 + 50 * r3, 64, 120, 0},
                         Scene{90, 100, 1e7, 160, 100, -400, 800, 64, 0, 0, 0, 0, -400, 800, 72, 0, -1}}) {
    std::ofstream(dir.file("scratch.hdr"))
        << "fov = " << s.fov << "\nlight = " << s.light << "\nfade = " << s.fade << "\n";
    Engine e;
    e.init(dir.file("scratch.hdr"), s.w, s.h);
    ASSERT_TRUE(e.loaded()) << e.lastError();
    e.jump(s.jumpX, s.jumpY, s.eyeHeight, s.jumpDir);
    e.turn(s.turn);
    e.move(s.sideways, s.forward, 0);
    SCOPED_TRACE("seen from " + std::to_string(s.x) + "," + std::to_string(s.y) + " along " + std::to_string(s.dir));
    EXPECT_NEAR(std::hypot(e.viewer().x - s.x, e.viewer().y - s.y), 0, 1e-6);
    EXPECT_NEAR(e.viewer().dir, s.dir, 1e-9);
    EXPECT_EQ(e.findArea(), s.area);
    const kv::FrameBuffer& f = frameOf(e);
    // Pixels on an edge or a texel boundary are left out: their centre and
    // points a twentieth of a pixel round it see different things.
    Long checked = 0, wrong = 0;
    std::string first;
    for (Long py = 0; py < s.h; ++py)
      for (Long px = 0; px < s.w; ++px) {
        auto see = [&](double ox, double oy) {
          return seenAt(s.x, s.y, s.eye, s.dir, s.fov, s.light, s.fade, s.w, s.h, px + 0.5 + ox, py + 0.5 + oy);
        };
        const std::uint32_t c = see(0, 0);
        if (see(-0.05, 0) != c || see(0.05, 0) != c || see(0, -0.05) != c || see(0, 0.05) != c) continue;
        ++checked;
        if (f.at(px, py) != c && wrong++ == 0) first = "pixel " + std::to_string(px) + "," + std::to_string(py);
      }
    EXPECT_GT(checked, s.w * s.h * 4 / 10);
    EXPECT_EQ(wrong, 0) << first;
  }
}

// Inside a room with something the wizards built in it, a person sees the
// room's own floor, ceiling and walls wherever the thing does not stand in
// the way, exactly as in the empty room (one floor texture, walls standing on
// the room's floor), and never the sky, over the column and the stair too.
TEST(EnginePictures, WizardScenesSeenFromInsideTheRoom) {
  for (auto add : {addColumn, addStair, addCaveAndSwitch}) {
    auto m = emptyRoom(), plainMap = emptyRoom();
    add(*m);
    auto e = engineFor(*m, 160, 100), plain = engineFor(*plainMap, 160, 100);
    std::mt19937 random(7);
    for (int view = 0; view < 40;) {
      const Long x = std::uniform_int_distribution<Long>(110, 1490)(random);
      const Long y = std::uniform_int_distribution<Long>(110, 1490)(random);
      const Long dir = std::uniform_int_distribution<Long>(0, 359)(random), eye = view % 4 == 3 ? 200 : 64;
      bool clear = true;  // the viewer away from the objects, which keep their areas' boxes
      for (Long k = 1; k < m->areaCount; ++k)
        clear = clear && (x < m->areas[k].minX - 60 || x > m->areas[k].maxX + 60 || y < m->areas[k].minY - 60 ||
                          y > m->areas[k].maxY + 60);
      if (!clear) continue;
      ++view;
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y) + " eye " + std::to_string(eye) + " dir " +
                   std::to_string(dir));
      const kv::FrameBuffer seen = frameAt(*e, x, y, eye, dir);
      EXPECT_EQ(skyPixels(seen), 0u);
      std::string where;
      EXPECT_EQ(differencesAround(seen, frameAt(*plain, x, y, eye, dir), *m, x, y, eye, dir, where), 0u) << where;
    }
  }
}

// Two rooms joined by a passage look like one room of the same outline (each
// room's outline is closed across the passage's mouth, which shares the
// passage between them), and from the passage both rooms show.
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
  // Beside the passage, between the rooms, lies no area; neither room encloses the other.
  for (Long y : {300, 700}) EXPECT_EQ((e->jump(1000, y, 64, 0), e->findArea()), -1) << y;
  EXPECT_EQ(e->world()->areas[0].parent + e->world()->areas[1].parent, -2);
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
  // With "Overide CeilFloor" set (a map keeps its first 16 characters), every
  // area has "Floor Height" and "Ceil Height".
  setGlobal(*m, "Overide CeilFloo", 1);
  setGlobal(*m, "Floor Height", 30);
  setGlobal(*m, "Ceil Height", 200);
  ASSERT_TRUE(e.load(*m));
  for (const auto& a : e.world()->areas) EXPECT_EQ(a.floor * 1000 + a.ceil, 30200) << a.name;

  auto cave = [](const std::function<void(kv::clsMap&)>& edit) {
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
  EXPECT_EQ(
      cave([](kv::clsMap& c) { c.walls[0].frontFloorTx = c.walls[1].frontFloorTx = 9; })->world()->areas[0].floorTx, 1);
}

// Moves from places of the multi-pillar room, with where they end worked out
// from the rules: a move stops short of a wall it would cross or come nearer
// than the radius (16) to, slides along it when it can, and passes a
// column's step (16 high) only when the step height allows it and the eye
// fits under the lintel (128).
TEST(EngineViewer, WallsStopTheViewerAndStepsLetItUp) {
  auto m = pillarRoom();
  Engine e;
  ASSERT_TRUE(e.load(*m));
  EXPECT_EQ(e.findArea(), 6);
  EXPECT_EQ(e.areaName(6), "RoomID36");
  struct Walk {
    Long x, y, eyeHeight, dir, forward, times;
    double toX, toY;
    const char* area;
  };
  for (const Walk& w : {Walk{1200, 700, 64, 0, 20, 100, 1480, 700, "RoomID36"},  // the east wall at x = 1500
                        {1200, 700, 64, 0, 284, 1, 1484, 700, "RoomID36"},
                        {1200, 700, 64, 0, 285, 1, 1200, 700, "RoomID36"},
                        {1200, 700, 64, 0, 100000, 1, 1200, 700, "RoomID36"},
                        {1450, 700, 64, 45, 100, 1, 1450, 700 + 50 * std::sqrt(2.0), "RoomID36"},
                        {450, 1150, 120, 180, 20, 10, 430, 1150, "RoomID36"},  // column 0's side at x = 400
                        {-500, 700, 64, 0, 590, 1, -500, 700, ""},
                        // Where the viewer stands: pillar 0's first corner is (300, 350), it lies west of x = 300.
                        {260, 390, 64, 0, 0, 0, 260, 390, "Col0"},
                        {50, 50, 64, 0, 0, 0, 50, 50, ""},
                        {2000, 700, 64, 0, 0, 0, 2000, 700, ""},
                        {101, 1499, 64, 0, 0, 0, 101, 1499, "RoomID36"}}) {
    e.jump(w.x, w.y, w.eyeHeight, w.dir);
    for (Long i = 0; i < w.times; ++i) e.move(0, w.forward, 0);
    EXPECT_NEAR(std::hypot(e.viewer().x - w.toX, e.viewer().y - w.toY), 0, 1e-9) << w.x << "," << w.y;
    EXPECT_EQ(e.areaName(e.findArea()), w.area);
  }
  // The nearest wall straight ahead that stops the viewer, 300 away.
  e.jump(1200, 700, 64, 0);
  const Long ahead = e.hitInFront(0);
  ASSERT_GE(ahead, 0);
  EXPECT_EQ(m->walls[ahead].x1, 1500);
  EXPECT_EQ(m->walls[ahead].x2, 1500);
  EXPECT_EQ(e.hitInFront(300), ahead);
  EXPECT_EQ(e.hitInFront(299), -1);

  // Up column 0's step, 16 high, with "Max Step Height" at 16 and at 15.
  for (auto [maxStep, area] : {std::pair<double, const char*>{16, "Col20"}, {15, "RoomID36"}}) {
    setGlobal(*m, "Max Step Height", maxStep);
    ASSERT_TRUE(e.load(*m));
    e.jump(450, 1150, 64, 180);
    for (int i = 0; i < 10; ++i) e.move(0, 20, 0);
    EXPECT_EQ(e.areaName(e.findArea()), area) << maxStep;
    EXPECT_EQ(e.world()->floorOf(e.findArea()), maxStep == 16 ? 16 : 0);
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
  ASSERT_EQ(kv::engine::compileScratch(*m, dir.path.string()), "");
  e.init(dir.file("scratch.hdr"), 320, 200);
  ASSERT_TRUE(e.loaded()) << e.lastError();
  EXPECT_FALSE(blank(e));
  EXPECT_EQ(e.findArea(), 6);

  e.flush();
  EXPECT_TRUE(blank(e));
  exercise(e);
  e.flush();

  // Frames of a size that is not positive are 320 x 200.
  e.init(dir.file("scratch.hdr"), 0, -5);
  EXPECT_EQ(e.frame().width * 1000 + e.frame().height, 320200);

  // Not a compiled tree: a map file written without compiling.
  auto plain = pillarRoom();
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("plain.mpb"), kv::encodeMap(*plain, false)).empty());
  e.init(dir.file("plain.hdr"), 320, 200);
  EXPECT_FALSE(e.loaded());
  EXPECT_NE(e.lastError().find("compile"), std::string::npos);
  // A tree with a link one past its last record.
  m->walls[0].negChild = m->wallCount;
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("bad.mpb"), kv::encodeMap(*m, true)).empty());
  e.init(dir.file("bad.hdr"), 320, 200);
  EXPECT_FALSE(e.loaded());
  EXPECT_NE(e.lastError().find("links to record " + std::to_string(m->wallCount)), std::string::npos) << e.lastError();
}

TEST(EngineCalls, HeaderSettingsAndPrototypes) {
  kvtest::TempDir dir;
  auto m = pillarRoom();
  std::filesystem::create_directories(dir.path / "maps");
  ASSERT_TRUE(kv::writeFileAtomically(dir.file("maps/room.mpb"), kv::encodeMap(*m, true)).empty());
  auto header = [&](const std::string& text) { std::ofstream(dir.file("scratch.hdr")) << text; };
  Engine e;
  header("# preview\nmap = maps/room.mpb\nFOV = 60\n  fade=1000\nradius = 40\nstep = 25\nfov = 170\n");
  e.init(dir.file("scratch.hdr"), 320, 200);
  ASSERT_TRUE(e.loaded()) << e.lastError();
  EXPECT_EQ(e.settings().fov, 170);
  EXPECT_EQ(e.settings().fade, 1000);
  double x = e.viewer().x;
  e.forward();
  EXPECT_DOUBLE_EQ(e.viewer().x, x + 25);

  // Out of range, not "name = value", unknown, not a number, not finite.
  for (const char* bad : {"map = maps/room.mpb\nfov = 180\n", "fov 90\n", "colour = red\n", "fade = 1e\n",
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
  e.turn(45), e.forward(), e.draw();  // and drawn without harm

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
