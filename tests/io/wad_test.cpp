// A WAD level built byte by byte and the map it becomes.
#include <gtest/gtest.h>

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

// A room (sector 0, x 0 to 256) and an alcove beside it behind a step and a
// lintel (sector 2, x 256 to 384); sector 1 has no walls. Lines are listed
// out of boundary order. Laid out as a file: header, lumps, directory.
struct Level {
  std::vector<std::pair<int, int>> vertexes = {{0, 0}, {0, 256}, {256, 256}, {256, 0}, {384, 256}, {384, 0}};
  std::vector<std::array<int, 4>> lines = {{3, 0, 0, -1}, {0, 1, 1, -1}, {5, 3, 7, -1}, {2, 3, 2, 3},
                                           {1, 2, 4, -1}, {2, 4, 5, -1}, {4, 5, 6, -1}};  // v1, v2, right, left
  std::vector<std::array<std::string, 4>> sides = {
      {"-", "-", "WALLA", "0"}, {"-", "-", "WALLA", "0"}, {"LINTEL", "STEP", "-", "0"}, {"-", "-", "-", "2"},
      {"-", "-", "WALLA", "0"}, {"-", "-", "WALLB", "2"}, {"-", "-", "WALLB", "2"},     {"-", "-", "WALLB", "2"}};
  std::vector<std::tuple<int, int, std::string, std::string>> sectors = {
      {0, 128, "FLOOR0", "CEIL0"}, {0, 0, "X", "X"}, {24, 96, "FLOOR1", "CEIL1"}};
  std::vector<std::array<int, 4>> things = {{64, 64, 0, 3004}, {128, 64, 90, 1}, {0, 0, 0, 1}};  // x, y, angle, type

  Bytes wad() const {
    Bytes th, ld, sd, vx, se, b = {'P', 'W', 'A', 'D', 6, 0, 0, 0, 0, 0, 0, 0}, dir;
    for (auto& t : things) put(th, t[0]), put(th, t[1]), put(th, t[2]), put(th, t[3]), put(th, 7);
    for (auto& l : lines) put(ld, l[0]), put(ld, l[1]), put(ld, 1, 6), put(ld, l[2] & 0xFFFF), put(ld, l[3] & 0xFFFF);
    for (auto& s : sides)
      put(sd, 0, 4), putName(sd, s[0]), putName(sd, s[1]), putName(sd, s[2]), put(sd, std::stoi(s[3]));
    for (auto& v : vertexes) put(vx, v.first), put(vx, v.second);
    for (auto& [f, c, ff, cf] : sectors) put(se, f), put(se, c), putName(se, ff), putName(se, cf), put(se, 160, 6);
    for (const auto& [name, data] : {std::pair<std::string, Bytes>{"E1M1", {}},
                                     {"THINGS", th},
                                     {"LINEDEFS", ld},
                                     {"SIDEDEFS", sd},
                                     {"VERTEXES", vx},
                                     {"SECTORS", se}}) {
      put(dir, static_cast<std::int64_t>(b.size()), 4), put(dir, static_cast<std::int64_t>(data.size()), 4);
      putName(dir, name);
      b.insert(b.end(), data.begin(), data.end());
    }
    b[8] = static_cast<unsigned char>(b.size()), b[9] = static_cast<unsigned char>(b.size() >> 8);
    b.insert(b.end(), dir.begin(), dir.end());
    return b;
  }
};

}  // namespace

