#include "bsp/validate.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "bsp/treebuilder.h"

namespace kv {

namespace {

TreeCheck violation(std::string text) {
  TreeCheck c;
  c.problem = std::move(text);
  return c;
}

std::string rec(Long i) { return "record " + std::to_string(i); }

// The first attribute in which two pieces of one source wall differ, or null.
const char* differingAttribute(const Wall& a, const Wall& b) {
  static constexpr struct {
    Long Wall::*field;
    const char* name;
  } longs[] = {{&Wall::h1, "h1"},
               {&Wall::h2, "h2"},
               {&Wall::h3, "h3"},
               {&Wall::h4, "h4"},
               {&Wall::wallParamA, "wallParamA"},
               {&Wall::wallParamB, "wallParamB"},
               {&Wall::wallTx, "wallTx"},
               {&Wall::frontFloorTx, "frontFloorTx"},
               {&Wall::frontCeilTx, "frontCeilTx"},
               {&Wall::backFloorTx, "backFloorTx"},
               {&Wall::backCeilTx, "backCeilTx"},
               {&Wall::txType, "txType"},
               {&Wall::area, "area"},
               {&Wall::firstWallOfArea, "firstWallOfArea"}};
  for (const auto& f : longs)
    if (a.*f.field != b.*f.field) return f.name;
  if (a.reservedL != b.reservedL) return "reserved Longs";
  for (size_t k = 0; k < a.reservedD.size(); ++k)
    if (std::bit_cast<std::uint64_t>(a.reservedD[k]) != std::bit_cast<std::uint64_t>(b.reservedD[k]))
      return "reserved Doubles";
  return nullptr;
}

// A point known up to `e` map units in each coordinate.
struct Point {
  double x, y, e;
};

// True when p can lie on the wanted side of the node's source line, given
// that the node's stored end points and p were rounded to whole units. An
// end point is exact where its piece starts (or ends) with its source wall.
bool onSide(const Wall& node, Point p, bool negative) {
  const double eN1 = node.tStart != 0.0 ? 0.5 : 0.0, eN2 = node.tEnd != 1.0 ? 0.5 : 0.0;
  const double ax = bsp::diff(node.x2, node.x1), ay = bsp::diff(node.y2, node.y1);
  const double bx = p.x - node.x1, by = p.y - node.y1;
  const double side = bx * -ay + by * ax;
  const double la = std::fabs(ax) + std::fabs(ay), lb = std::fabs(bx) + std::fabs(by);
  // Moving each end point within its rounding changes the cross product by
  // at most this much; the last term absorbs the arithmetic's own error.
  const double tol = la * (p.e + eN1) + lb * (eN1 + eN2) + 2 * (eN1 + eN2) * (p.e + eN1) + 1e-9 * (la * lb + 1);
  return negative ? side <= tol : side >= -tol;
}

// How far a piece's end points may lie from its part of the source wall: a
// point is exact where the piece starts (or ends) with its source wall.
double firstError(const Wall& r) { return r.tStart != 0.0 ? 0.5 : 0.0; }
double secondError(const Wall& r) { return r.tEnd != 1.0 ? 0.5 : 0.0; }

// The piece extended by its range to the point of its source wall at `t`
// (0 its start, 1 its end), with how far off that point may be.
Point sourcePoint(const Wall& r, double t) {
  const double f = (t - r.tStart) / (r.tEnd - r.tStart);
  const double e1 = firstError(r), e2 = secondError(r);
  return {r.x1 + f * bsp::diff(r.x2, r.x1), r.y1 + f * bsp::diff(r.y2, r.y1), e1 + std::fabs(f) * (e1 + e2)};
}

bool placed(const Wall& r, const Wall& node, bool negative) {
  if (onSide(node, {double(r.x1), double(r.y1), firstError(r)}, negative) &&
      onSide(node, {double(r.x2), double(r.y2), secondError(r)}, negative))
    return true;
  // Sorted by its source wall's first end point.
  if (!(r.tEnd - r.tStart > 0)) return false;
  return onSide(node, sourcePoint(r, 0), negative);
}

// A source wall found again from its pieces: where it starts and ends, as
// well as the pieces' rounded end points tell, and the ranges taken so far.
struct SourceWall {
  double sx, sy, ex, ey, e;
  Long first;  // the first piece met
  std::vector<std::pair<double, double>> ranges;
};

// Pieces of one source wall must share its attributes. Walls get no wallID
// from every operation (many hold 0), so a piece's source wall is the wall
// with its wallID whose segment, extended from the piece by its range,
// coincides, and whose pieces met so far do not already cover that range (an
// exact copy of a wall is a different source wall). A whole wall (range 0 to
// 1) is its source wall's only piece.
std::optional<std::string> sharedAttributes(std::span<const Wall> walls) {
  std::unordered_map<std::uint64_t, std::vector<SourceWall>> byId;
  for (Long i = 0; i < static_cast<Long>(walls.size()); ++i) {
    const Wall& w = walls[i];
    const double t0 = w.tStart, t1 = w.tEnd, len = t1 - t0;
    if ((t0 == 0.0 && t1 == 1.0) || !(len > 0) || !std::isfinite(len)) continue;
    const Point start = sourcePoint(w, 0), end = sourcePoint(w, 1);
    SourceWall src{start.x, start.y, end.x, end.y, std::max(start.e, end.e) + 1e-6, i, {{t0, t1}}};
    // A piece too short to tell its source wall's ends within two units
    // (its end points are rounded to whole units) cannot be placed.
    if (src.e > 2) continue;
    auto& known = byId[std::bit_cast<std::uint64_t>(w.wallID)];
    SourceWall* same = nullptr;
    for (SourceWall& k : known) {
      const double tol = k.e + src.e;
      if (std::fabs(k.sx - src.sx) > tol || std::fabs(k.sy - src.sy) > tol || std::fabs(k.ex - src.ex) > tol ||
          std::fabs(k.ey - src.ey) > tol)
        continue;
      bool overlaps = false;
      for (auto [a, b] : k.ranges) overlaps = overlaps || (t0 < b - 1e-9 && a < t1 - 1e-9);
      if (!overlaps) {
        same = &k;
        break;
      }
    }
    if (!same) {
      known.push_back(std::move(src));
      continue;
    }
    same->ranges.emplace_back(t0, t1);
    if (const char* what = differingAttribute(walls[same->first], w))
      return rec(same->first) + " and " + rec(i) + " are pieces of one source wall (wallID " + formatNumber(w.wallID) +
             ") but differ in " + what;
  }
  return std::nullopt;
}

}  // namespace

TreeCheck validateTree(std::span<const Wall> walls) {
  const Long n = static_cast<Long>(walls.size());
  if (n == 0) return violation("the map binary holds no walls, so there is no root");

  // Links: each child named once, by one parent.
  std::vector<Long> parent(n, -1);
  std::vector<bool> negative(n, false);
  for (Long i = 0; i < n; ++i) {
    for (bool neg : {true, false}) {
      const Long c = neg ? walls[i].negChild : walls[i].posChild;
      const char* link = neg ? "negChild" : "posChild";
      if (c == 0) continue;
      if (c < 0 || c >= n)
        return violation(rec(i) + ": " + link + " " + std::to_string(c) + " is not a record (0 to " +
                         std::to_string(n - 1) + ")");
      if (c == i) return violation(rec(i) + ": " + link + " names the record itself");
      if (parent[c] != -1) return violation(rec(c) + " is the child of " + rec(parent[c]) + " and again of " + rec(i));
      parent[c] = i;
      negative[c] = neg;
    }
  }
  for (Long i = 1; i < n; ++i)
    if (parent[i] == -1) return violation(rec(i) + " is the child of no record");

  // Reachable from the root: with one parent each, the rest would be cycles.
  std::vector<bool> reached(n, false);
  std::vector<Long> todo{0};
  Long seen = 0;
  while (!todo.empty()) {
    Long i = todo.back();
    todo.pop_back();
    if (reached[i]) continue;
    reached[i] = true;
    ++seen;
    for (Long c : {walls[i].negChild, walls[i].posChild})
      if (c != 0) todo.push_back(c);
  }
  if (seen != n)
    for (Long i = 0; i < n; ++i)
      if (!reached[i]) return violation(rec(i) + " cannot be reached from the root: its links form a cycle");

  if (const auto problem = sharedAttributes(walls)) return violation(*problem);

  // Sides: every record against each of its ancestors.
  for (Long i = 1; i < n; ++i)
    for (Long c = i, p = parent[i]; p != -1; c = p, p = parent[p])
      if (!placed(walls[i], walls[p], negative[c]))
        return violation(rec(i) + " is in the " + (negative[c] ? "negative" : "non-negative") + " subtree of " +
                         rec(p) + " but lies on its " + (negative[c] ? "non-negative" : "negative") + " side");

  TreeCheck ok;
  ok.ok = true;
  ok.pieces = n;
  return ok;
}

TreeCheck validateMapBinary(const MapFileContents& contents) {
  if (contents.wallSections.empty()) return violation("the file has no walls section");
  const auto& w = contents.wallSections.back();
  if (w.type != kSectionCompiledWalls)
    return violation("the walls section has type " + std::to_string(w.type) +
                     ", not 8: the file is a map, not a compiled map binary");
  return validateTree(w.walls);
}

}  // namespace kv
