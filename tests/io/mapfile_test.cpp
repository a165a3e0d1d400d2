#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "io/bytes.h"
#include "io/document.h"
#include "io/mapfile.h"
#include "testutil.h"

using namespace kv;
using kvtest::addSquare;
using kvtest::newMap;
using kvtest::TempDir;

namespace {

std::vector<unsigned char> slurp(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void spit(const std::string& p, const std::vector<unsigned char>& b) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
}
Long longAt(const std::vector<unsigned char>& b, size_t off) {
  ByteReader r(b.data(), b.size());
  r.seek(off);
  return r.getLong();
}
void putLongAt(std::vector<unsigned char>& b, size_t off, Long v) {
  for (int i = 0; i < 4; ++i) b[off + i] = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i));
}

// Every field of every record kind, reserved ones included, with distinct
// values, so that two fields exchanged or moved show in the bytes.
void fillEverything(clsMap& m) {
  addSquare(m, 10, 20, 30);
  addSquare(m, -5, -5, 7);
  int v = 1;
  auto next = [&v] { return v % 2 ? -v++ : v++; };
  for (Long i = 0; i < m.wallCount; ++i) {
    Wall& w = m.walls[i];
    for (Long* f : {&w.x1, &w.y1, &w.x2, &w.y2, &w.posChild, &w.negChild, &w.h1, &w.h2, &w.h3, &w.h4,
                    &w.wallParamA, &w.wallParamB, &w.wallTx, &w.frontFloorTx, &w.frontCeilTx, &w.backFloorTx,
                    &w.backCeilTx, &w.txType, &w.area, &w.firstWallOfArea, &w.nextInArea})
      *f = next();
    for (Long& r : w.reservedL) r = next();
    w.tStart = next() / 7.0;
    w.tEnd = next() / 3.0;
    w.wallID = next() + 0.125;
    for (double& r : w.reservedD) r = next() / 9.0;
  }
  for (Long i = 0; i < m.areaCount; ++i) {
    Area& a = m.areas[i];
    for (Long* f : {&a.firstWall, &a.size, &a.flags, &a.minY, &a.minX, &a.maxY, &a.maxX, &a.floorBeg, &a.floorEnd,
                    &a.ceilBeg, &a.ceilEnd, &a.reservedL[0], &a.reservedL[1], &a.reservedL2})
      *f = next();
    a.reservedI = static_cast<Integer>(next());
    a.name.assign("Room" + std::to_string(i) + "\xe9\x80");
    for (double& r : a.reservedD) r = next() * 1e10;
  }
  m.viewpointCount = 2;
  for (Long i = 0; i < m.viewpointCount; ++i) {
    Viewpoint& p = m.viewpoints[i];
    p.name.assign("View " + std::to_string(i));
    for (Long* f : {&p.x, &p.y, &p.z, &p.reservedL}) *f = next();
    for (double& r : p.reservedD) r = next() + 0.5;
  }
  for (Long i = 0; i < m.globalCount; ++i) {
    MapGlobal& g = m.globals[i];
    g.id = next() + 0.25;
    g.value = next() - 0.75;
    for (double& r : g.reservedD) r = next();
  }
  m.viewerX = 12.5;
  m.viewerY = -3.25;
  m.viewerZ = 70;
  m.viewerDir = -90;
}

// The expected file, assembled field by field at the offsets the format
// gives, without the editor's own writer.
class Layout {
 public:
  std::vector<unsigned char> b;
  void l(size_t at, Long v) { put(at, static_cast<std::uint32_t>(v), 4); }
  void i(size_t at, Integer v) { put(at, static_cast<std::uint16_t>(v), 2); }
  void d(size_t at, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    put(at, u, 8);
  }
  // Consecutive fields from `at` on.
  void longs(size_t at, std::initializer_list<Long> v) {
    for (Long x : v) l(at, x), at += 4;
  }
  void doubles(size_t at, std::initializer_list<double> v) {
    for (double x : v) d(at, x), at += 8;
  }
  void name(size_t at, const Name16& n) {
    for (size_t k = 0; k < 16; ++k) put(at + k, static_cast<unsigned char>(n.c[k]), 1);
  }

