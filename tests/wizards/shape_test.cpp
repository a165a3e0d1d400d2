#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "io/dialogs.h"
#include "testutil.h"
#include "wizards/shape.h"

using kv::ShapeSegment;
using kv::readShape;

namespace {

std::vector<ShapeSegment> walls(const std::string& text) {
  kv::ShapeRun r = readShape(text);
  EXPECT_EQ(r.error, "") << text;
  return r.walls;
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

TEST(ShapeFile, TurtleAndWallBodies) {
  EXPECT_EQ(walls("<KVSHAPE><TURTLEWALL>RT90,FD100</TURTLEWALL><TURTLEWALL>LT90,FD100</TURTLEWALL>"
                  "<TURTLEWALL>AR45,FD100</TURTLEWALL></KVSHAPE>"),
            (std::vector<ShapeSegment>{{0, 0, -100, 0}, {-100, 0, -100, 100}, {-100, 100, -29, 171}}));
  // A wall moves the pen; other turn words keep the heading, other move
  // words add a wall of length 0; BD moves backwards.
  EXPECT_EQ(walls("<KVSHAPE><WALL>0,0,50,0</WALL><TURTLEWALL>AL0,FD10</TURTLEWALL>"
                  "<TURTLEWALL>XX45,ZZ10</TURTLEWALL><TURTLEWALL>LT90,BD20</TURTLEWALL></KVSHAPE>"),
            (std::vector<ShapeSegment>{{0, 0, 50, 0}, {50, 0, 50, 10}, {50, 10, 50, 10}, {50, 10, 30, 10}}));
  // Lower-case header and closing tags, attributes after a tag's name,
  // blanks inside numbers, and a header word without any "<".
  EXPECT_EQ(walls("<kvshape>\n<wall id=1> 0, 0 ,1 00,0</wall>\n<Area><turtlewall>rt90,fd5</TurtleWall></kvshape>"),
            (std::vector<ShapeSegment>{{0, 0, 100, 0}, {100, 0, 95, 0}}));
  EXPECT_EQ(readShape("kvShape, no tags").error, "");
  // The number reading skips line feeds but stops at a carriage return.
  EXPECT_EQ(walls("<KVSHAPE><WALL>\r\n5,6,7,8</WALL>"), (std::vector<ShapeSegment>{{0, 6, 7, 8}}));
  EXPECT_EQ(walls("<KVSHAPE><WALL>\n5,6,7,8.5</WALL>"), (std::vector<ShapeSegment>{{5, 6, 7, 8}}));
  EXPECT_EQ(readShape("<KVSHAPE><AREA><AREA x></AREA>").beeps, 2);
}

TEST(ShapeFile, MalformedFilesAreRefusedWhole) {
  const char* bad[] = {
      "",                                                         // empty
      "<SHAPE><WALL>0,0,1,1</WALL>",                              // wrong header
      "<KVSHAPE><WALL>0,0,10,0</WALL><WALL>0,0,10,10",            // no closing tag
      "<KVSHAPE><WALL>0,0,10,0</WALL><WALL>",                     // tag at the very end
      "<KVSHAPE><WALL>0,0,10,0</WALL><WALL",                      // no ">"
      "<KVSHAPE><WALL>0,0,10,0</WALL><WALL>1,2,3</WALL>",         // two commas
      "<KVSHAPE><TURTLEWALL>RT90 FD100</TURTLEWALL>",             // no comma
      "<KVSHAPE><WALL>0,0,1e10,0</WALL>",                         // beyond 32 bits
      "<KVSHAPE><TURTLEWALL>AR0,FD1e300</TURTLEWALL>",
  };
  for (const char* t : bad) {
    kv::ShapeRun r = readShape(t);
    EXPECT_NE(r.error, "") << t;
    EXPECT_TRUE(r.walls.empty()) << t;
  }
  EXPECT_EQ(readShape("").error, kv::kShapeHeaderMessage);
  EXPECT_NE(readShape("<KVSHAPE>\n\n<WALL>1,2</WALL>").error.find("line 3"), std::string::npos);
}

TEST(ShapeWizard, ListPreviewCreateAndRefusals) {
  kvtest::TempDir dir;
  writeFile(dir.file("b.xml"), "<KVSHAPE><WALL>0,0,10,0</WALL><TURTLEWALL>AR0,FD10</TURTLEWALL></KVSHAPE>");
  writeFile(dir.file("a.XML"), "<KVSHAPE><WALL>0,0,10,0</WALL><WALL>oops</WALL></KVSHAPE>");
  writeFile(dir.file("notes.txt"), "not a shape");
  kv::ShapeWizardForm f;
  int beeps = 0;
  f.beep = [&] { ++beeps; };
  f.load(dir.path.string());
  EXPECT_EQ(f.shapeFiles, (std::vector<std::string>{"a.XML", "b.xml"}));
  EXPECT_EQ(f.listIndex, 0);

  auto m = kvtest::newMap();
  m->insertX = 1000, m->insertY = 2000;
  kv::ScriptedDialogs d;
  kv::RasterSurface pic(40, 30);
  // a.XML has a broken wall: nothing created, the dialog stays open.
  EXPECT_FALSE(f.create(*m, d, pic));
  ASSERT_EQ(d.messages.size(), 1u);
  EXPECT_EQ(d.messages[0].title, "Invalid file");
  EXPECT_EQ(m->wallCount, 0);

  f.listIndex = 1;
  f.showPreview(*m, d, pic);
  EXPECT_TRUE(f.previewing);
  const kv::Long black = 0, grey = kv::rgb(160, 160, 160);
  EXPECT_EQ(pic.pixel(0, 15), grey);   // horizontal axis
  EXPECT_EQ(pic.pixel(20, 0), grey);   // vertical axis
  EXPECT_EQ(pic.pixel(30, 15), black); // the wall from the origin to (10, 0)
  EXPECT_EQ(pic.pixel(30, 25), black); // the pen's wall to (10, 10)
  EXPECT_EQ(m->wallCount, 0);

  ASSERT_TRUE(f.create(*m, d, pic));
  ASSERT_EQ(m->wallCount, 2);
  EXPECT_EQ(m->walls[1].x1, 1010);
  EXPECT_EQ(m->walls[1].y2, 2010);
  EXPECT_EQ(m->walls[1].firstWallOfArea, 0);
  EXPECT_EQ(m->walls[1].nextInArea, 0);
  EXPECT_EQ(pic.pixel(30, 25), kv::rgb(255, 255, 255));  // Create leaves only the axes

  // Too little room in the wall table, and no shape files at all.
  m->wallCount = kv::kWallSlots - 1;
  d.messages.clear();
  EXPECT_FALSE(f.create(*m, d, pic));
  EXPECT_EQ(m->wallCount, kv::kWallSlots - 1);
  kv::ShapeWizardForm empty;
  empty.load((dir.path / "none").string());
  empty.showPreview(*m, d, pic);
  EXPECT_FALSE(empty.create(*m, d, pic));
  EXPECT_EQ(d.messages.size(), 3u);
  EXPECT_EQ(beeps, 0);
}

TEST(ShapeWizard, ShippedShapesRead) {
  auto names = kv::listShapeFiles(KV_SOURCE_DIR "/shapes");
  EXPECT_GE(names.size(), 5u);
  for (const auto& n : names) {
    std::string text, problem;
    ASSERT_TRUE(kv::readShapeFile(KV_SOURCE_DIR "/shapes/" + n, text, problem)) << n;
    kv::ShapeRun r = readShape(text);
    EXPECT_EQ(r.error, "") << n;
    EXPECT_GE(r.walls.size(), 4u) << n;
    // Each shape is a run of joined walls.
    for (size_t i = 1; i < r.walls.size(); ++i) {
      EXPECT_EQ(r.walls[i].x1, r.walls[i - 1].x2) << n;
      EXPECT_EQ(r.walls[i].y1, r.walls[i - 1].y2) << n;
    }
  }
}
