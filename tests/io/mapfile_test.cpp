// The map container: every field at its place, damaged files refused with
// their reason, and the File menu's commands with the recent-file list.
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <span>
#include <tuple>

#include "io/document.h"
#include "io/mapfile.h"
#include "io/recent.h"
#include "testutil.h"

using namespace kv;
using namespace kvtest;

namespace {

using Bytes = std::vector<unsigned char>;

// The Long fields of the records that lie together, in file order.
constexpr Long Wall::*kWallHead[] = {
    &Wall::x1,          &Wall::y1,          &Wall::x2,         &Wall::y2,         &Wall::h1,      &Wall::h2,
    &Wall::h3,          &Wall::h4,          &Wall::wallParamA, &Wall::wallParamB, &Wall::wallTx,  &Wall::frontFloorTx,
    &Wall::frontCeilTx, &Wall::backFloorTx, &Wall::backCeilTx, &Wall::posChild,   &Wall::negChild};
constexpr Long Wall::*kWallLinks[] = {&Wall::txType, &Wall::area, &Wall::firstWallOfArea, &Wall::nextInArea};
constexpr Long Area::*kAreaHead[] = {&Area::firstWall, &Area::size,    &Area::flags,  &Area::minY,
                                     &Area::minX,      &Area::maxY,    &Area::maxX,   &Area::floorBeg,
                                     &Area::floorEnd,  &Area::ceilBeg, &Area::ceilEnd};

// Every field of every record kind, reserved ones included, a distinct value,
// so that two fields exchanged or moved show in the bytes.
void fillEverything(clsMap& m) {
  addSquare(m, 10, 20, 30);
  addSquare(m, -5, -5, 7);
  int v = 1;
  auto next = [&v] { return v % 2 ? -v++ : v++; };
  for (Wall& w : std::span(m.walls.data(), 8)) {
    for (auto f : kWallHead) w.*f = next();
    for (auto f : kWallLinks) w.*f = next();
    for (Long& r : w.reservedL) r = next();
    w.nextSeg = next(), w.tStart = next() / 7.0, w.tEnd = next() / 3.0, w.wallID = next() + 0.125;
    for (double& r : w.reservedD) r = next() / 9.0;
  }
  for (Area& a : std::span(m.areas.data(), 2)) {
    for (auto f : kAreaHead) a.*f = next();
    a.reservedL = {next(), next()}, a.reservedL2 = next(), a.reservedI = static_cast<Integer>(next());
    a.name.assign("Room" + std::to_string(next()) + "\xe9\x80");
    for (double& r : a.reservedD) r = next() * 1e10;
  }
  m.viewpointCount = 2;
  for (Viewpoint& p : std::span(m.viewpoints.data(), 2)) {
    p.name.assign("View " + std::to_string(next()));
    p.x = next(), p.y = next(), p.z = next(), p.reservedL = next();
    for (double& r : p.reservedD) r = next() + 0.5;
  }
  for (MapGlobal& g : std::span(m.globals.data(), 6))
    g.id = next() + 0.25, g.value = next() - 0.75, g.reservedD[2] = next();
  m.viewerX = 12.5, m.viewerY = -3.25, m.viewerZ = 70, m.viewerDir = -90;
}

// Little-endian fields appended in the order and widths the format lists.
struct Out {
  Bytes b;
  void raw(std::uint64_t v, int n) {
    for (int k = 0; k < n; ++k) b.push_back(static_cast<unsigned char>(v >> 8 * k));
  }
  void l(Long v) { raw(static_cast<std::uint32_t>(v), 4); }
  void d(double v) { raw(std::bit_cast<std::uint64_t>(v), 8); }
  void name(const Name16& n) { b.insert(b.end(), n.c.begin(), n.c.end()); }
  Long position() const { return static_cast<Long>(b.size() + 1); }
};

// The file the editor must write, assembled without its writer.
Bytes expectedFile(const clsMap& m, Long wallsType) {
  Out f;
  f.b.resize(64);
  std::vector<std::pair<Long, Long>> dir = {{wallsType, f.position()}};
  f.l(m.wallCount), f.d(m.viewerX), f.d(m.viewerY), f.l(m.viewerZ), f.raw(static_cast<std::uint16_t>(m.viewerDir), 2);
  for (const Wall& w : std::span(m.walls.data(), m.wallCount)) {
    for (auto x : kWallHead) f.l(w.*x);
    f.d(w.tStart), f.d(w.tEnd);
    for (auto x : kWallLinks) f.l(w.*x);
    for (Long r : w.reservedL) f.l(r);
    f.d(w.wallID);
    for (double r : w.reservedD) f.d(r);
  }
  dir.push_back({2, f.position()});
  f.l(m.viewpointCount);
  for (const Viewpoint& v : std::span(m.viewpoints.data(), m.viewpointCount)) {
    f.name(v.name), f.l(v.x), f.l(v.y), f.l(v.z), f.l(v.reservedL);
    for (double r : v.reservedD) f.d(r);
  }
  dir.push_back({3, f.position()});
  f.l(m.areaCount);
  for (const Area& a : std::span(m.areas.data(), m.areaCount)) {
    for (auto x : kAreaHead) f.l(a.*x);
    f.l(a.reservedL[0]), f.l(a.reservedL[1]), f.raw(static_cast<std::uint16_t>(a.reservedI), 2);
    f.name(a.name), f.l(a.reservedL2), f.d(a.reservedD[0]), f.d(a.reservedD[1]);
  }
  dir.push_back({4, f.position()});
  f.l(m.globalCount);
  for (const MapGlobal& g : std::span(m.globals.data(), m.globalCount)) {
    f.d(g.id), f.name(g.name), f.d(g.value);
    for (double r : g.reservedD) f.d(r);
  }
  const Long directory = f.position();
  for (auto [type, at] : dir) f.l(type), f.l(at), f.b.resize(f.b.size() + 56);
  Out h;
  h.b = {'K', 'V', '3', 'D'};
  h.l(146), h.l(4), h.l(directory);
  std::copy(h.b.begin(), h.b.end(), f.b.begin());
  return f.b;
}

void putLongAt(Bytes& b, size_t at, Long v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i));
}
Long longAt(const Bytes& b, size_t at) {
  return static_cast<Long>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
}

}  // namespace