 private:
  void put(size_t at, std::uint64_t v, int n) {
    if (b.size() < at + n) b.resize(at + n, 0);
    for (int k = 0; k < n; ++k) b[at + k] = static_cast<unsigned char>(v >> (8 * k));
  }
};

std::vector<unsigned char> expectedFile(const clsMap& m, Long wallsType) {
  Layout f;
  size_t p = 64;
  const size_t walls = p;
  f.l(p, m.wallCount), f.d(p + 4, m.viewerX), f.d(p + 12, m.viewerY), f.l(p + 20, m.viewerZ);
  f.i(p + 24, m.viewerDir);
  p += 26;
  for (Long k = 0; k < m.wallCount; p += 148, ++k) {
    const Wall& w = m.walls[k];
    f.longs(p, {w.x1, w.y1, w.x2, w.y2, w.h1, w.h2, w.h3, w.h4, w.wallParamA, w.wallParamB, w.wallTx,
                w.frontFloorTx, w.frontCeilTx, w.backFloorTx, w.backCeilTx, w.posChild, w.negChild});
    f.doubles(p + 68, {w.tStart, w.tEnd});
    f.longs(p + 84, {w.txType, w.area, w.firstWallOfArea, w.nextInArea, w.reservedL[0], w.reservedL[1],
                     w.reservedL[2], w.reservedL[3]});
    f.doubles(p + 116, {w.wallID, w.reservedD[0], w.reservedD[1], w.reservedD[2]});
  }
  const size_t viewpoints = p;
  f.l(p, m.viewpointCount);
  p += 4;
  for (Long k = 0; k < m.viewpointCount; p += 64, ++k) {
    const Viewpoint& v = m.viewpoints[k];
    f.name(p, v.name), f.longs(p + 16, {v.x, v.y, v.z, v.reservedL});
    f.doubles(p + 32, {v.reservedD[0], v.reservedD[1], v.reservedD[2], v.reservedD[3]});
  }
  const size_t areas = p;
  f.l(p, m.areaCount);
  p += 4;
  for (Long k = 0; k < m.areaCount; p += 90, ++k) {
    const Area& a = m.areas[k];
    f.longs(p, {a.firstWall, a.size, a.flags, a.minY, a.minX, a.maxY, a.maxX, a.floorBeg, a.floorEnd, a.ceilBeg,
                a.ceilEnd, a.reservedL[0], a.reservedL[1]});
    f.i(p + 52, a.reservedI), f.name(p + 54, a.name), f.l(p + 70, a.reservedL2);
    f.doubles(p + 74, {a.reservedD[0], a.reservedD[1]});
  }
  const size_t globals = p;
  f.l(p, m.globalCount);
  p += 4;
  for (Long k = 0; k < m.globalCount; p += 64, ++k) {
    const MapGlobal& g = m.globals[k];
    f.d(p, g.id), f.name(p + 8, g.name), f.d(p + 24, g.value);
    f.doubles(p + 32, {g.reservedD[0], g.reservedD[1], g.reservedD[2], g.reservedD[3]});
  }
  const size_t directory = p;
  const std::pair<Long, size_t> entries[] = {{wallsType, walls}, {2, viewpoints}, {3, areas}, {4, globals}};
  for (auto [type, at] : entries) {
    f.l(p, type), f.l(p + 4, static_cast<Long>(at + 1));
    p += 64;
  }
  f.b.resize(p, 0);  // the last entry's reserved bytes
  for (size_t k = 0; k < 4; ++k) f.b[k] = static_cast<unsigned char>("KV3D"[k]);
  f.l(4, 146), f.l(8, 4), f.l(12, static_cast<Long>(directory + 1));
  return f.b;
}

// The first offset at which two files differ, or -1.
long firstDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  for (size_t k = 0; k < std::min(a.size(), b.size()); ++k)
    if (a[k] != b[k]) return static_cast<long>(k);
  return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

}  // namespace

