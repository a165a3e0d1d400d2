#include "model/clsMap.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace kv {

clsMap::clsMap() {
  // The colours are drawn before the generator is seeded, so they are the same
  // on every start.
  wallColours[0] = rgb(255, 0, 0);
  wallColours[1] = rgb(0, 255, 0);
  wallColours[2] = rgb(0, 0, 255);
  wallColours[3] = rgb(120, 120, 0);
  for (int i = 4; i <= 10; ++i) {
    double r1 = rng.next();
    double r2 = rng.next();
    wallColours[i] = rgb(0, static_cast<int>(roundHalfEven(r1 * 255)), static_cast<int>(roundHalfEven(r2 * 255)));
  }
  buildGlobals();
  initViewpoints();
  selectedArea = -1;
  selectedWall = -1;
}

void clsMap::appendGlobal(double id, const char* name, double value) {
  MapGlobal& g = globals[globalCount];
  g.id = id;
  g.name.assign(name);
  g.value = value;
  ++globalCount;
}

void clsMap::buildGlobals() {
  rng.seedFromClock();
  globalCount = 0;
  double r1 = rng.next();
  double r2 = rng.next();
  appendGlobal(12000, "MapID", r2 * 1000000 + r1);
  appendGlobal(12001, "Floor Height", 8);
  appendGlobal(12002, "Ceil Height", 264);
  appendGlobal(12003, "Overide CeilFloor", 0);
  appendGlobal(12004, "Max Step Height", 25);
  appendGlobal(12005, "Gravity", 1);
}

void clsMap::initViewpoints() {
  viewpointCount = 0;
  Viewpoint& v = viewpoints[0];
  v = Viewpoint{};
  v.name.assign("Initial position");
  v.x = insertX;
  v.y = insertY;
  v.z = 8;
  viewpointCount = 1;
}

void clsMap::clearMap() {
  if (onDropHighlight) onDropHighlight();
  selectedWall = -1;
  wallCount = 0;
  areaCount = 0;
  viewpointCount = 0;
  globalCount = 0;
  buildGlobals();
}

// --- range checks ------------------------------------------------------------

void clsMap::checkWall(Long i) const {
  if (i < 0 || i >= kWallSlots)
    throw MapError("Wall " + std::to_string(i) + " does not exist (walls are numbered 0 to 2000).");
}
void clsMap::checkArea(Long i) const {
  if (i < 0 || i >= kAreaSlots)
    throw MapError("Area " + std::to_string(i) + " does not exist (areas are numbered 0 to 200).");
}
void clsMap::checkGlobal(Long i) const {
  if (i < 0 || i >= kAreaSlots)
    throw MapError("Global " + std::to_string(i) + " does not exist (globals are numbered 0 to 200).");
}
void clsMap::checkViewpoint(Long i) const {
  if (i < 0 || i >= kAreaSlots)
    throw MapError("Viewpoint " + std::to_string(i) + " does not exist (viewpoints are numbered 0 to 200).");
}

void clsMap::requireRoom(Long nWalls, Long nAreas) const {
  if (nWalls > 0 && static_cast<std::int64_t>(wallCount) + nWalls > kWallSlots)
    throw MapError("The map has room for 2001 walls; it holds " + std::to_string(wallCount) + " and " +
                   std::to_string(nWalls) + " more are needed.");
  if (nAreas > 0 && static_cast<std::int64_t>(areaCount) + nAreas > kAreaSlots)
    throw MapError("The map has room for 201 areas; it holds " + std::to_string(areaCount) + " and " +
                   std::to_string(nAreas) + " more are needed.");
}

// --- item buffers --------------------------------------------------------------

void clsMap::getWall(Long i) {
  checkWall(i);
  forEachWallShapeField(*this, walls[i], [](auto& buffer, const auto& field) { buffer = field; });
  txType = walls[i].txType;
}

void clsMap::setWall(Long i) {
  checkWall(i);
  forEachWallShapeField(*this, walls[i], [](const auto& buffer, auto& field) { field = buffer; });
  walls[i].txType = txType;
}

void clsMap::getArea(Long i) {
  checkArea(i);
  const Area& a = areas[i];
  areaFirstWall = a.firstWall;
  areaMinX = a.minX;
  areaMinY = a.minY;
  areaMaxX = a.maxX;
  areaMaxY = a.maxY;
  floorBeg = a.floorBeg;
  floorEnd = a.floorEnd;
  ceilBeg = a.ceilBeg;
  ceilEnd = a.ceilEnd;
  areaName = a.name.text();
  areaSize = a.size;
  areaFlags = a.flags;
}

void clsMap::setArea(Long i) {
  checkArea(i);
  Area& a = areas[i];
  a.firstWall = areaFirstWall;
  a.floorBeg = floorBeg;
  a.floorEnd = floorEnd;
  a.ceilBeg = ceilBeg;
  a.ceilEnd = ceilEnd;
  a.name.assign(areaName);
  a.size = areaSize;
  a.flags = areaFlags;
}

