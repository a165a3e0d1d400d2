#include "io/wadimport.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "model/numbers.h"

namespace kv {
namespace {

// One wall to be: a side of a line, running so that its own sector lies on
// its negative side in map coordinates, as the engine expects of a wall of
// its own area.
struct PendingWall {
  int line = 0;
  int fromX = 0, fromY = 0, toX = 0, toY = 0;  // level coordinates, in the wall's direction
  Long x1 = 0, y1 = 0, x2 = 0, y2 = 0;         // map coordinates
  Long h1 = 0, h2 = 0, h3 = 0, h4 = 0;
  Long wallTx = 0, frontFloorTx = 0, frontCeilTx = 0, backFloorTx = 0, backCeilTx = 0;
};

std::string scaleText(double s) { return formatNumber(s); }

std::uint64_t pointKey(int x, int y) {
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32 | static_cast<std::uint32_t>(y);
}

// The walls of one sector in boundary order: each chain follows the wall that
// starts where the last one ended, so a sector that is a simple polygon comes
// out as one closed run.
std::vector<PendingWall> boundaryOrder(const std::vector<PendingWall>& walls) {
  std::unordered_multimap<std::uint64_t, size_t> byStart;
  for (size_t i = 0; i < walls.size(); ++i) byStart.emplace(pointKey(walls[i].fromX, walls[i].fromY), i);
  std::vector<char> used(walls.size(), 0);
  std::vector<PendingWall> out;
  out.reserve(walls.size());
  for (size_t first = 0; first < walls.size(); ++first) {
    if (used[first]) continue;
    size_t cur = first;
    for (;;) {
      used[cur] = 1;
      out.push_back(walls[cur]);
      // Of several walls leaving one point, the one of the lowest line.
      auto [b, e] = byStart.equal_range(pointKey(walls[cur].toX, walls[cur].toY));
      size_t next = walls.size();
      for (auto it = b; it != e; ++it)
        if (!used[it->second] && it->second < next) next = it->second;
      if (next == walls.size()) break;
      cur = next;
    }
  }
  return out;
}

}  // namespace

std::uint32_t wadNameHash(std::string_view name) {
  // 32-bit FNV-1a over the name's upper-case bytes, at most 8, up to a zero byte.
  std::uint32_t h = 2166136261u;
  for (size_t i = 0; i < name.size() && i < 8 && name[i]; ++i) {
    auto c = static_cast<unsigned char>(name[i]);
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    h = (h ^ c) * 16777619u;
  }
  return h;
}

Long wadWallTexture(std::string_view name) { return static_cast<Long>(wadNameHash(name) % 11); }
Long wadFlatTexture(std::string_view name) { return static_cast<Long>(wadNameHash(name) % 16); }

namespace {

// How the level is laid out on the map: the scale, the level's extent, the
// area each sector becomes and each sector's walls before they are written.
struct ImportPlan {
  double s = 1;
  int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
  std::vector<Long> wallsOfSector, areaOf;
  std::vector<std::vector<PendingWall>> pending;