TEST(MapFile, EmptyDocumentLayout) {
  TempDir dir;
  auto m = newMap();
  m->clearMap();
  ScriptedDialogs ui;
  bool ok = false;
  WriteNewMPB(*m, ui, dir.file("empty.map"), false, ok);
  ASSERT_TRUE(ok);
  auto b = slurp(dir.file("empty.map"));
  ASSERT_EQ(b.size(), 742u);  // 64 + 26 + 4 + 4 + 4 + 6 * 64 + 4 * 64
  // Sections follow each other without gaps, starting at position 65.
  Long pos[] = {65, 65 + 26, 65 + 30, 65 + 34};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(longAt(b, 486 + 64 * k + 4), pos[k]);
  EXPECT_EQ(std::string(b.begin() + 64 + 38 + 8, b.begin() + 64 + 38 + 24), "MapID           ");
}

TEST(MapFile, EveryFieldAtItsOffsetWrittenAndRead) {
  TempDir dir;
  auto m = newMap();
  fillEverything(*m);
  ScriptedDialogs ui;
  bool ok = false;
  WriteNewMPB(*m, ui, dir.file("all.map"), false, ok);
  ASSERT_TRUE(ok);
  const auto expected = expectedFile(*m, 1);
  EXPECT_EQ(expected.size(), 742 + 2 * 64 + 8 * 148u + 2 * 90);
  EXPECT_EQ(firstDifference(slurp(dir.file("all.map")), expected), -1);
  EXPECT_EQ(firstDifference(encodeMap(*m, true), expectedFile(*m, 8)), -1);

  // Reading the assembled bytes gives every field back; what the file does
  // not hold (the viewpoint list, records above a count, the selection and
  // the template) stays as it was.
  spit(dir.file("made.map"), expected);
  auto r = newMap();
  r->viewpoints[0].name.assign("Mine");
  r->selectedWall = 3;
  r->pasteH2 = 77;
  r->walls[8].x1 = 4242;
  const Wall above = r->walls[8];
  ReadNewMPB(*r, ui, dir.file("made.map"), ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(r->wallCount, 8);
  for (Long i = 0; i < 8; ++i) {
    Wall expect = m->walls[i];
    expect.nextSeg = r->walls[i].nextSeg;  // not stored
    EXPECT_EQ(r->walls[i], expect) << "wall " << i;
  }
  EXPECT_EQ(r->walls[8], above);
  ASSERT_EQ(r->areaCount, 2);
  EXPECT_EQ(r->areas[0], m->areas[0]);
  EXPECT_EQ(r->areas[1], m->areas[1]);
  ASSERT_EQ(r->globalCount, 6);
  for (Long i = 0; i < 6; ++i) EXPECT_EQ(r->globals[i], m->globals[i]);
  EXPECT_EQ(std::tie(r->viewerX, r->viewerY, r->viewerZ, r->viewerDir), std::make_tuple(12.5, -3.25, 70, -90));
  EXPECT_EQ(r->viewpoints[0].name.trimmed(), "Mine");
  EXPECT_EQ(r->viewpointCount, 1);
  EXPECT_EQ(r->selectedWall, 3);
  EXPECT_EQ(r->pasteH2, 77);
  std::string problem;
  auto c = parseMap(expected, problem);
  ASSERT_TRUE(c && c->viewpoints);
  ASSERT_EQ(c->viewpoints->size(), 2u);
  EXPECT_EQ((*c->viewpoints)[0], m->viewpoints[0]);
  EXPECT_EQ((*c->viewpoints)[1], m->viewpoints[1]);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(MapFile, DirectoryInAnotherOrderGivesTheSameDocument) {
  auto m = newMap();
  fillEverything(*m);
  auto bytes = encodeMap(*m, false);
  Long dir = longAt(bytes, 12) - 1;
  // Swap the walls and globals entries, and the viewpoints and areas entries.
  std::vector<unsigned char> e(bytes.begin() + dir, bytes.end());
  std::vector<unsigned char> swapped(bytes.begin(), bytes.begin() + dir);
  for (int k : {3, 2, 1, 0}) swapped.insert(swapped.end(), e.begin() + 64 * k, e.begin() + 64 * (k + 1));
  std::string problem;
  auto a = parseMap(bytes, problem), b = parseMap(swapped, problem);
  ASSERT_TRUE(a && b);
  auto x = newMap(), y = newMap();
  applyMap(*x, *a);
  applyMap(*y, *b);
  EXPECT_EQ(encodeMap(*x, false), encodeMap(*y, false));
}

TEST(MapFile, DamagedFilesAreRefusedAndTheDocumentStays) {
  TempDir dir;
  auto src = newMap();
  fillEverything(*src);
  const auto good = encodeMap(*src, false);
  const size_t dirOff = static_cast<size_t>(longAt(good, 12) - 1);

  struct Case {
    const char* what;
    std::function<void(std::vector<unsigned char>&)> damage;
  };
  std::vector<Case> cases = {
      {"empty file", [](auto& b) { b.clear(); }},
      {"shorter than the header", [](auto& b) { b.resize(40); }},
      {"truncated directory", [&](auto& b) { b.resize(dirOff + 100); }},
      {"truncated wall records", [&](auto& b) { b.resize(300); }},
      {"directory beyond the end", [](auto& b) { putLongAt(b, 12, 1 << 30); }},
      {"directory position 0", [](auto& b) { putLongAt(b, 12, 0); }},
      {"negative entry count", [](auto& b) { putLongAt(b, 8, -1); }},
      {"too many entries", [](auto& b) { putLongAt(b, 8, 1000); }},
      {"wall section beyond the end", [&](auto& b) { putLongAt(b, dirOff + 4, 1 << 28); }},
      {"negative section position", [&](auto& b) { putLongAt(b, dirOff + 64 * 2 + 4, -5); }},
      {"too many walls", [](auto& b) { putLongAt(b, 64, 2002); }},
      {"negative wall count", [](auto& b) { putLongAt(b, 64, -1); }},
      {"wall count past the file", [](auto& b) { putLongAt(b, 64, 2001); }},
      {"too many areas", [&](auto& b) { putLongAt(b, longAt(b, dirOff + 64 * 2 + 4) - 1, 202); }},
      {"too many globals", [&](auto& b) { putLongAt(b, longAt(b, dirOff + 64 * 3 + 4) - 1, 100000); }},
  };
  for (const auto& c : cases) {
    auto bytes = good;
    c.damage(bytes);
    std::string file = dir.file("bad.map");
    spit(file, bytes);
    auto m = newMap();
    addSquare(*m, 1, 2, 3);
    m->viewerX = 5;
    auto before = encodeMap(*m, false);
    ScriptedDialogs ui;
    bool ok = true;
    ReadNewMPB(*m, ui, file, ok);
    EXPECT_FALSE(ok) << c.what;
    EXPECT_EQ(encodeMap(*m, false), before) << c.what;
    ASSERT_EQ(ui.messages.size(), 1u) << c.what;
    EXPECT_NE(ui.messages[0].text.find(file), std::string::npos) << c.what;
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Critical);
  }

  // Unknown section types and a damaged viewpoints section are skipped.
  auto bytes = good;
  putLongAt(bytes, dirOff + 64, 2);
  putLongAt(bytes, dirOff + 64 + 4, 1 << 29);  // viewpoints far beyond the end
  putLongAt(bytes, dirOff + 64 * 2, 99);      // areas entry now of an unknown type
  spit(dir.file("odd.map"), bytes);
  auto m = newMap();
  ScriptedDialogs ui;
  bool ok = false;
  ReadNewMPB(*m, ui, dir.file("odd.map"), ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(m->wallCount, 8);
  EXPECT_EQ(m->areaCount, 0);

  // A missing file says "No map" with the application's title.
  ReadNewMPB(*m, ui, dir.file("nothere.map"), ok);
  EXPECT_FALSE(ok);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "No map");
  EXPECT_EQ(ui.messages[0].title, kAppTitle);
}

TEST(MapFile, WriteErrorsShowTheSystemsText) {
  TempDir dir;
  auto m = newMap();
  ScriptedDialogs ui;
  bool ok = true;
  std::filesystem::create_directory(dir.file("taken.map"));
  WriteNewMPB(*m, ui, dir.file("taken.map"), false, ok);  // a folder of that name
  EXPECT_FALSE(ok);
  WriteNewMPB(*m, ui, dir.file("no/such/dir.map"), false, ok);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].title, "Write Error");
  EXPECT_EQ(ui.messages[0].icon, MsgIcon::Critical);
  EXPECT_EQ(ui.messages[0].text, std::strerror(EISDIR));
  EXPECT_EQ(ui.messages[1].text, std::strerror(ENOENT));
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("taken.map")));
}