void clsMap::getGlobal(Long i) {
  checkGlobal(i);
  globalID = globals[i].id;
  globalName = globals[i].name.text();
  globalValue = globals[i].value;
}

void clsMap::setGlobal(Long i) {
  checkGlobal(i);
  globals[i].name.assign(globalName);
  globals[i].value = globalValue;
}

// --- areas -----------------------------------------------------------------------

template <class F>
void clsMap::forEachWallOf(Long a, F f) const {
  // A list read from a damaged file may leave the walls in use or loop; both
  // end the walk.
  std::vector<bool> seen(kWallSlots, false);
  for (Long w = areas[a].firstWall; w != -1; w = walls[w].nextInArea) {
    if (w < 0 || w >= wallCount || seen[w]) break;
    seen[w] = true;
    f(w);
  }
}

Long clsMap::startArea(Long first, Long flags) {
  requireRoom(0, 1);
  Long k = areaCount;
  Area& a = areas[k];
  a.firstWall = first;
  a.floorBeg = pasteH1;
  a.floorEnd = pasteH2;
  a.ceilBeg = pasteH3;
  a.ceilEnd = pasteH4;
  a.flags = flags;
  a.name.assign(areaName.empty() ? "Area" + std::to_string(k) : areaName);
  curArea = k;
  areaCount = k + 1;
  return k + 1;
}

void clsMap::endArea() { adjustAreaBB(curArea); }

void clsMap::adjustAreaBB(Long a) {
  checkArea(a);
  std::int64_t minX = 32000, minY = 32000, maxX = -32000, maxY = -32000;
  bool any = false;
  forEachWallOf(a, [&](Long i) {
    const Wall& w = walls[i];
    any = true;
    minX = std::min<std::int64_t>({minX, w.x1, w.x2});
    maxX = std::max<std::int64_t>({maxX, w.x1, w.x2});
    minY = std::min<std::int64_t>({minY, w.y1, w.y2});
    maxY = std::max<std::int64_t>({maxY, w.y1, w.y2});
  });
  if (!any) return;  // an empty list has no bounding box: keep the stored one
  Area& ar = areas[a];
  ar.minX = static_cast<Long>(minX);
  ar.maxX = static_cast<Long>(maxX);
  ar.minY = static_cast<Long>(minY);
  ar.maxY = static_cast<Long>(maxY);
  // Both sides are at least 0 (every end point lies in the box) and below
  // 2^32, but their product need not fit even 64 bits: a box whose size
  // passes 32 bits keeps the largest 32-bit value.
  const std::int64_t dx = maxX - minX, dy = maxY - minY;
  ar.size = dy != 0 && dx > INT32_MAX / dy ? INT32_MAX : static_cast<Long>(dx * dy);
}

// --- walls -------------------------------------------------------------------------

Long clsMap::addWall(Long ax1, Long ay1, Long ax2, Long ay2, Long first, Long next) {
  requireRoom(1, 0);
  Long i = wallCount;
  Wall& w = walls[i];
  w.x1 = ax1;
  w.y1 = ay1;
  w.x2 = ax2;
  w.y2 = ay2;
  w.tStart = 0.0;
  w.tEnd = 1.0;
  pasteWall(i, true, true);
  w.wallParamA = 0;
  w.wallParamB = 0;
  w.txType = txType;
  w.area = curArea;
  w.firstWallOfArea = first;
  w.nextInArea = next;
  double r1 = rng.next();
  double r2 = rng.next();
  w.wallID = r2 * 1000000 + r1;
  wallCount = i + 1;
  return i;
}

void clsMap::pasteWall(Long i, bool heights, bool textures) {
  checkWall(i);
  Wall& w = walls[i];
  if (heights) {
    w.h1 = pasteH1;
    w.h2 = pasteH2;
    w.h3 = pasteH3;
    w.h4 = pasteH4;
  }
  if (textures) {
    w.wallTx = pasteWallTx;
    w.frontFloorTx = pasteFrontFloorTx;
    w.frontCeilTx = pasteFrontCeilTx;
    w.backFloorTx = pasteBackFloorTx;
    w.backCeilTx = pasteBackCeilTx;
  }
}

void clsMap::setPasteWall(bool heights, bool textures) {
  if (heights) {
    pasteH1 = h1;
    pasteH2 = h2;
    pasteH3 = h3;
    pasteH4 = h4;
  }
  if (textures) {
    pasteWallTx = wallTx;
    pasteFrontFloorTx = frontFloorTx;
    pasteFrontCeilTx = frontCeilTx;
    pasteBackFloorTx = backFloorTx;
    pasteBackCeilTx = backCeilTx;
  }
}

void clsMap::dupWallListSeg(Long src, Long dst) {
  checkWall(src);
  checkWall(dst);
  copyWallPiece(walls[dst], walls[src]);
}

namespace {

// New end points of one wall, computed before any wall is changed so that a
// result outside 32 bits refuses the whole operation.
struct Ends {
  Long i, x1, y1, x2, y2;
};

}  // namespace

