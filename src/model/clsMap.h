// The one map document of the editor and the operations that change it.
#pragma once
#include <array>
#include <functional>
#include <stdexcept>
#include <string>

#include "model/numbers.h"
#include "model/random.h"
#include "model/records.h"

namespace kv {

// An operation that would pass a table's capacity or name a slot outside it.
// Nothing has been changed when it is thrown; callers show its text.
class MapError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// RGB(r, g, b) as the window system packs it: red in the low byte.
constexpr Long rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

class clsMap {
 public:
  clsMap();

  // --- tables -------------------------------------------------------------
  std::array<Wall, kWallSlots> walls{};
  std::array<Area, kAreaSlots> areas{};
  std::array<Viewpoint, kAreaSlots> viewpoints{};
  std::array<MapGlobal, kAreaSlots> globals{};
  Long wallCount = 0, areaCount = 0, viewpointCount = 0, globalCount = 0;

  // --- wall buffer ----------------------------------------------------------
  Long x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  Long posChild = -1, negChild = -1;
  Long h1 = 8, h2 = 16, h3 = 64, h4 = 128;
  Long wallParamA = 0, wallParamB = 0;
  Long wallTx = 1, frontFloorTx = 1, frontCeilTx = 1, backFloorTx = 1, backCeilTx = 1;
  Long txType = 0;

  // --- transform points of TransformPts ------------------------------------
  Long tx1 = 0, ty1 = 0, tx2 = 0, ty2 = 0;

  // --- area buffer ----------------------------------------------------------
  Long areaFirstWall = 0, areaMinX = 0, areaMinY = 0, areaMaxX = 0, areaMaxY = 0;
  Long floorBeg = 0, floorEnd = 0, ceilBeg = 0, ceilEnd = 0;
  Long areaSize = 0, areaFlags = 0;
  std::string areaName;  // also the one-shot name of the next startArea

  // --- global buffer --------------------------------------------------------
  double globalID = 0;
  std::string globalName;
  double globalValue = 0;

  // --- viewer, selection, view ---------------------------------------------
  double viewerX = 200.0, viewerY = 200.0;
  Long viewerZ = 64;
  Integer viewerDir = 0;
  Long selectedWall = -1, selectedArea = -1;
  Long selectedGlobal = 0;
  Integer scaleX = 10, scaleY = 10;
  Integer offsetX = 0, offsetY = 0;
  Long insertX = 100, insertY = 100;
  Integer editMode = 0;
  Integer skipInsertionDraw = -1;

  // --- paste template -------------------------------------------------------
  Long pasteH1 = 8, pasteH2 = 16, pasteH3 = 64, pasteH4 = 128;
  Long pasteWallTx = 1, pasteFrontFloorTx = 1, pasteFrontCeilTx = 1, pasteBackFloorTx = 1, pasteBackCeilTx = 1;

  Long curArea = 0;
  std::array<Long, 11> wallColours{};

  // The random generator behind wall ids, the map id and the cave angles.
  Random rng;

  // Called by clearMap so the map view drops its wall highlight.
  std::function<void()> onDropHighlight;

  // --- item buffers (Part of every window's fetch/change/store cycle) -------
  void getWall(Long i);
  void setWall(Long i);
  void getArea(Long i);
  void setArea(Long i);
  void getGlobal(Long i);
  void setGlobal(Long i);

  void clearMap();
  void initViewpoints();

  // --- editing operations ---------------------------------------------------
  Long startArea(Long first, Long flags);
  void endArea();
  void adjustAreaBB(Long a);
  Long addWall(Long x1, Long y1, Long x2, Long y2, Long first, Long next);
  void pasteWall(Long i, bool heights, bool textures);
  void setPasteWall(bool heights, bool textures);
  void dupWallListSeg(Long src, Long dst);
  void moveArea(Long a, float dx, float dy);
  void scaleArea(Long a, float sx, float sy);
  Long RotX(Long x, Long y, float angle) const;
  Long RotY(Long x, Long y, float angle) const;
  void TransformPts(float angle, Long dx, Long dy);
  void splitWall(Long w, Integer kind);

  // Links every wall into one work list in index order (the BSP builder's
  // list; also done after every Open).
  void polishNextSeg();

  // --- checks shared by every command that appends -------------------------
  // Throws MapError unless `walls` more walls and `areas` more areas fit.
  void requireRoom(Long walls, Long areas) const;
  void checkWall(Long i) const;
  void checkArea(Long i) const;
  void checkGlobal(Long i) const;
  void checkViewpoint(Long i) const;