TEST(FileCommands, NewOpenSaveAndSaveAs) {
  TempDir dir;
  auto m = newMap();
  ScriptedDialogs ui;
  MapDocument doc(*m, ui);
  int listed = 0, redrawn = 0, shown = 0, recent = 0;
  doc.hooks = {[&] { ++listed; }, [&] { ++redrawn; }, [&] { ++shown; }, [&] { ++recent; }, {}, {}};

  addSquare(*m, 0, 0, 10);
  // No current file yet (or one character): Save asks for a name, preset and filter fixed.
  doc.currentMapFile = "x";
  ui.fileAnswers = {dir.file("a.map")};
  doc.saveMap();
  ASSERT_EQ(ui.fileRequests.size(), 1u);
  EXPECT_TRUE(ui.fileRequests[0].save);
  EXPECT_EQ(ui.fileRequests[0].presetName, "untitled.map");
  EXPECT_EQ(ui.fileRequests[0].filter, "Map (*.map)|*.map");
  EXPECT_EQ(doc.currentMapFile, dir.file("a.map"));
  EXPECT_EQ(recent, 1);

  // Save As cancelled changes nothing.
  doc.saveMapAs();
  EXPECT_EQ(doc.currentMapFile, dir.file("a.map"));
  EXPECT_EQ(recent, 1);

  // New keeps the file name; Open reads, relinks and records the file.
  doc.newMap();
  EXPECT_EQ(m->wallCount, 0);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(doc.currentMapFile, dir.file("a.map"));
  doc.currentMapFile.clear();
  ui.fileAnswers = {dir.file("a.map")};
  doc.openMap();
  EXPECT_EQ(ui.fileRequests.back().filter, "Kovrel3D Map file (*.map)|*.map|All files (*.*)|*.*");
  EXPECT_FALSE(ui.fileRequests.back().save);
  EXPECT_EQ(m->wallCount, 4);
  EXPECT_EQ(m->walls[0].nextSeg, 1);
  EXPECT_EQ(m->walls[3].nextSeg, -1);
  EXPECT_EQ(recent, 2);
  EXPECT_EQ(shown, 2);  // the map view is shown for the opened map

  // After Open, Save writes to the opened file without asking.
  size_t asked = ui.fileRequests.size();
  addSquare(*m, 50, 50, 10);
  doc.saveMap();
  EXPECT_EQ(ui.fileRequests.size(), asked);
  EXPECT_EQ(recent, 2);  // Save does not touch the recent list
  EXPECT_EQ(slurp(dir.file("a.map")).size(), 742 + 8 * 148u + 2 * 90);

  // A damaged file is refused whole: file name and recent list stay.
  spit(dir.file("junk.map"), std::vector<unsigned char>(100, 0xAB));
  ui.fileAnswers = {dir.file("junk.map")};
  doc.openMap();
  EXPECT_EQ(doc.currentMapFile, dir.file("a.map"));
  EXPECT_EQ(recent, 2);
  EXPECT_EQ(m->wallCount, 8);
  // A missing one says "No map" and still becomes the current file.
  ui.fileAnswers = {dir.file("new.map")};
  doc.openMap();
  EXPECT_EQ(ui.messages.back().text, "No map");
  EXPECT_EQ(doc.currentMapFile, dir.file("new.map"));
  EXPECT_EQ(recent, 3);
}
