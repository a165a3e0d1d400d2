// WAD levels built byte by byte: the map they become, and damaged files refused.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/world.h"
#include "io/wadimport.h"
#include "testutil.h"

using namespace kv;

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& b, int v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(Bytes& b, std::int64_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void putName(Bytes& b, const std::string& s) {
  for (size_t i = 0; i < 8; ++i) b.push_back(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
}

struct Side {
  std::string upper, lower, middle;
  int sector;
};
struct Sector {
  int floor, ceil;
  std::string floorFlat, ceilFlat;
};

// A level's records; wad() lays them out as a file: header, lumps, directory.
struct Level {
  std::string name = "E1M1";
  std::vector<std::pair<int, int>> vertexes;
  std::vector<std::array<int, 4>> lines;  // v1, v2, right, left (-1 none)
  std::vector<Side> sides;
  std::vector<Sector> sectors;
  std::vector<std::array<int, 4>> things;  // x, y, angle, type
  std::vector<std::pair<std::string, Bytes>> extra;  // lumps after the level's own

  std::vector<std::pair<std::string, Bytes>> lumps() const {
    Bytes th, ld, sd, vx, se;
    for (auto& t : things) put16(th, t[0]), put16(th, t[1]), put16(th, t[2]), put16(th, t[3]), put16(th, 7);
    for (auto& l : lines) {
      put16(ld, l[0]), put16(ld, l[1]), put16(ld, l[3] < 0 ? 1 : 4), put16(ld, 0), put16(ld, 0);
      put16(ld, l[2] < 0 ? 0xFFFF : l[2]), put16(ld, l[3] < 0 ? 0xFFFF : l[3]);
    }
    for (auto& s : sides) put16(sd, 0), put16(sd, 0), putName(sd, s.upper), putName(sd, s.lower),
        putName(sd, s.middle), put16(sd, s.sector);
    for (auto& v : vertexes) put16(vx, v.first), put16(vx, v.second);
    for (auto& s : sectors) put16(se, s.floor), put16(se, s.ceil), putName(se, s.floorFlat),
        putName(se, s.ceilFlat), put16(se, 160), put16(se, 0), put16(se, 0);
    std::vector<std::pair<std::string, Bytes>> l = {{name, {}},     {"THINGS", th},   {"LINEDEFS", ld},
                                                    {"SIDEDEFS", sd}, {"VERTEXES", vx}, {"SECTORS", se}};
    l.insert(l.end(), extra.begin(), extra.end());
    return l;
  }
  Bytes wad() const { return layOut(lumps()); }
  static Bytes layOut(const std::vector<std::pair<std::string, Bytes>>& lumps) {
    Bytes b = {'P', 'W', 'A', 'D'};
    size_t body = 12;
    for (auto& l : lumps) body += l.second.size();
    put32(b, static_cast<std::int64_t>(lumps.size()));
    put32(b, static_cast<std::int64_t>(body));
    for (auto& l : lumps) b.insert(b.end(), l.second.begin(), l.second.end());
    size_t pos = 12;
    for (auto& l : lumps) {
      put32(b, static_cast<std::int64_t>(pos)), put32(b, static_cast<std::int64_t>(l.second.size()));
      putName(b, l.first);
      pos += l.second.size();
    }
    return b;
  }
};

// A room (sector 0, x 0 to 256) and an alcove beside it behind a step and a
// lintel (sector 2, x 256 to 384); sector 1 has no walls. Lines are listed
// out of boundary order.
Level roomAndAlcove() {
  Level lv;
  lv.vertexes = {{0, 0}, {0, 256}, {256, 256}, {256, 0}, {384, 256}, {384, 0}};
  lv.sectors = {{0, 128, "FLOOR0", "CEIL0"}, {0, 0, "X", "X"}, {24, 96, "FLOOR1", "CEIL1"}};
  lv.sides = {{"-", "-", "WALLA", 0}, {"-", "-", "WALLA", 0}, {"LINTEL", "STEP", "-", 0}, {"-", "-", "-", 2},
              {"-", "-", "WALLA", 0}, {"-", "-", "WALLB", 2}, {"-", "-", "WALLB", 2}, {"-", "-", "WALLB", 2}};
  lv.lines = {{3, 0, 0, -1}, {0, 1, 1, -1}, {5, 3, 7, -1}, {2, 3, 2, 3},
              {1, 2, 4, -1}, {2, 4, 5, -1}, {4, 5, 6, -1}};
  lv.things = {{64, 64, 0, 3004}, {128, 64, 90, 1}, {0, 0, 0, 1}};
  return lv;
}

struct WallWant {
  Long x1, y1, x2, y2, h1, h2, h3, h4, wallTx, frontFloorTx, frontCeilTx, backFloorTx, backCeilTx;
};

}  // namespace

TEST(WadImport, RoomAndAlcoveBecomeTwoAreasInBoundaryOrder) {
  auto map = kvtest::newMap();
  std::string problem;
  auto sum = importWad(roomAndAlcove().wad(), "e1m1", {}, *map, problem);
  ASSERT_TRUE(sum) << problem;
  EXPECT_EQ(sum->sectorsWithoutWalls, 1);
  EXPECT_EQ(sum->thingsDropped, 2);

  // x + 200, 256 - y + 200; the room's walls run with the room on their
  // negative side. Texture numbers: FNV-1a of the name, mod 11 (walls) and
  // mod 16 (flats): WALLA 10, STEP 10, "-" 5, WALLB 2; FLOOR0 7, CEIL0 8,
  // FLOOR1 4, CEIL1 11.
  const WallWant want[] = {
      {200, 456, 456, 456, 0, 128, 128, 128, 10, 7, 8, 7, 8},  {456, 456, 456, 200, 0, 24, 96, 128, 10, 7, 8, 4, 11},
      {456, 200, 200, 200, 0, 128, 128, 128, 10, 7, 8, 7, 8},  {200, 200, 200, 456, 0, 128, 128, 128, 10, 7, 8, 7, 8},
      {456, 456, 584, 456, 24, 96, 96, 96, 2, 4, 11, 4, 11},   {584, 456, 584, 200, 24, 96, 96, 96, 2, 4, 11, 4, 11},
      {584, 200, 456, 200, 24, 96, 96, 96, 2, 4, 11, 4, 11},   {456, 200, 456, 456, 24, 24, 96, 128, 5, 4, 11, 7, 8},
  };
  ASSERT_EQ(map->wallCount, 8);
  for (Long i = 0; i < 8; ++i) {
    const Wall& w = map->walls[i];
    const WallWant& e = want[i];
    SCOPED_TRACE("wall " + std::to_string(i));
    EXPECT_EQ((std::array{w.x1, w.y1, w.x2, w.y2}), (std::array{e.x1, e.y1, e.x2, e.y2}));
    EXPECT_EQ((std::array{w.h1, w.h2, w.h3, w.h4}), (std::array{e.h1, e.h2, e.h3, e.h4}));
    EXPECT_EQ((std::array{w.wallTx, w.frontFloorTx, w.frontCeilTx, w.backFloorTx, w.backCeilTx}),
              (std::array{e.wallTx, e.frontFloorTx, e.frontCeilTx, e.backFloorTx, e.backCeilTx}));
    EXPECT_EQ(w.area, i < 4 ? 0 : 1);
    EXPECT_EQ(w.firstWallOfArea, i < 4 ? 0 : 4);
    EXPECT_EQ(w.nextInArea, i == 3 || i == 7 ? -1 : i + 1);
  }
  ASSERT_EQ(map->areaCount, 2);
  const Area &room = map->areas[0], &alcove = map->areas[1];
  EXPECT_EQ(room.name.text(), "Sector0         ");
  EXPECT_EQ(alcove.name.text(), "Sector2         ");
  EXPECT_EQ((std::array{room.firstWall, room.floorBeg, room.floorEnd, room.ceilBeg, room.ceilEnd}),
            (std::array{0, 0, 0, 128, 128}));
  EXPECT_EQ((std::array{alcove.firstWall, alcove.floorBeg, alcove.floorEnd, alcove.ceilBeg, alcove.ceilEnd}),
            (std::array{4, 24, 24, 96, 96}));
  EXPECT_EQ((std::array{room.minX, room.minY, room.maxX, room.maxY, room.size}),
            (std::array{200, 200, 456, 456, 65536}));
  EXPECT_EQ((std::array{alcove.minX, alcove.minY, alcove.maxX, alcove.maxY, alcove.size}),
            (std::array{456, 200, 584, 456, 32768}));
  EXPECT_EQ(map->checkAreaLists(), "");

  // Compiled, every piece has its own area on the negative side, which the
  // engine takes as its front.
  auto compiled = std::make_unique<clsMap>(*map);
  compiled->createBSP();
  std::string why;
  auto world = engine::World::fromRecords(std::span(compiled->walls.data(), compiled->wallCount),
                                          std::span(compiled->areas.data(), compiled->areaCount),
                                          std::span(compiled->globals.data(), compiled->globalCount), {}, why);
  ASSERT_TRUE(world) << why;
  for (const engine::Piece& p : world->pieces) {
    EXPECT_EQ(p.inside, engine::kNeg);
    EXPECT_EQ(p.own, compiled->walls[p.index].area) << "piece " << p.index;
  }

  // The first player start at (128, 64) facing 90 (up the level) looks up
  // the plan view, 270; the eye at 41. A fresh document's globals and
  // viewpoint stay, and so does its paste template.
  EXPECT_EQ(map->viewerX, 328);
  EXPECT_EQ(map->viewerY, 392);
  EXPECT_EQ(map->viewerDir, 270);
  EXPECT_EQ(map->viewerZ, 41);
  EXPECT_EQ(map->globalCount, 6);
  EXPECT_EQ(map->viewpointCount, 1);
  EXPECT_EQ((std::array{map->pasteH1, map->pasteH2, map->pasteH3, map->pasteH4, map->pasteWallTx}),
            (std::array{8, 16, 64, 128, 1}));
}

TEST(WadImport, ScaleRoundsHalvesToEven) {
  // At scale 0.5: x 3 -> 1.5 -> 2, x 5 -> 2.5 -> 2; y 0 -> (7 - 0) / 2 = 3.5 -> 4;
  // floor 5 -> 2, ceiling 7 -> 4; eye 20.5 -> 20.
  Level lv;
  lv.vertexes = {{0, 0}, {3, 7}, {5, 0}};
  lv.sectors = {{5, 7, "A", "B"}};
  lv.sides = {{"-", "-", "W", 0}, {"-", "-", "W", 0}, {"-", "-", "W", 0}};
  lv.lines = {{0, 1, 0, -1}, {1, 2, 1, -1}, {2, 0, 2, -1}};
  lv.things = {{1, 1, 45, 1}};
  auto map = kvtest::newMap();
  std::string problem;
  ASSERT_TRUE(importWad(lv.wad(), "E1M1", {0.5}, *map, problem)) << problem;
  ASSERT_EQ(map->wallCount, 3);
  // Lines reversed, in boundary order: (3, 7) -> (0, 0) -> (5, 0) -> (3, 7).
  const Wall &w = map->walls[0], &u = map->walls[1], &v = map->walls[2];
  EXPECT_EQ((std::array{w.x1, w.y1, w.x2, w.y2}), (std::array{202, 200, 200, 204}));
  EXPECT_EQ((std::array{u.x1, u.y1, u.x2, u.y2}), (std::array{200, 204, 202, 204}));
  EXPECT_EQ((std::array{v.x1, v.y1, v.x2, v.y2}), (std::array{202, 204, 202, 200}));
  EXPECT_EQ((std::array{w.h1, w.h2}), (std::array{2, 4}));
  EXPECT_EQ(map->viewerZ, 20);
  EXPECT_EQ(map->viewerDir, 315);
  EXPECT_EQ(wadWallTexture("step"), wadWallTexture("STEP"));
  EXPECT_EQ(wadNameHash("STARTAN3"), 0x727d215du);
  EXPECT_EQ(wadNameHash("STARTAN3X"), 0x727d215du);  // names stop at 8 characters
}

TEST(WadImport, DamagedOrUnfitLevelsAreRefusedAndTheMapKept) {
  auto mutate = [](auto f) {
    Level lv = roomAndAlcove();
    f(lv);
    return lv.wad();
  };
  auto patched = [](size_t at, std::int64_t v) {
    Bytes b = roomAndAlcove().wad();
    Bytes p;
    put32(p, v);
    std::memcpy(&b[at], p.data(), 4);
    return b;
  };
  const Bytes good = roomAndAlcove().wad();
  // LINEDEFS (the third of six lumps) 3 bytes shorter in the directory.
  Bytes truncated = good;
  truncated[good.size() - 16 * 4 + 4] -= 3;
  // Many one-sided lines, or many sectors, with vertexes on two rows.
  auto many = [](int lines, int sectors) {
    Level lv;
    lv.sectors.assign(static_cast<size_t>(sectors), {0, 64, "F", "C"});
    for (int i = 0; i < lines; ++i) {
      lv.vertexes.push_back({i, 0}), lv.vertexes.push_back({i, 9});
      lv.sides.push_back({"-", "-", "W", i % sectors});
      lv.lines.push_back({2 * i, 2 * i + 1, i, -1});
    }
    return lv.wad();
  };
  struct Case {
    const char* what;
    Bytes wad;
    std::string level;
    double scale;
    const char* says;
  };
  const Case cases[] = {
      {"too short", {'P', 'W', 'A', 'D'}, "E1M1", 1, "too short"},
      {"not a WAD", Bytes(40, 'x'), "E1M1", 1, "not a WAD file"},
      {"directory beyond the end", patched(8, 100000), "E1M1", 1, "beyond the end"},
      {"negative lump count", patched(4, -1), "E1M1", 1, "negative"},
      {"lump outside the file", patched(good.size() - 16 * 6 + 4, 1 << 20), "E1M1", 1, "outside the file"},
      {"missing level", good, "MAP01", 1, "no level named MAP01; its levels are E1M1"},
      {"truncated lump", truncated, "E1M1", 1, "LINEDEFS lump of level E1M1 is 95 bytes long"},
      {"vertex out of range", mutate([](Level& l) { l.lines[4][1] = 6; }), "E1M1", 1, "names vertex 6"},
      {"sidedef out of range", mutate([](Level& l) { l.lines[3][3] = 8; }), "E1M1", 1, "names sidedef 8"},
      {"missing sector", mutate([](Level& l) { l.sides[5].sector = 3; }), "E1M1", 1, "names sector 3"},
      {"no front side", mutate([](Level& l) { l.lines[0][2] = -1; }), "E1M1", 1, "no front sidedef"},
      {"zero length", mutate([](Level& l) { l.vertexes[5] = {256, 0}; }), "E1M1", 1, "linedef 2 has zero length"},
      {"text format", Level::layOut({{"E1M1", {}}, {"TEXTMAP", {'x'}}, {"ENDMAP", {}}}), "E1M1", 1, "TEXTMAP"},
      {"extended format", mutate([](Level& l) { l.extra = {{"BEHAVIOR", {}}}; }), "E1M1", 1, "BEHAVIOR"},
      {"too many walls", many(2002, 1), "E1M1", 1, "needs 2002 walls;"},
      {"too many areas", many(202, 202), "E1M1", 1, "needs 202 areas;"},
      {"scale too large", good, "E1M1", 200, "use a smaller scale"},
      {"scale too small", good, "E1M1", 0.001, "shrinks to a point"},
      {"scale not positive", good, "E1M1", 0, "greater than 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto map = kvtest::newMap();
    kvtest::addSquare(*map, 0, 0, 10);
    const auto before = map->walls;
    std::string problem;
    EXPECT_FALSE(importWad(c.wad, c.level, {c.scale}, *map, problem));
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    EXPECT_EQ(map->wallCount, 4);
    EXPECT_EQ(map->areaCount, 1);
    EXPECT_TRUE(map->walls == before);
  }
}
