// Shape files and the shape wizard.
#include <gtest/gtest.h>

#include <fstream>

#include "testutil.h"
#include "wizards/shape.h"

using kv::readShape;
using kv::ShapeSegment;

TEST(ShapeFile, WallsAndTurtleWalls) {
  const std::pair<const char*, std::vector<ShapeSegment>> cases[] = {
      {"<KVSHAPE><TURTLEWALL>RT90,FD100</TURTLEWALL><TURTLEWALL>LT90,FD100</TURTLEWALL>"
       "<TURTLEWALL>AR45,FD100</TURTLEWALL></KVSHAPE>",
       {{0, 0, -100, 0}, {-100, 0, -100, 100}, {-100, 100, -29, 171}}},
      // A wall moves the pen; other turn words keep the heading, other move
      // words add a wall of length 0; BD moves backwards.
      {"<KVSHAPE><WALL>0,0,50,0</WALL><TURTLEWALL>AL0,FD10</TURTLEWALL>"
       "<TURTLEWALL>XX45,ZZ10</TURTLEWALL><TURTLEWALL>LT90,BD20</TURTLEWALL></KVSHAPE>",
       {{0, 0, 50, 0}, {50, 0, 50, 10}, {50, 10, 50, 10}, {50, 10, 30, 10}}},
      // 3600 x 0.017453 = 62.8308, 0.0011 short of ten whole turns: the pen
      // drifts one unit towards -x (pi/180 would keep it on x = 0).
      {"<KVSHAPE><TURTLEWALL>AR3600,FD1000</TURTLEWALL>", {{0, 0, -1, 1000}}},
      // 1261 x 0.017453 = 22.008233, held as the float 22.0082321: x is
      // -512.481 (the double heading would give -512.508, so -513).
      {"<KVSHAPE><TURTLEWALL>AR1261,FD30000</TURTLEWALL>", {{0, 0, -512, -29996}}},
      // Any case of the words, attributes after a tag's name, blanks in numbers.
      {"<kvshape>\n<wall id=1> 0, 0 ,1 00,0</wall>\n<Area><turtlewall>rt90,fd5</TurtleWall></kvshape>",
       {{0, 0, 100, 0}, {100, 0, 95, 0}}},
      // The number reading skips line feeds but stops at a carriage return.
      {"<KVSHAPE><WALL>\r\n5,6,7,8</WALL><WALL>\n5,6,7,8.5</WALL>", {{0, 6, 7, 8}, {5, 6, 7, 8}}},
      {"kvShape, no tags", {}},
  };
  for (const auto& [text, want] : cases) {
    kv::ShapeRun r = readShape(text);
    EXPECT_EQ(r.error, "") << text;
    EXPECT_EQ(r.walls, want) << text;
  }
  EXPECT_EQ(readShape("<KVSHAPE><AREA><AREA x></AREA>").beeps, 2);
  // Refused whole: no header, no closing tag or ">", too few commas, numbers beyond 32 bits.
  for (const char* bad : {"<SHAPE><WALL>0,0,1,1</WALL>", "<KVSHAPE><WALL>0,0,10,0</WALL><WALL>0,0,10,10",
                          "<KVSHAPE><WALL>", "<KVSHAPE><WALL", "<KVSHAPE><WALL>0,0,1,1</WALL><WALL>1,2,3</WALL>",
                          "<KVSHAPE><TURTLEWALL>RT90 FD100</TURTLEWALL>", "<KVSHAPE><WALL>0,0,1e10,0</WALL>"}) {
    kv::ShapeRun r = readShape(bad);
    EXPECT_TRUE(!r.error.empty() && r.walls.empty()) << bad;
  }
  EXPECT_EQ(readShape("").error, kv::kShapeHeaderMessage);
  EXPECT_NE(readShape("<KVSHAPE>\n\n<WALL>1,2</WALL>").error.find("line 3"), std::string::npos);
}

TEST(ShapeWizard, ListPreviewCreateAndRefusals) {
  kvtest::TempDir dir;
  std::ofstream(dir.file("b.xml")) << "<KVSHAPE><WALL>0,0,10,0</WALL><TURTLEWALL>AR0,FD10</TURTLEWALL></KVSHAPE>";
  std::ofstream(dir.file("a.XML")) << "<KVSHAPE><WALL>0,0,10,0</WALL><WALL>oops</WALL></KVSHAPE>";
  std::ofstream(dir.file("notes.txt")) << "not a shape";
  kv::ShapeWizardForm f;
  f.load(dir.path.string());
  EXPECT_EQ(std::make_pair(f.shapeFiles, f.listIndex), std::make_pair(std::vector<std::string>{"a.XML", "b.xml"}, 0));

  auto m = kvtest::newMap();
  m->insertX = 1000, m->insertY = 2000;
  kv::ScriptedDialogs d;
  kv::RasterSurface pic(40, 30);
  EXPECT_FALSE(f.create(*m, d, pic));  // a.XML has a broken wall: nothing, the dialog stays
  EXPECT_EQ(std::make_pair(d.messages.at(0).title, m->wallCount), std::make_pair(std::string("Invalid file"), 0));

  f.listIndex = 1;
  f.showPreview(*m, d, pic);  // the axes and the walls from the middle
  EXPECT_EQ(std::make_tuple(pic.pixel(0, 15), pic.pixel(20, 0), pic.pixel(30, 25)),
            std::make_tuple(kv::rgb(160, 160, 160), kv::rgb(160, 160, 160), 0));
  ASSERT_TRUE(f.create(*m, d, pic));
  ASSERT_EQ(m->wallCount, 2);
  const kv::Wall& w = m->walls[1];
  EXPECT_EQ(std::make_tuple(w.x1, w.y1, w.x2, w.y2, w.firstWallOfArea, w.nextInArea),
            std::make_tuple(1010, 2000, 1010, 2010, 0, 0));
  EXPECT_EQ(pic.pixel(30, 25), kv::rgb(255, 255, 255));  // Create leaves only the axes
  kv::ShapeWizardForm empty;                             // no shape files at all
  empty.load((dir.path / "none").string());
  EXPECT_FALSE(empty.create(*m, d, pic));
}