TEST(MapFile, EveryFieldAtItsPlaceWrittenAndReadBack) {
  // An empty document: header, the walls head, three counts, six globals and
  // the directory, 64 + 26 + 4 + 4 + 4 + 6 * 64 + 4 * 64 bytes, the sections
  // at positions 65, 91, 95 and 99.
  auto m = newMap();
  m->clearMap();
  const Bytes e = encodeMap(*m, false);
  ASSERT_EQ(e.size(), 742u);
  EXPECT_EQ((std::array{longAt(e, 12), longAt(e, 490), longAt(e, 554), longAt(e, 618), longAt(e, 682)}),
            (std::array{487, 65, 91, 95, 99}));
  EXPECT_EQ(e, expectedFile(*m, 1));

  TempDir dir;
  ScriptedDialogs ui;
  bool ok = false;
  fillEverything(*m);
  const Bytes expected = expectedFile(*m, 1);
  ASSERT_EQ(expected.size(), 742 + 2 * 64 + 8 * 148 + 2 * 90u);
  WriteNewMPB(*m, ui, dir.file("all.map"), false, ok);
  EXPECT_TRUE(ok && readBytes(dir.file("all.map")) == expected);
  EXPECT_EQ(encodeMap(*m, true), expectedFile(*m, 8));

  // The assembled bytes read back to the same document. What the file does
  // not give the document (the viewpoint list, records above a count, the
  // selection, the template) stays as it was.
  writeBytes(dir.file("made.map"), expected);
  auto r = newMap();
  r->selectedWall = 3, r->pasteH2 = 77, r->walls[8].x1 = 4242, r->viewpoints[0].name.assign("Mine");
  ReadNewMPB(*r, ui, dir.file("made.map"), ok);
  ASSERT_TRUE(ok && ui.messages.empty());
  EXPECT_EQ(std::tie(r->viewpointCount, r->viewpoints[0].name, r->selectedWall, r->pasteH2, r->walls[8].x1),
            std::make_tuple(1, Name16("Mine"), 3, 77, 4242));
  r->viewpoints = m->viewpoints, r->viewpointCount = 2;
  EXPECT_EQ(encodeMap(*r, false), expected);
}

