// The wizards' geometry: polygons for rooms and columns, stair steps, cave and
// switch pieces, passages, and the point-in-polygon test over the areas.
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/clsMap.h"

namespace kv {

namespace {

const double kPi = 4 * std::atan(1.0);
// Radians per degree as the wizards use it: deliberately not pi / 180.
constexpr double kDegree = 0.017453;

void requireSides(Integer n) {
  if (n < 1) throw MapError("A polygon needs at least one side; " + std::to_string(n) + " were asked for.");
}

Long addOffset(Long v, std::int64_t d) {
  std::int64_t r = static_cast<std::int64_t>(v) + d;
  if (r < INT32_MIN || r > INT32_MAX)
    throw RangeError("The piece would reach beyond the map's coordinates (" + std::to_string(r) + ").");
  return static_cast<Long>(r);
}

struct Point {
  Long x, y;
};

// One rectangle of a cave or switch piece, in its own coordinates, traced
// counterclockwise with y upward; the fifth corner closes it.
constexpr int kOuter[5][2] = {{-30, 10}, {-30, -10}, {30, -10}, {30, 10}, {-30, 10}};
constexpr int kInner[5][2] = {{-20, 6}, {-20, -6}, {20, -6}, {20, 6}, {-20, 6}};

// Cave and switch pieces share their geometry, heights and textures.
void buildPiece(clsMap& m, Long x, Long y, Long ceiling, Long texture, Integer angle) {
  const float heading = static_cast<float>(angle * kDegree);
  const double c = std::cos(static_cast<double>(heading)), s = std::sin(static_cast<double>(heading));
  // Every corner is placed before anything is added, so a piece that would
  // leave the coordinate range adds nothing.
  auto place = [&](const int(&local)[5][2], Point(&out)[5]) {
    for (int k = 0; k < 5; ++k) {
      const double lx = local[k][0], ly = local[k][1];
      out[k] = {addOffset(x, roundLong(lx * c - ly * s)), addOffset(y, roundLong(lx * s + ly * c))};
    }
  };
  Point outer[5], inner[5];
  place(kOuter, outer);
  place(kInner, inner);
  m.requireRoom(8, 2);

  m.ceilEnd = ceiling;
  m.h1 = 8, m.h2 = 20, m.h3 = ceiling, m.h4 = ceiling;
  m.backFloorTx = 3, m.frontFloorTx = 1, m.backCeilTx = 3, m.frontCeilTx = 1, m.wallTx = 3;
  m.setPasteWall(true, true);
  Long first = m.wallCount;
  m.startArea(first, 0);
  for (int k = 0; k < 4; ++k)
    m.addWall(outer[k].x, outer[k].y, outer[k + 1].x, outer[k + 1].y, first, k < 3 ? first + k + 1 : -1);
  m.endArea();
  m.walls[first + 3].nextSeg = -1;

  m.h1 = 20, m.h2 = 120;
  m.backFloorTx = 3, m.frontFloorTx = 3, m.backCeilTx = 1, m.frontCeilTx = 3;
  m.setPasteWall(true, true);
  first = m.wallCount;
  m.startArea(first, 0);
  for (int k = 0; k < 4; ++k) {
    if (k == 3) {
      // The inner rectangle's last wall carries the piece's own texture.
      m.wallTx = texture;
      m.setPasteWall(true, true);
    }
    m.addWall(inner[k].x, inner[k].y, inner[k + 1].x, inner[k + 1].y, first, k < 3 ? first + k + 1 : -1);
  }
  m.endArea();
  m.walls[first + 3].nextSeg = -1;
}

}  // namespace

void clsMap::addPolySurround(Integer n, Integer sx, Integer sy, Integer len) {
  requireSides(n);
  requireRoom(n, 1);
  const double step = 2 * kPi / n;
  double angle = kPi / 2, x = sx, y = sy;
  const Long first = wallCount;
  areaName = "RoomID" + std::to_string(first);
  startArea(first, 0);
  for (Long k = 0; k < n; ++k) {
    const Long i = first + k;
    const double nx = x + std::cos(angle) * len, ny = y + std::sin(angle) * len;
    Wall& w = walls[i];
    w.x1 = roundLong(x), w.y1 = roundLong(y);
    w.x2 = roundLong(nx), w.y2 = roundLong(ny);
    w.tStart = 0.0, w.tEnd = 1.0;
    pasteWall(i, true, true);
    w.h2 = w.h4, w.h3 = w.h4;
    w.wallParamA = 0, w.wallParamB = 0;
    w.txType = txType;
    w.area = curArea;
    // Not given by the classic room walls; set so the wall names its list head
    // like every other wall on an area list.
    w.firstWallOfArea = first;
    w.nextInArea = k == n - 1 ? -1 : i + 1;
    x = nx, y = ny;
    angle -= step;
  }
  // The walls are counted before the box is taken: an area's list is walked
  // only through walls in use.
  wallCount += n;
  endArea();
  walls[first + n - 1].nextSeg = -1;
  areaName.clear();
}

void clsMap::addPolyCol(Integer n, Integer sx, Integer sy, Integer len) {
  requireSides(n);
  requireRoom(n, 1);
  const double step = 2 * kPi / n;
  double angle = kPi / 2;
  Long px = sx, py = sy;
  const Long first = wallCount;
  areaName = "Col" + std::to_string(first);
  startArea(first, 0);
  for (Long i = first; i < first + n; ++i) {
    const Long nx = roundLong(px + std::cos(angle) * len), ny = roundLong(py + std::sin(angle) * len);
    addWall(px, py, nx, ny, first, i == first + n - 1 ? -1 : i + 1);
    px = nx, py = ny;
    angle += step;
  }
  endArea();
  walls[first + n - 1].nextSeg = -1;
  areaName.clear();
}

void clsMap::wzStair(Integer x, Integer y, Integer width, Integer height) {
  requireRoom(4, 1);
  pasteH2 = height;
  const Long first = wallCount;
  startArea(first, 0);
  const double step = 2 * kPi / 4;
  double angle = kPi / 2;
  Long px = x, py = y;
  for (Long j = first; j < first + 4; ++j) {
    const Long nx = roundLong(px + std::cos(angle) * width), ny = roundLong(py + std::sin(angle) * width);
    addWall(px, py, nx, ny, first, j == first + 3 ? -1 : j + 1);
    px = nx, py = ny;
    angle += step;
  }
  walls[first + 3].nextSeg = -1;
  endArea();
}

void clsMap::wzCave(Long x, Long y, Long ceiling, Long texture, Integer angle) {
  buildPiece(*this, x, y, ceiling, texture, angle);
}

void clsMap::wzSwitch(Long x, Long y, Long ceiling, Long texture, Integer angle) {
  buildPiece(*this, x, y, ceiling, texture, angle);
}

void clsMap::makePassage(Long a, Long b, bool /*split: always made*/, double /*startHeight*/, double /*height*/) {
  for (Long w : {a, b})
    if (w < 0 || w >= wallCount) throw MapError("Wall " + std::to_string(w) + " is not a wall of the map.");
  requireRoom(4, 0);
  const Long m1 = wallCount;
  splitWall(a, 3);
  const Long m2 = wallCount;
  splitWall(b, 3);
  std::swap(walls[m1].x1, walls[m2].x1);
  std::swap(walls[m1].y1, walls[m2].y1);
}

Long clsMap::countCrossings(Long first, Long last, Long px, Long py) const {
  Long count = 1;
  if (first < 0) first = 0;
  if (last > wallCount - 1) last = wallCount - 1;
  for (Long i = first; i <= last; ++i) {
    const Wall& w = walls[i];
    if (w.x1 == w.x2) continue;
    // px between the ends, both included; products of 32-bit differences
    // are formed in 64 bits.
    const std::int64_t a = static_cast<std::int64_t>(px) - w.x1, b = static_cast<std::int64_t>(w.x2) - px;
    if ((a < 0 && b > 0) || (a > 0 && b < 0)) continue;
    if (!((w.x1 <= px || w.x2 != px) && (w.x2 >= px || w.x1 != px))) continue;
    const double m = static_cast<double>(static_cast<std::int64_t>(w.y2) - w.y1) /
                     static_cast<double>(static_cast<std::int64_t>(w.x2) - w.x1);
    const double yAt = m * px + (w.y1 - m * w.x1);
    if (yAt > py) ++count;
  }
  return count;
}

std::string clsMap::testPtinPoly() const {
  std::string text;
  std::vector<bool> seen(kWallSlots);
  for (Long a = 1; a < areaCount; ++a) {
    // The list's last wall; a list that leaves the table or comes back to a
    // wall it passed ends at the last wall reached before that.
    const Long first = areas[a].firstWall;
    Long last = -1;
    std::fill(seen.begin(), seen.end(), false);
    for (Long w = first; w >= 0 && w < wallCount && !seen[w]; w = walls[w].nextInArea) {
      seen[w] = true;
      last = w;
      if (walls[w].nextInArea == -1) break;
    }
    const Long r = last == -1 ? 1 : countCrossings(first, last, insertX, insertY);
    text += std::to_string(a) + ":" + std::to_string(r) + "\r";
  }
  return text;
}

}  // namespace kv