  // Every area's wall list ends at -1 within the wall table and names only
  // walls of that area. Empty text when it holds, else the first problem.
  std::string checkAreaLists() const;

  // --- BSP compiler (defined in bsp/compile.cpp) ---------------------------------
  // Records in use while a tree is built: starts at wallCount, and each split
  // takes the record at pieceCount for its new piece.
  Long pieceCount = 0;
  // Member-against-splitter side tests of the last build.
  std::uint64_t bspSideTests = 0;

  // Copies record `from` to record `to`, every field.
  void DupTreeSeg(Long from, Long to);
  // Chooses the splitter of the work list at `listHead` (fewest cuts, the
  // first met wins a tie), stores it into `parentSlot`, builds its sub-tree
  // and sets `result` to the sub-tree's root, -1 when the table ran full.
  void selectBSPTree(Long listHead, Long& parentSlot, Long& result);
  // Partitions the list at `listHead` around `splitter`, builds the negative
  // side and then the non-negative side; `result` = splitter, or -1.
  void buildBSPTree(Long listHead, Long splitter, Long& result);
  // Builds the tree of the list at record 0, makes the piece count the wall
  // count and moves the root to record 0. Throws MapError when the pieces and
  // the exchange's scratch record do not fit (the table is then partly built:
  // createBSP is the operation that leaves the map unchanged on refusal).
  void compileBSP();
  // Turns -1 links into 0 and moves each piece's end points to its part of
  // its source wall. Throws MapError, changing nothing, when a new end point
  // does not fit in 32 bits.
  void adjustT();
  // The whole compile: links the work list, gives every wall the range 0 to
  // 1, compileBSP, adjustT. All or nothing: a map without walls or a tree
  // that does not fit is refused with MapError and the map is left exactly as
  // it was. Area wall lists follow the compiled records.
  void createBSP();

  // Writes the map as it stands to `fileName`, as a map binary (walls section
  // of type 8) or, with compiled = false, as a map file. Does not compile.
  // Returns false with the system's error text in `error` when it failed.
  bool WriteNewMPB(const std::string& fileName, bool compiled = true, std::string* error = nullptr);

  // --- wizard generators (defined in wizards/generators.cpp) ---------------------
  // Each checks that its whole result fits (tables, coordinates) and throws
  // MapError or RangeError before it changes anything.
  // A regular polygon traced clockwise from (startX, startY), first side in
  // +y, written as the enclosing walls of a new area named "RoomID<walls>".
  // The corners accumulate unrounded, so the outline closes on the start.
  void addPolySurround(Integer numSides, Integer startX, Integer startY, Integer sideLen);
  // A regular polygon traced counterclockwise with addWall, one new area
  // named "Col<walls>"; each corner is rounded before the next is computed.
  void addPolyCol(Integer numSides, Integer startX, Integer startY, Integer sideLen);
  // One square stair step of side `width` at floor height `height` (through
  // the template's pasteH2), as a new area of four walls.
  void wzStair(Integer x, Integer y, Integer width, Integer height);
  // The cave and switch pieces: an outer 60 x 20 and an inner 40 x 12
  // rectangle centred on (x, y), turned by `angle` degrees.
  void wzCave(Long x, Long y, Long ceiling, Long texture, Integer angle);
  void wzSwitch(Long x, Long y, Long ceiling, Long texture, Integer angle);
  // Cuts walls a and b in three and turns the middle pieces into the side
  // walls of a passage between them. The heights are offered by the dialog
  // but change nothing. The same wall given twice is cut twice: its first
  // third is cut again, and the passage runs inside the one wall.
  void makePassage(Long a, Long b, bool split, double startHeight, double height);

  // "Test Poly": one line "area:crossings" per area 1 .. areaCount-1 for the
  // insertion point, each ended by a carriage return.
  std::string testPtinPoly() const;
  // 1 plus the number of walls first .. last (taken in index order, not along
  // a list) that the line x = px meets at a y greater than py.
  Long countCrossings(Long firstWall, Long lastWall, Long px, Long py) const;

 private:
  void buildGlobals();
  void appendGlobal(double id, const char* name, double value);
  // Walks area a's list with a bound so a damaged list cannot loop forever.
  template <class F>
  void forEachWallOf(Long a, F f) const;
  // Moves every end point of area a's walls through f(coordinate, is y).
  template <class F>
  void mapAreaPoints(Long a, F f);
};

}  // namespace kv