TEST(WadImport, RoomAndAlcoveBecomeTwoAreasInBoundaryOrder) {
  auto map = kvtest::newMap();
  std::string problem;
  auto sum = importWad(Level().wad(), "e1m1", {}, *map, problem);
  ASSERT_TRUE(sum) << problem;
  EXPECT_EQ(std::tie(sum->sectorsWithoutWalls, sum->thingsDropped), std::make_tuple(1, 2));

  // x + 200, 256 - y + 200; the room's walls run with the room on their
  // negative side. Texture numbers: FNV-1a of the name, mod 11 (walls) and
  // mod 16 (flats): WALLA 10, STEP 10, "-" 5, WALLB 2; FLOOR0 7, CEIL0 8,
  // FLOOR1 4, CEIL1 11. The step between the rooms goes up to the alcove's
  // floor, its lintel down to the alcove's ceiling.
  const std::array<Long, 13> want[] = {
      {200, 456, 456, 456, 0, 128, 128, 128, 10, 7, 8, 7, 8}, {456, 456, 456, 200, 0, 24, 96, 128, 10, 7, 8, 4, 11},
      {456, 200, 200, 200, 0, 128, 128, 128, 10, 7, 8, 7, 8}, {200, 200, 200, 456, 0, 128, 128, 128, 10, 7, 8, 7, 8},
      {456, 456, 584, 456, 24, 96, 96, 96, 2, 4, 11, 4, 11},  {584, 456, 584, 200, 24, 96, 96, 96, 2, 4, 11, 4, 11},
      {584, 200, 456, 200, 24, 96, 96, 96, 2, 4, 11, 4, 11},  {456, 200, 456, 456, 24, 24, 96, 128, 5, 4, 11, 7, 8},
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
  EXPECT_EQ((std::array{alcove.firstWall, alcove.floorBeg, alcove.floorEnd, alcove.ceilBeg, alcove.ceilEnd, alcove.minX,
                        alcove.minY, alcove.maxX, alcove.maxY, alcove.size}),
            (std::array{4, 24, 24, 96, 96, 456, 200, 584, 456, 32768}));
  EXPECT_EQ(map->checkAreaLists(), "");

  // The first player start at (128, 64) facing 90 (up the level) looks up
  // the plan view, 270; the eye at 41. A fresh document's globals,
  // viewpoint and paste template stay.
  EXPECT_EQ(std::tie(map->viewerX, map->viewerY, map->viewerDir, map->viewerZ), std::make_tuple(328.0, 392.0, 270, 41));
  EXPECT_EQ((std::array{map->globalCount, map->viewpointCount, map->pasteH1, map->pasteH4, map->pasteWallTx}),
            (std::array{6, 1, 8, 128, 1}));
}

// Damaged, foreign or unfit input: refused with a message that says why, the map kept.
TEST(WadImport, DamagedOrUnfitLevelsAreRefusedAndTheMapKept) {
  auto level = [](auto change) {
    Level l;
    change(l);
    return l.wad();
  };
  const Bytes good = Level().wad();
  auto patched = [&](size_t at, std::int64_t v, int n = 4) {
    Bytes b = good, p;
    put(p, v, n);
    std::copy(p.begin(), p.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  const size_t dir = good.size() - size_t{16} * 6;  // the directory: E1M1, THINGS, LINEDEFS, ...
  Bytes textFormat = good;
  std::copy_n("TEXTMAP\0", 8, textFormat.begin() + static_cast<long>(dir + 16 + 8));
  const std::tuple<const char*, Bytes, std::string, double> cases[] = {
      {"too short for a WAD header", {'P', 'W', 'A', 'D'}, "E1M1", 1},
      {"not a WAD file", Bytes(40, 'x'), "E1M1", 1},
      {"negative lump count", patched(4, -1), "E1M1", 1},
      {"lumps at byte 100000", patched(8, 100000), "E1M1", 1},
      {"bytes at byte 1048576", patched(dir + size_t{16} * 2, 1 << 20), "E1M1", 1},
      {"no level named MAP01", good, "MAP01", 1},
      {"LINEDEFS lump of level E1M1 is 95 bytes long", patched(dir + size_t{16} * 2 + 4, 95), "E1M1", 1},
      {"text level format", textFormat, "E1M1", 1},
      {"names vertex 6", level([](Level& l) { l.lines[4][1] = 6; }), "E1M1", 1},
      {"names sidedef 8", level([](Level& l) { l.lines[3][3] = 8; }), "E1M1", 1},
      {"names sector 3", level([](Level& l) { l.sides[5][3] = "3"; }), "E1M1", 1},
      {"no front sidedef", level([](Level& l) { l.lines[0][2] = -1; }), "E1M1", 1},
      {"linedef 2 has zero length", level([](Level& l) {
         l.vertexes[5] = {256, 0};
       }),
       "E1M1", 1},
      {"greater than 0", good, "E1M1", 0},
  };
  for (const auto& [says, wad, name, scale] : cases) {
    auto map = kvtest::newMap();
    kvtest::addSquare(*map, 0, 0, 10);
    const auto before = map->walls;
    std::string problem;
    EXPECT_FALSE(importWad(wad, name, {scale}, *map, problem)) << says;
    EXPECT_NE(problem.find(says), std::string::npos) << problem;
    EXPECT_TRUE(map->wallCount == 4 && map->areaCount == 1 && map->walls == before) << says;
  }
}