TEST(MapFile, DamagedFilesAreRefusedWithTheirReasonFullTablesAndOtherOrdersRead) {
  auto m = newMap(), x = newMap(), y = newMap(), z = newMap();
  fillEverything(*m);
  const Bytes good = encodeMap(*m, false);
  const size_t dir = static_cast<size_t>(longAt(good, 12) - 1), none = SIZE_MAX;
  auto at = [&](int entry) { return static_cast<size_t>(longAt(good, dir + size_t{64} * entry + 4) - 1); };
  struct Case {
    size_t at;  // where `value` is written
    Long value;
    size_t size;  // the file cut or lengthened to this size
    const char* says;
  };
  const Case cases[] = {
      {none, 0, 0, "is 0 bytes long, shorter than a map file's header"},
      {none, 0, dir + 255, "directory (position 1979, 4 entries) lies beyond the end"},
      {12, 0, none, "directory (position 0,"},
      {8, -1, none, "a negative number of sections (-1)"},
      {8, 5, none, "5 entries) lies beyond the end"},
      {dir + 4, 1 << 28, none, "its walls section (position 268435456) lies beyond"},
      {dir + 132, -5, none, "its areas section (position -5) lies beyond"},
      {dir, 5, none, "names no walls section"},
      {64, 2002, none, "the walls section holds 2002 records, but the map has room for 2001"},
      {64, -1, none, "the walls section holds -1 records"},
      {64, 2001, none, "the walls section is cut short: 2001 records do not fit"},
      {at(2), 202, good.size() + size_t{202} * 90, "areas section holds 202 records, but the map has room for 201"},
      {at(3), 202, good.size() + size_t{202} * 64, "globals section holds 202 records, but the map has room for 201"},
      {at(3), 20, none, "the globals section is cut short"},
  };
  std::string problem;
  for (const Case& c : cases) {
    Bytes b = good;
    if (c.at != none) putLongAt(b, c.at, c.value);
    if (c.size != none) b.resize(c.size);
    EXPECT_FALSE(parseMap(b, problem)) << c.says;
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
  }

  // Every table filled to its last slot is a map, not a damaged file.
  auto full = newMap();
  full->wallCount = 2001, full->areaCount = full->viewpointCount = full->globalCount = 201;
  auto c = parseMap(encodeMap(*full, false), problem);
  ASSERT_TRUE(c && c->viewpoints) << problem;
  applyMap(*x, *c);
  EXPECT_EQ(std::tie(x->wallCount, x->areaCount, x->globalCount), std::make_tuple(2001, 201, 201));
  EXPECT_EQ(c->viewpoints->size(), 201u);

  // The directory's entries in reverse order give the same document. A
  // section of an unknown type and a viewpoints section beyond the end are
  // passed over: loading never reads either into the document.
  Bytes reversed(good.begin(), good.begin() + static_cast<long>(dir)), odd = good;
  for (size_t k : {3, 2, 1, 0})
    reversed.insert(reversed.end(), good.begin() + static_cast<long>(dir + 64 * k),
                    good.begin() + static_cast<long>(dir + 64 * k + 64));
  putLongAt(odd, dir + 68, 1 << 29), putLongAt(odd, dir + 128, 99);
  applyMap(*x, *parseMap(good, problem));
  applyMap(*y, *parseMap(reversed, problem));
  EXPECT_EQ(encodeMap(*x, false), encodeMap(*y, false));
  auto oc = parseMap(odd, problem);
  ASSERT_TRUE(oc && oc->viewpointsDamaged);
  applyMap(*z, *oc);
  EXPECT_EQ(std::tie(z->wallCount, z->areaCount), std::make_tuple(8, 0));
}

