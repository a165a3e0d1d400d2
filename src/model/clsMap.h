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
  Long pasteWallTx = 1, pasteFrontFloorTx = 1, pasteFrontCeilTx = 1, pasteBackFloorTx = 1,
       pasteBackCeilTx = 1;

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

  // Subsystems add their operations of the map object here.
#include "bsp/clsMap_bsp.inc"
#include "wizards/clsMap_wizards.inc"

 private:
  void buildGlobals();
  void appendGlobal(double id, const char* name, double value);
  // Walks area a's list with a bound so a damaged list cannot loop forever.
  template <class F>
  void forEachWallOf(Long a, F f) const;
};

}  // namespace kv
