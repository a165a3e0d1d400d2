// WAD levels built byte by byte: the map they become, and damaged files refused.
#include <gtest/gtest.h>

#include <cstring>

#include "io/wadimport.h"
#include "testutil.h"

using namespace kv;

namespace {

using Bytes = std::vector<unsigned char>;

void put(Bytes& b, std::int64_t v, int n = 2) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
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
  std::vector<std::pair<int, int>> vertexes;
  std::vector<std::array<int, 4>> lines;  // v1, v2, right, left (-1 none)
  std::vector<Side> sides;
  std::vector<Sector> sectors;
  std::vector<std::array<int, 4>> things;            // x, y, angle, type
  std::vector<std::pair<std::string, Bytes>> extra;  // lumps after the level's own

  Bytes wad() const {
    Bytes th, ld, sd, vx, se;
    for (auto& t : things) put(th, t[0]), put(th, t[1]), put(th, t[2]), put(th, t[3]), put(th, 7);
    for (auto& l : lines)
      put(ld, l[0]), put(ld, l[1]), put(ld, 1), put(ld, 0), put(ld, 0), put(ld, l[2] & 0xFFFF), put(ld, l[3] & 0xFFFF);
    for (auto& s : sides)
      put(sd, 0), put(sd, 0), putName(sd, s.upper), putName(sd, s.lower), putName(sd, s.middle), put(sd, s.sector);
    for (auto& v : vertexes) put(vx, v.first), put(vx, v.second);
    for (auto& s : sectors)
      put(se, s.floor), put(se, s.ceil), putName(se, s.floorFlat), putName(se, s.ceilFlat), put(se, 160, 6);
    std::vector<std::pair<std::string, Bytes>> l = {
        {"E1M1", {}}, {"THINGS", th}, {"LINEDEFS", ld}, {"SIDEDEFS", sd}, {"VERTEXES", vx}, {"SECTORS", se}};
    l.insert(l.end(), extra.begin(), extra.end());
    return layOut(l);
  }
  static Bytes layOut(const std::vector<std::pair<std::string, Bytes>>& lumps) {
    Bytes b = {'P', 'W', 'A', 'D'}, dir;
    put(b, static_cast<std::int64_t>(lumps.size()), 4);
    put(b, 0, 4);
    for (auto& [name, data] : lumps) {
      put(dir, static_cast<std::int64_t>(b.size()), 4), put(dir, static_cast<std::int64_t>(data.size()), 4);
      putName(dir, name);
      b.insert(b.end(), data.begin(), data.end());
    }
    Bytes at;
    put(at, static_cast<std::int64_t>(b.size()), 4);
    std::copy(at.begin(), at.end(), b.begin() + 8);
    b.insert(b.end(), dir.begin(), dir.end());
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
  lv.lines = {{3, 0, 0, -1}, {0, 1, 1, -1}, {5, 3, 7, -1}, {2, 3, 2, 3}, {1, 2, 4, -1}, {2, 4, 5, -1}, {4, 5, 6, -1}};
  lv.things = {{64, 64, 0, 3004}, {128, 64, 90, 1}, {0, 0, 0, 1}};
  return lv;
}

}  // namespace