  // The level's left edge and top edge (its largest y, since the plan view's
  // y points down) kept kImportMargin from the origin.
  Long mapX(double x) const { return static_cast<Long>(roundHalfEven(s * (x - minX))) + kImportMargin; }
  Long mapY(double y) const { return static_cast<Long>(roundHalfEven(s * (maxY - y))) + kImportMargin; }
  Long height(int h) const { return static_cast<Long>(roundHalfEven(s * h)); }
};

// Counts the walls (one per side) and areas (one per sector with walls) the
// level needs and checks that they, its extent and its heights fit a map.
bool planFits(const WadLevel& lv, const std::string& level, ImportPlan& plan, std::string& problem) {
  const double s = plan.s;
  const auto nSectors = lv.sectors.size();
  plan.wallsOfSector.assign(nSectors, 0);
  Long wallsNeeded = 0;
  for (const WadLine& l : lv.lines) {
    for (int sd : {l.right, l.left})
      if (sd >= 0) {
        ++plan.wallsOfSector[lv.sides[sd].sector];
        ++wallsNeeded;
      }
    for (int v : {l.v1, l.v2}) {
      const WadVertex& p = lv.vertexes[v];
      plan.minX = std::min(plan.minX, p.x), plan.maxX = std::max(plan.maxX, p.x);
      plan.minY = std::min(plan.minY, p.y), plan.maxY = std::max(plan.maxY, p.y);
    }
  }
  plan.areaOf.assign(nSectors, -1);
  Long areasNeeded = 0;
  for (size_t k = 0; k < nSectors; ++k)
    if (plan.wallsOfSector[k] > 0) plan.areaOf[k] = areasNeeded++;
  if (wallsNeeded > kWallSlots || areasNeeded > kAreaSlots) {
    problem = level + " needs";
    if (wallsNeeded > kWallSlots) problem += " " + std::to_string(wallsNeeded) + " walls";
    if (wallsNeeded > kWallSlots && areasNeeded > kAreaSlots) problem += " and";
    if (areasNeeded > kAreaSlots) problem += " " + std::to_string(areasNeeded) + " areas";
    problem +=
        "; a map holds at most " + std::to_string(kWallSlots) + " walls and " + std::to_string(kAreaSlots) + " areas";
    return false;
  }
  const double spanX = s * (static_cast<double>(plan.maxX) - plan.minX);
  const double spanY = s * (static_cast<double>(plan.maxY) - plan.minY);
  if (spanX + kImportMargin > kImportMaxCoordinate || spanY + kImportMargin > kImportMaxCoordinate) {
    problem = "at scale " + scaleText(s) + " " + level + " spans " + formatNumber(roundHalfEven(spanX)) + " by " +
              formatNumber(roundHalfEven(spanY)) + " map units; at most " +
              std::to_string(kImportMaxCoordinate - kImportMargin) + " fit, so use a smaller scale";
    return false;
  }
  for (const WadSector& sec : lv.sectors)
    for (int h : {sec.floor, sec.ceil})
      if (std::abs(s * h) > kImportMaxCoordinate) {
        problem = "at scale " + scaleText(s) + " the heights of " + level + " reach " +
                  formatNumber(roundHalfEven(s * h)) + "; at most " + std::to_string(kImportMaxCoordinate) +
                  " fit, so use a smaller scale";
        return false;
      }
  return true;
}

// The wall of one side (0 front, 1 back) of line i, in its sector's area.
PendingWall sideWall(const WadLevel& lv, const ImportPlan& plan, size_t i, int side) {
  const WadLine& l = lv.lines[i];
  const WadVertex &a = lv.vertexes[l.v1], &b = lv.vertexes[l.v2];
  const int other = side == 0 ? l.left : l.right;
  const WadSide& own = lv.sides[side == 0 ? l.right : l.left];
  const WadSector& sec = lv.sectors[own.sector];
  const WadSector* far = other >= 0 ? &lv.sectors[lv.sides[other].sector] : nullptr;
  PendingWall w;
  w.line = static_cast<int>(i);
  // The front sidedef's sector lies right of v1 -> v2 with y up; with y
  // down that is the positive side, so its wall runs v2 -> v1. The back
  // sector's wall runs v1 -> v2.
  const WadVertex &from = side == 0 ? b : a, &to = side == 0 ? a : b;
  w.fromX = from.x, w.fromY = from.y, w.toX = to.x, w.toY = to.y;
  w.x1 = plan.mapX(from.x), w.y1 = plan.mapY(from.y), w.x2 = plan.mapX(to.x), w.y2 = plan.mapY(to.y);
  const Long f = plan.height(sec.floor), c = plan.height(sec.ceil);
  w.frontFloorTx = wadFlatTexture(sec.floorFlat);
  w.frontCeilTx = wadFlatTexture(sec.ceilFlat);
  if (!far) {
    // Solid from the floor to the ceiling.
    w.h1 = f, w.h2 = c, w.h3 = c, w.h4 = c;
    w.wallTx = wadWallTexture(own.middle);
    w.backFloorTx = w.frontFloorTx;
    w.backCeilTx = w.frontCeilTx;
  } else {
    // Solid up to the higher floor, open up to the lower ceiling, solid
    // from there to the higher ceiling.
    const Long F = plan.height(far->floor), C = plan.height(far->ceil);
    w.h1 = f, w.h2 = std::max(f, F), w.h3 = std::min(c, C), w.h4 = std::max(c, C);
    // The texture seen from this side: the step's, else the lintel's,
    // else the one drawn across the opening.
    const std::string& tx = far->floor > sec.floor ? own.lower : far->ceil < sec.ceil ? own.upper : own.middle;
    w.wallTx = wadWallTexture(tx);
    w.backFloorTx = wadFlatTexture(far->floorFlat);
    w.backCeilTx = wadFlatTexture(far->ceilFlat);
  }
  return w;
}

// The walls of each sector, in line order; false when a line would shrink
// to a point at this scale.
bool collectWalls(const WadLevel& lv, const std::string& level, ImportPlan& plan, std::string& problem) {
  plan.pending.assign(lv.sectors.size(), {});
  for (size_t k = 0; k < lv.sectors.size(); ++k) plan.pending[k].reserve(static_cast<size_t>(plan.wallsOfSector[k]));
  for (size_t i = 0; i < lv.lines.size(); ++i) {
    const WadLine& l = lv.lines[i];
    const WadVertex &a = lv.vertexes[l.v1], &b = lv.vertexes[l.v2];
    if (plan.mapX(a.x) == plan.mapX(b.x) && plan.mapY(a.y) == plan.mapY(b.y)) {
      problem = "at scale " + scaleText(plan.s) + " linedef " + std::to_string(i) + " of " + level +
                " shrinks to a point; use a larger scale";
      return false;
    }
    for (int side : {0, 1})
      if ((side == 0 ? l.right : l.left) >= 0)
        plan.pending[lv.sides[side == 0 ? l.right : l.left].sector].push_back(sideWall(lv, plan, i, side));
  }
  return true;
}

// Writes the planned areas and walls into the map: areas in sector order,
// each area's walls one contiguous run linked in index order. The paste
// template and the buffers the operations go through are given back after.
void writeAreas(const WadLevel& lv, const ImportPlan& plan, clsMap& map, WadImportSummary& sum) {
  const auto kept =
      std::make_tuple(map.areaName, map.curArea, map.pasteH1, map.pasteH2, map.pasteH3, map.pasteH4, map.pasteWallTx,
                      map.pasteFrontFloorTx, map.pasteFrontCeilTx, map.pasteBackFloorTx, map.pasteBackCeilTx);
  map.wallCount = 0;
  map.areaCount = 0;
  map.selectedWall = map.selectedArea = -1;
  for (size_t k = 0; k < lv.sectors.size(); ++k) {
    if (plan.areaOf[k] < 0) {
      ++sum.sectorsWithoutWalls;
      continue;
    }
    const WadSector& sec = lv.sectors[k];
    map.pasteH1 = map.pasteH2 = plan.height(sec.floor);
    map.pasteH3 = map.pasteH4 = plan.height(sec.ceil);
    map.areaName = "Sector" + std::to_string(k);
    const Long first = map.wallCount;
    map.startArea(first, 0);
    const auto ordered = boundaryOrder(plan.pending[k]);
    for (size_t j = 0; j < ordered.size(); ++j) {
      const PendingWall& w = ordered[j];
      map.pasteH1 = w.h1, map.pasteH2 = w.h2, map.pasteH3 = w.h3, map.pasteH4 = w.h4;
      map.pasteWallTx = w.wallTx;
      map.pasteFrontFloorTx = w.frontFloorTx, map.pasteFrontCeilTx = w.frontCeilTx;
      map.pasteBackFloorTx = w.backFloorTx, map.pasteBackCeilTx = w.backCeilTx;
      const Long next = j + 1 == ordered.size() ? -1 : map.wallCount + 1;
      map.addWall(w.x1, w.y1, w.x2, w.y2, first, next);
    }
    map.endArea();
  }
  std::tie(map.areaName, map.curArea, map.pasteH1, map.pasteH2, map.pasteH3, map.pasteH4, map.pasteWallTx,
           map.pasteFrontFloorTx, map.pasteFrontCeilTx, map.pasteBackFloorTx, map.pasteBackCeilTx) = kept;
  map.polishNextSeg();
  sum.walls = map.wallCount;
  sum.areas = map.areaCount;
}

}  // namespace

std::optional<WadImportSummary> importWadLevel(const WadLevel& lv, const WadImportOptions& options, clsMap& map,
                                               std::string& problem) {
  ImportPlan plan;
  plan.s = options.scale;
  if (!std::isfinite(plan.s) || plan.s <= 0) {
    problem = "the scale must be a number greater than 0";
    return std::nullopt;
  }
  const std::string level = "level " + lv.name;
  if (lv.lines.empty()) {
    problem = level + " has no lines";
    return std::nullopt;
  }
  if (!planFits(lv, level, plan, problem) || !collectWalls(lv, level, plan, problem)) return std::nullopt;

  // Only now the document changes.
  WadImportSummary sum;
  sum.lines = static_cast<Long>(lv.lines.size());
  sum.sectors = static_cast<Long>(lv.sectors.size());
  writeAreas(lv, plan, map, sum);

  // The viewer at the first player's start, facing its angle (counterclockwise
  // from +x with y up; the flip of y turns it into the plan view's clockwise
  // degrees), the eye at the player's height.
  auto start =
      std::find_if(lv.things.begin(), lv.things.end(), [](const WadThing& t) { return t.type == kPlayerOneStart; });
  sum.playerStart = start != lv.things.end();
  sum.thingsDropped = static_cast<Long>(lv.things.size()) - (sum.playerStart ? 1 : 0);
  if (sum.playerStart) {
    map.viewerX = roundHalfEven(plan.s * (static_cast<double>(start->x) - plan.minX)) + kImportMargin;
    map.viewerY = roundHalfEven(plan.s * (static_cast<double>(plan.maxY) - start->y)) + kImportMargin;
    map.viewerDir = static_cast<Integer>((360 - ((start->angle % 360) + 360) % 360) % 360);
    map.viewerZ = std::max<Long>(1, static_cast<Long>(roundHalfEven(plan.s * kImportEyeHeight)));
  }
  return sum;
}

std::optional<WadImportSummary> importWad(const std::vector<unsigned char>& bytes, std::string_view level,
                                          const WadImportOptions& options, clsMap& map, std::string& problem) {
  auto dir = readWadDirectory(bytes, problem);
  if (!dir) return std::nullopt;
  auto lv = readWadLevel(bytes, *dir, level, problem);
  if (!lv) return std::nullopt;
  return importWadLevel(*lv, options, map, problem);
}

}  // namespace kv