TEST(FileCommands, NewOpenSaveSaveAsAndTheRecentList) {
  TempDir dir;
  const std::string ini = dir.file("zidoruv.ini"), a = dir.file("a.map"), b = dir.file("b.map");
  auto m = newMap();
  ScriptedDialogs ui;
  MapDocument doc(*m, ui);
  RecentFiles recent;
  int shown = 0;
  doc.hooks = {{}, {}, [&] { ++shown; }, [&] { recent.updateRecentFiles(doc.currentMapFile, ini); }, {}, {}};
  recent.loadRecentFiles(ini);  // no settings file yet: four empty entries that open nothing
  EXPECT_FALSE(recent.openRecentFile(1, doc));

  // Without a file name of at least 2 characters Save asks for one; Save As
  // cancelled changes nothing.
  addSquare(*m, 0, 0, 10);
  doc.currentMapFile = "x";
  ui.fileAnswers = {a, b};
  doc.saveMap();
  doc.saveMapAs();
  doc.saveMapAs();
  ASSERT_EQ(ui.fileRequests.size(), 3u);
  EXPECT_EQ(std::tie(ui.fileRequests[0].save, ui.fileRequests[0].filter, ui.fileRequests[0].presetName),
            std::make_tuple(true, "Map (*.map)|*.map", "untitled.map"));
  EXPECT_EQ(doc.currentMapFile, b);

  // New keeps the file name; Open reads the map, relinks the work list,
  // shows the view and puts the file on top of the recent list.
  doc.newMap();
  EXPECT_EQ(std::tie(m->wallCount, shown, doc.currentMapFile), std::make_tuple(0, 1, b));
  ui.fileAnswers = {a};
  doc.openMap();
  EXPECT_EQ(std::tie(ui.fileRequests[3].save, ui.fileRequests[3].filter),
            std::make_tuple(false, "Kovrel3D Map file (*.map)|*.map|All files (*.*)|*.*"));
  EXPECT_EQ(std::tie(m->wallCount, m->walls[0].nextSeg, m->walls[2].nextSeg, m->walls[3].nextSeg, shown),
            std::make_tuple(4, 1, 3, -1, 2));

  // Save writes to the opened file, or to a 2-character name, without asking
  // and leaves the list alone.
  addSquare(*m, 50, 50, 10);
  doc.saveMap();
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path);
  doc.currentMapFile = "ab";
  doc.saveMap();
  std::filesystem::current_path(cwd);
  EXPECT_EQ(ui.fileRequests.size(), 4u);
  EXPECT_EQ(std::make_tuple(readBytes(a).size(), readBytes(dir.file("ab")).size()),
            std::make_tuple(742 + 8 * 148 + 2 * 90u, 742 + 8 * 148 + 2 * 90u));
  EXPECT_EQ(recent.entries, (std::array<std::string, 4>{a, b, a, ""}));
  const Bytes settings = readBytes(ini);
  EXPECT_EQ(std::string(settings.begin(), settings.end()),
            "[init]\r\nfile1=" + a + "\r\nfile2=" + b + "\r\nfile3=" + a + "\r\nfile4=\r\n");

  // After a restart the list reads back with its captions; choosing an entry
  // opens it without reordering; an entry of 2 characters does nothing.
  RecentFiles restarted;
  restarted.loadRecentFiles(ini);
  EXPECT_EQ(restarted.entries, recent.entries);
  EXPECT_EQ(restarted.caption(2), "&2 " + b);
  m->clearMap();
  ASSERT_TRUE(restarted.openRecentFile(2, doc));
  restarted.entries[3] = "ab";
  EXPECT_FALSE(restarted.openRecentFile(4, doc));
  EXPECT_EQ(std::tie(doc.currentMapFile, m->wallCount, m->walls[3].nextSeg, recent.entries[0]),
            std::make_tuple(b, 4, -1, a));

  // A damaged file is refused whole; a missing one says "No map" with the
  // application's title and still becomes the current file.
  writeBytes(dir.file("junk.map"), Bytes(100, 0xAB));
  ui.fileAnswers = {dir.file("junk.map"), dir.file("new.map")};
  doc.openMap();
  EXPECT_EQ(std::tie(doc.currentMapFile, recent.entries[0], m->wallCount), std::make_tuple(b, a, 4));
  EXPECT_EQ(std::tie(ui.messages.back().title, ui.messages.back().icon),
            std::make_tuple("Open Map", MsgIcon::Critical));
  EXPECT_EQ(ui.messages.back().text, "The file \"" + dir.file("junk.map") +
                                         "\" cannot be read as a map: the header gives a negative number of sections "
                                         "(-1414812757).");
  doc.openMap();
  EXPECT_EQ(std::tie(ui.messages.back().text, ui.messages.back().title), std::make_tuple("No map", kAppTitle));
  EXPECT_EQ(std::tie(doc.currentMapFile, recent.entries[0]), std::make_tuple(dir.file("new.map"), dir.file("new.map")));
}