TEST(WadImport, RoomAndAlcoveBecomeTwoAreasInBoundaryOrder) {
  auto map = kvtest::newMap();
  std::string problem;
  auto sum = importWad(roomAndAlcove().wad(), "e1m1", {}, *map, problem);
  ASSERT_TRUE(sum) << problem;
  EXPECT_EQ(std::tie(sum->sectorsWithoutWalls, sum->thingsDropped), std::make_tuple(1, 2));

  // x + 200, 256 - y + 200; the room's walls run with the room on their
  // negative side. Texture numbers: FNV-1a of the name, mod 11 (walls) and
  // mod 16 (flats): WALLA 10, STEP 10, "-" 5, WALLB 2; FLOOR0 7, CEIL0 8,
  // FLOOR1 4, CEIL1 11. The step between the rooms goes up to the alcove's
  // floor, its lintel down to the alcove's ceiling.
  const std::array<Long, 13> want[] = {
      {200, 456, 456, 456, 0, 128, 128, 128, 10, 7, 8, 7, 8},  {456, 456, 456, 200, 0, 24, 96, 128, 10, 7, 8, 4, 11},
      {456, 200, 200, 200, 0, 128, 128, 128, 10, 7, 8, 7, 8},  {200, 200, 200, 456, 0, 128, 128, 128, 10, 7, 8, 7, 8},
      {456, 456, 584, 456, 24, 96, 96, 96, 2, 4, 11, 4, 11},   {584, 456, 584, 200, 24, 96, 96, 96, 2, 4, 11, 4, 11},
      {584, 200, 456, 200, 24, 96, 96, 96, 2, 4, 11, 4, 11},   {456, 200, 456, 456, 24, 24, 96, 128, 5, 4, 11, 7, 8},
  };
  ASSERT_EQ(map->wallCount, 8);
  for (Long i = 0; i < 8; ++i) {
    const Wall& w = map->walls[i];
    EXPECT_EQ((std::array{w.x1, w.y1, w.x2, w.y2, w.h1, w.h2, w.h3, w.h4, w.wallTx, w.frontFloorTx, w.frontCeilTx,
                          w.backFloorTx, w.backCeilTx}),
              want[i])
        << "wall " << i;
    EXPECT_EQ((std::array{w.area, w.firstWallOfArea, w.nextInArea}),
              (std::array{i < 4 ? 0 : 1, i < 4 ? 0 : 4, i == 3 || i == 7 ? -1 : i + 1}));
  }
  ASSERT_EQ(map->areaCount, 2);
  const Area &room = map->areas[0], &alcove = map->areas[1];
  EXPECT_EQ(room.name.text() + alcove.name.text(), "Sector0         Sector2         ");
  EXPECT_EQ((std::array{room.firstWall, room.floorBeg, room.floorEnd, room.ceilBeg, room.ceilEnd, room.minX, room.minY,
                        room.maxX, room.maxY, room.size}),
            (std::array{0, 0, 0, 128, 128, 200, 200, 456, 456, 65536}));
  EXPECT_EQ((std::array{alcove.firstWall, alcove.floorBeg, alcove.floorEnd, alcove.ceilBeg, alcove.ceilEnd,
                        alcove.minX, alcove.minY, alcove.maxX, alcove.maxY, alcove.size}),
            (std::array{4, 24, 24, 96, 96, 456, 200, 584, 456, 32768}));

  // The first player start at (128, 64) facing 90 (up the level) looks up
  // the plan view, 270; the eye at 41. A fresh document's globals,
  // viewpoint and paste template stay.
  EXPECT_EQ(std::tie(map->viewerX, map->viewerY, map->viewerDir, map->viewerZ), std::make_tuple(328.0, 392.0, 270, 41));
  EXPECT_EQ((std::array{map->globalCount, map->viewpointCount, map->pasteH1, map->pasteH4, map->pasteWallTx}),
            (std::array{6, 1, 8, 128, 1}));

  // At scale 0.5 halves round to even: x 3 -> 1.5 -> 2, x 5 -> 2.5 -> 2,
  // y 0 -> (7 - 0) / 2 -> 4; floor 5 -> 2, ceiling 7 -> 4; eye 20.5 -> 20.
  Level tri;
  tri.vertexes = {{0, 0}, {3, 7}, {5, 0}};
  tri.sectors = {{5, 7, "A", "B"}};
  tri.sides = {{"-", "-", "W", 0}, {"-", "-", "W", 0}, {"-", "-", "W", 0}};
  tri.lines = {{0, 1, 0, -1}, {1, 2, 1, -1}, {2, 0, 2, -1}};
  tri.things = {{1, 1, 45, 1}};
  ASSERT_TRUE(importWad(tri.wad(), "E1M1", {0.5}, *map, problem)) << problem;
  // Lines reversed, in boundary order: (3, 7) -> (0, 0) -> (5, 0) -> (3, 7).
  ASSERT_EQ(map->wallCount, 3);
  const Wall &u = map->walls[0], &v = map->walls[1], &w = map->walls[2];
  EXPECT_EQ((std::array{u.x1, u.y1, u.x2, u.y2, v.x1, v.y1, v.x2, v.y2, w.x1, w.y1, w.x2, w.y2, u.h1, u.h2}),
            (std::array{202, 200, 200, 204, 200, 204, 202, 204, 202, 204, 202, 200, 2, 4}));
  EXPECT_EQ(std::tie(map->viewerZ, map->viewerDir), std::make_tuple(20, 315));
}

