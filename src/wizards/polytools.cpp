#include "wizards/polytools.h"

#include <cmath>

#include "model/clsMap.h"

namespace kv {

namespace {

const double kPi = 4 * std::atan(1.0);

struct Ends {
  Long x1, y1, x2, y2;
};

// The sides of a regular n-gon, checked to fit before anything is written.
std::vector<Ends> trace(const SideDefTable& t, Integer n, Long x, Long y, Long len, bool clockwise) {
  if (n < 1) throw MapError("A polygon needs at least one side; " + std::to_string(n) + " were asked for.");
  if (t.used() + n > kSideDefSlots)
    throw MapError("The side-def table has room for " + std::to_string(kSideDefSlots - t.used()) +
                   " more records, not " + std::to_string(n) + ".");
  std::vector<Ends> sides;
  const double step = 2 * kPi / n;
  double angle = kPi / 2, px = x, py = y;
  for (Integer k = 0; k < n; ++k) {
    const double nx = px + std::cos(angle) * len, ny = py + std::sin(angle) * len;
    sides.push_back({roundLong(px), roundLong(py), roundLong(nx), roundLong(ny)});
    px = nx, py = ny;
    angle += clockwise ? -step : step;
  }
  return sides;
}

struct Looks {
  Long h1, h2, h3, h4, wallTx, frontFloorTx, frontCeilTx, backFloorTx, backCeilTx;
};

// Writes the sides at the count with their looks; the last side ends the list.
void write(SideDefTable& t, const std::vector<Ends>& sides, const Looks& l, bool linkSides) {
  const Long first = t.count;
  for (size_t k = 0; k < sides.size(); ++k) {
    SideDef& s = t.rec[first + k];
    s.x1 = sides[k].x1, s.y1 = sides[k].y1, s.x2 = sides[k].x2, s.y2 = sides[k].y2;
    s.tStart = 0.0, s.tEnd = 1.0;
    s.h1 = l.h1, s.h2 = l.h2, s.h3 = l.h3, s.h4 = l.h4;
    s.wallParamA = 0, s.wallParamB = 0;
    s.wallTx = l.wallTx;
    s.frontFloorTx = l.frontFloorTx, s.frontCeilTx = l.frontCeilTx;
    s.backFloorTx = l.backFloorTx, s.backCeilTx = l.backCeilTx;
    if (linkSides) s.nextSeg = static_cast<Long>(first + k + 1);
  }
  t.rec[first + sides.size() - 1].nextSeg = -1;
  t.count = static_cast<Integer>(first + sides.size());
}

}  // namespace

void addSideDefPolySurround(SideDefTable& t, Integer n, Long x, Long y, Long len) {
  write(t, trace(t, n, x, y, len, true), {8, 264, 264, 264, 3, 2, 2, 2, 2}, false);
}

void addSideDefPolyCol(SideDefTable& t, Integer n, Long x, Long y, Long len, Long h3) {
  write(t, trace(t, n, x, y, len, false), {8, 16, h3, 264, 6, 2, 2, 2, 2}, false);
}

void drawRoom(SideDefTable& t) {
  t.count = 0;
  for (Long i = 1; i <= 4; ++i) addSideDefPolyCol(t, 5, 2000 + 200 * i, 1250, 100, 100 + 20 * i);
  addSideDefPolyCol(t, 8, 2500, 2000, 100, 16);
  addSideDefPolySurround(t, 8, 1800, 1000, 1400);
  t.polishNextSeg();
}

void multiPoly(SideDefTable& t) {
  t.count = 0;
  write(t, trace(t, 16, 2500, 1000, 400, true), {8, 264, 264, 264, 5, 2, 3, 0, 0}, true);
}

void intersectSideDefs(const SideDefTable& t, std::vector<Long>* hits, const std::function<void()>& beep) {
  const double px = kIntersectX2, py = kIntersectY2;
  const double rx = kIntersectX1 - kIntersectX2, ry = kIntersectY1 - kIntersectY2;
  const Long n = t.used();
  for (Long k = 0; k < n; ++k) {
    const SideDef& d = t.rec[k];
    // The test reads end points as 16-bit values; a record beyond that range
    // cannot be read so and is passed over.
    auto x1 = toIntegerChecked(d.x1), y1 = toIntegerChecked(d.y1), x2 = toIntegerChecked(d.x2),
         y2 = toIntegerChecked(d.y2);
    if (!x1 || !y1 || !x2 || !y2) continue;
    const double sx = *x2 - *x1, sy = *y2 - *y1, qx = *x1 - px, qy = *y1 - py;
    const double den = ry * sx - rx * sy;
    if (den == 0) continue;
    const double tt = (qy * sx - qx * sy) / den, u = (qy * rx - qx * ry) / den;
    if (tt < 0 || tt > 1 || u < 0 || u > 1) continue;
    if (beep) beep();
    if (hits) hits->push_back(k);
  }
}

void checkerboard(Surface& s) {
  s.setDrawMode(DrawMode::Copy);
  bool red = false;
  for (int r = 1; r <= 79; ++r) {
    for (int c = 1; c <= 79; ++c) {
      if (c % 8 == 0) red = !red;
      s.setForeColor(red ? rgb(255, 0, 0) : rgb(0, 0, 0));
      s.lineTo(static_cast<float>(c), static_cast<float>(r));
    }
    if (r % 8 == 0) red = !red;
  }
}

}  // namespace kv
