#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

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

// Every field of every table, reserved ones included, with distinct values.
void fillEverything(clsMap& m) {
  addSquare(m, 10, 20, 30);
  addSquare(m, -5, -5, 7);
  int v = 1;
  for (Long i = 0; i < m.wallCount; ++i) {
    Wall& w = m.walls[i];
    for (Long* f : {&w.x1, &w.y1, &w.x2, &w.y2, &w.posChild, &w.negChild, &w.h1, &w.h2, &w.h3, &w.h4,
                    &w.wallParamA, &w.wallParamB, &w.wallTx, &w.frontFloorTx, &w.frontCeilTx, &w.backFloorTx,
                    &w.backCeilTx, &w.txType, &w.area, &w.firstWallOfArea, &w.nextInArea})
    {
      *f = (v % 2 ? -v : v);
      ++v;
    }
    for (Long& r : w.reservedL) r = v++;
    w.tStart = v++ / 7.0;
    w.tEnd = v++ / 3.0;
    w.wallID = v++ + 0.125;
    for (double& r : w.reservedD) r = -(v++) / 9.0;
  }
  for (Long i = 0; i < m.areaCount; ++i) {
    Area& a = m.areas[i];
    for (Long* f : {&a.firstWall, &a.size, &a.flags, &a.minY, &a.minX, &a.maxY, &a.maxX, &a.floorBeg, &a.floorEnd,
                    &a.ceilBeg, &a.ceilEnd, &a.reservedL[0], &a.reservedL[1], &a.reservedL2})
      *f = v++;
    a.reservedI = static_cast<Integer>(-(v++));
    a.name.assign("Room" + std::to_string(i) + "\xe9");
    for (double& r : a.reservedD) r = v++ * 1e10;
  }
  for (Long i = 0; i < m.globalCount; ++i)
    for (double& r : m.globals[i].reservedD) r = v++;
  m.viewerX = 12.5;
  m.viewerY = -3.25;
  m.viewerZ = 70;
  m.viewerDir = -90;
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
  ASSERT_EQ(b.size(), 742u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "KV3D");
  EXPECT_EQ(longAt(b, 4), 146);
  EXPECT_EQ(longAt(b, 8), 4);
  EXPECT_EQ(longAt(b, 12), 64 + 26 + 4 + 4 + 388 + 1);  // directory after the globals
  for (size_t i = 16; i < 64; ++i) EXPECT_EQ(b[i], 0);
  // Sections follow each other without gaps, starting at position 65.
  Long pos[] = {65, 65 + 26, 65 + 30, 65 + 34};
  Long type[] = {1, 2, 3, 4};
  for (int k = 0; k < 4; ++k) {
    size_t e = 486 + 64 * k;
    EXPECT_EQ(longAt(b, e), type[k]);
    EXPECT_EQ(longAt(b, e + 4), pos[k]);
  }
  EXPECT_EQ(longAt(b, 64), 0);             // no walls
  EXPECT_EQ(longAt(b, 64 + 34), 6);        // six globals
  EXPECT_EQ(std::string(b.begin() + 64 + 38 + 8, b.begin() + 64 + 38 + 24), "MapID           ");

  // The compiled binary differs only in the walls section's type.
  auto c = encodeMap(*m, true);
  EXPECT_EQ(longAt(c, 486), 8);
  c[486] = 1;
  EXPECT_EQ(c, b);
}

TEST(MapFile, RoundTripKeepsEveryFieldAndWhatTheFileDoesNotHold) {
  TempDir dir;
  auto m = newMap();
  fillEverything(*m);
  ScriptedDialogs ui;
  bool ok = false;
  WriteNewMPB(*m, ui, dir.file("all.map"), false, ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(slurp(dir.file("all.map")).size(), 742 + 64 + 8 * 148u + 2 * 90);  // one viewpoint

  auto r = newMap();
  r->viewpoints[0].name.assign("Mine");
  r->selectedWall = 3;
  r->pasteH2 = 77;
  r->walls[8] = m->walls[0];  // above the file's count: must survive
  r->walls[8].x1 = 4242;
  Wall above = r->walls[8];
  ReadNewMPB(*r, ui, dir.file("all.map"), ok);
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
  for (Long i = 0; i < 6; ++i) EXPECT_EQ(r->globals[i], m->globals[i]);
  EXPECT_EQ(r->viewerX, 12.5);
  EXPECT_EQ(r->viewerY, -3.25);
  EXPECT_EQ(r->viewerZ, 70);
  EXPECT_EQ(r->viewerDir, -90);
  // The viewpoint list, the selection and the template are not the file's.
  EXPECT_EQ(r->viewpoints[0].name.trimmed(), "Mine");
  EXPECT_EQ(r->selectedWall, 3);
  EXPECT_EQ(r->pasteH2, 77);
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

TEST(MapFile, SavingNeverLosesThePreviousFile) {
  TempDir dir;
  auto m = newMap();
  addSquare(*m, 0, 0, 64);
  std::string file = dir.file("keep.map");
  ScriptedDialogs ui;
  bool ok = false;
  WriteNewMPB(*m, ui, file, false, ok);
  ASSERT_TRUE(ok);
  auto old = slurp(file);
  chmod(file.c_str(), 0640);

  // A folder that cannot be written: the old file stays, the system's text is shown.
  addSquare(*m, 100, 0, 64);
  if (geteuid() != 0) {  // root writes anywhere
    chmod(dir.path.c_str(), 0555);
    WriteNewMPB(*m, ui, file, false, ok);
    chmod(dir.path.c_str(), 0755);
    EXPECT_FALSE(ok);
    EXPECT_EQ(slurp(file), old);
  }
  // A target that cannot be replaced (a folder of that name) fails at the rename.
  std::filesystem::create_directory(dir.file("taken.map"));
  std::filesystem::create_directory(dir.file("taken.map/inner"));
  WriteNewMPB(*m, ui, dir.file("taken.map"), false, ok);
  EXPECT_FALSE(ok);
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().title, "Write Error");
  EXPECT_EQ(ui.messages.back().icon, MsgIcon::Critical);
  EXPECT_EQ(ui.messages.back().text, std::strerror(EISDIR));
  // A folder that does not exist.
  WriteNewMPB(*m, ui, dir.file("no/such/dir.map"), false, ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(ui.messages.back().text, std::strerror(ENOENT));
  // No temporary file is left behind, and a good save keeps the permissions.
  WriteNewMPB(*m, ui, file, false, ok);
  EXPECT_TRUE(ok);
  struct stat st;
  stat(file.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(FileCommands, NewOpenSaveAndSaveAs) {
  TempDir dir;
  auto m = newMap();
  ScriptedDialogs ui;
  MapDocument doc(*m, ui);
  int listed = 0, redrawn = 0, shown = 0, recent = 0;
  doc.hooks = {[&] { ++listed; }, [&] { ++redrawn; }, [&] { ++shown; }, [&] { ++recent; }};

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