// Every end point of area a's walls through `to` (a coordinate, and whether
// it is a y), then the area's box and the current-area fields again.
template <class F>
void clsMap::mapAreaPoints(Long a, F to) {
  checkArea(a);
  std::vector<Ends> out;
  forEachWallOf(a, [&](Long i) {
    const Wall& w = walls[i];
    out.push_back({i, to(w.x1, false), to(w.y1, true), to(w.x2, false), to(w.y2, true)});
  });
  for (const Ends& e : out) {
    Wall& w = walls[e.i];
    w.x1 = e.x1;
    w.y1 = e.y1;
    w.x2 = e.x2;
    w.y2 = e.y2;
  }
  adjustAreaBB(a);
  getArea(a);
}

void clsMap::moveArea(Long a, float dx, float dy) {
  mapAreaPoints(a, [&](Long c, bool y) { return roundLong(c + static_cast<double>(y ? dy : dx)); });
}

void clsMap::scaleArea(Long a, float sx, float sy) {
  mapAreaPoints(a, [&](Long c, bool y) { return roundLong(c * static_cast<double>(y ? sy : sx)); });
}

Long clsMap::RotX(Long x, Long y, float angle) const {
  double t = angle;
  return roundLong(std::cos(t) * x - std::sin(t) * y);
}

Long clsMap::RotY(Long x, Long y, float angle) const {
  double t = angle;
  return roundLong(std::sin(t) * x + std::cos(t) * y);
}

void clsMap::TransformPts(float angle, Long dx, Long dy) {
  double t = angle;
  double c = std::cos(t), s = std::sin(t);
  Long n1x = roundLong(c * tx1 - s * ty1 + dx);
  Long n1y = roundLong(s * tx1 + c * ty1 + dy);
  Long n2x = roundLong(c * tx2 - s * ty2 + dx);
  Long n2y = roundLong(s * tx2 + c * ty2 + dy);
  tx1 = n1x;
  ty1 = n1y;
  tx2 = n2x;
  ty2 = n2y;
}

namespace {

// p + f * (q - p), the difference formed exactly before it becomes a double.
Long along(Long p, Long q, double f) {
  return roundLong(p + f * static_cast<double>(static_cast<std::int64_t>(q) - p));
}

}  // namespace

void clsMap::splitWall(Long w, Integer kind) {
  checkWall(w);
  const Long n = kind == 2 ? 1 : 2;
  requireRoom(n, 0);
  const Wall orig = walls[w];
  const Long first = wallCount;
  wallCount += n;
  for (Long k = 0; k < n; ++k) dupWallListSeg(w, first + k);

  const Long ox1 = orig.x1, oy1 = orig.y1, ox2 = orig.x2, oy2 = orig.y2;
  if (kind == 2) {
    Long mx = along(ox1, ox2, 0.5), my = along(oy1, oy2, 0.5);
    walls[w].x2 = mx;
    walls[w].y2 = my;
    walls[first].x1 = mx;
    walls[first].y1 = my;
  } else {
    Long ax = along(ox1, ox2, 0.33), ay = along(oy1, oy2, 0.33);
    Long bx = along(ox1, ox2, 0.66), by = along(oy1, oy2, 0.66);
    walls[w].x2 = ax;
    walls[w].y2 = ay;
    walls[first].x1 = ax;
    walls[first].y1 = ay;
    walls[first].x2 = bx;
    walls[first].y2 = by;
    walls[first + 1].x1 = bx;
    walls[first + 1].y1 = by;
  }

  // The pieces join the wall's area, linked in order right behind it, so the
  // area's outline stays closed and its list still ends at -1. Each piece is a
  // wall of its own and gets its own id.
  Long prev = w;
  for (Long k = 0; k < n; ++k) {
    Wall& p = walls[first + k];
    p.area = orig.area;
    p.firstWallOfArea = orig.firstWallOfArea;
    p.txType = orig.txType;
    double r1 = rng.next();
    double r2 = rng.next();
    p.wallID = r2 * 1000000 + r1;
    p.nextInArea = walls[prev].nextInArea;
    walls[prev].nextInArea = first + k;
    prev = first + k;
  }
}

void clsMap::polishNextSeg() {
  for (Long i = 0; i < wallCount; ++i) walls[i].nextSeg = i + 1;
  if (wallCount > 0) walls[wallCount - 1].nextSeg = -1;
}

std::string clsMap::checkAreaLists() const {
  std::vector<bool> seen(kWallSlots, false);
  for (Long k = 0; k < areaCount; ++k) {
    Long head = areas[k].firstWall;
    Long steps = 0;
    for (Long w = head; w != -1; w = walls[w].nextInArea) {
      std::string where = "area " + std::to_string(k) + ": wall " + std::to_string(w);
      if (w < 0 || w >= wallCount) return where + " is outside the wall table";
      if (seen[w]) return where + " is on a list twice";
      if (walls[w].area != k) return where + " belongs to area " + std::to_string(walls[w].area);
      if (walls[w].firstWallOfArea != head) return where + " names another list head";
      seen[w] = true;
      if (++steps > wallCount) return "area " + std::to_string(k) + ": list does not end";
    }
  }
  return {};
}

}  // namespace kv