TEST(WadImport, DamagedOrUnfitLevelsAreRefusedAndTheMapKept) {
  auto changed = [](auto f) {
    Level lv = roomAndAlcove();
    f(lv);
    return lv.wad();
  };
  const Bytes good = roomAndAlcove().wad();
  auto patched = [&](size_t at, std::int64_t v) {
    Bytes b = good, p;
    put(p, v, 4);
    std::memcpy(&b[at], p.data(), 4);
    return b;
  };
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
    Bytes wad;
    const char* level;
    double scale;
    const char* says;
  };
  const Case cases[] = {
      {{'P', 'W', 'A', 'D'}, "E1M1", 1, "4 bytes long, too short"},
      {Bytes(40, 'x'), "E1M1", 1, "not a WAD file"},
      {patched(8, 100000), "E1M1", 1, "at byte 100000 reaches beyond the end"},
      {patched(4, -1), "E1M1", 1, "negative lump count"},
      {patched(good.size() - 16 * 6 + 4, 1 << 20), "E1M1", 1, "lump 0 (E1M1) of 1048576 bytes"},
      {good, "MAP01", 1, "no level named MAP01; its levels are E1M1"},
      {patched(good.size() - 16 * 4 + 4, 95), "E1M1", 1, "LINEDEFS lump of level E1M1 is 95 bytes long"},
      {changed([](Level& l) { l.lines[4][1] = 6; }), "E1M1", 1, "linedef 4 names vertex 6, but level E1M1 has 6"},
      {changed([](Level& l) { l.lines[3][3] = 8; }), "E1M1", 1, "names sidedef 8"},
      {changed([](Level& l) { l.sides[5].sector = 3; }), "E1M1", 1, "sidedef 5 names sector 3"},
      {changed([](Level& l) { l.lines[0][2] = -1; }), "E1M1", 1, "linedef 0 has no front sidedef"},
      {changed([](Level& l) { l.vertexes[5] = {256, 0}; }), "E1M1", 1, "linedef 2 has zero length"},
      {Level::layOut({{"E1M1", {}}, {"TEXTMAP", {'x'}}}), "E1M1", 1, "TEXTMAP"},
      {changed([](Level& l) { l.extra = {{"BEHAVIOR", {}}}; }), "E1M1", 1, "BEHAVIOR"},
      {many(2002, 1), "E1M1", 1, "needs 2002 walls;"},
      {many(202, 202), "E1M1", 1, "needs 202 areas;"},
      {good, "E1M1", 200, "spans 76800 by 51200 map units; at most 31800 fit"},
      {good, "E1M1", 0.001, "shrinks to a point"},
      {good, "E1M1", 0, "greater than 0"},
  };
  for (const Case& c : cases) {
    auto map = kvtest::newMap();
    kvtest::addSquare(*map, 0, 0, 10);
    const auto before = map->walls;
    std::string problem;
    EXPECT_FALSE(importWad(c.wad, c.level, {c.scale}, *map, problem));
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    EXPECT_TRUE(map->wallCount == 4 && map->areaCount == 1 && map->walls == before) << c.says;
  }
  // Every table filled to its last slot fits.
  auto map = kvtest::newMap();
  std::string problem;
  EXPECT_TRUE(importWad(many(2001, 201), "E1M1", {}, *map, problem)) << problem;
  EXPECT_EQ(std::tie(map->wallCount, map->areaCount), std::make_tuple(2001, 201));
}
