#include "engine/world.h"

#include <algorithm>
#include <cmath>

namespace kv::engine {

namespace {

// How far beside a piece's middle the areas on its two sides are looked up.
constexpr double kSideProbe = 0.5;

double diff(Long a, Long b) { return static_cast<double>(static_cast<std::int64_t>(a) - b); }

const MapGlobal* findGlobal(std::span<const MapGlobal> globals, const char* name) {
  // The last of a name wins, as a later line wins in a header.
  const MapGlobal* found = nullptr;
  for (const MapGlobal& g : globals)
    if (g.name.trimmed() == name) found = &g;
  return found;
}

double globalOr(std::span<const MapGlobal> globals, const char* name, double fallback) {
  const MapGlobal* g = findGlobal(globals, name);
  return g && std::isfinite(g->value) ? g->value : fallback;
}

}  // namespace

bool AreaShape::contains(double x, double y) const {
  if (x < minX || x > maxX || y < minY || y > maxY) return false;
  bool in = false;
  for (const Edge& e : edges)
    if ((e.y1 > y) != (e.y2 > y) && x < e.x1 + (y - e.y1) * (e.x2 - e.x1) / (e.y2 - e.y1)) in = !in;
  return in;
}

Long World::areaAt(double x, double y) const {
  Long best = -1;
  for (size_t i = 0; i < areas.size(); ++i) {
    const AreaShape& a = areas[i];
    if (a.size <= 0 || (best >= 0 && a.size >= areas[best].size)) continue;
    if (a.contains(x, y)) best = static_cast<Long>(i);
  }
  return best;
}

std::optional<World> World::fromContents(const MapFileContents& c, std::string& problem) {
  if (c.wallSections.empty()) {
    problem = "the file has no walls section";
    return std::nullopt;
  }
  const auto& w = c.wallSections.back();
  if (w.type != kSectionCompiledWalls) {
    problem = "its walls are those of an editable map, not a compiled tree; compile the map first";
    return std::nullopt;
  }
  static const std::vector<Area> noAreas;
  static const std::vector<MapGlobal> noGlobals;
  const auto& areas = c.areaSections.empty() ? noAreas : c.areaSections.back();
  const auto& globals = c.globalSections.empty() ? noGlobals : c.globalSections.back();
  Start s{w.viewerX, w.viewerY, w.viewerZ, w.viewerDir};
  return fromRecords(w.walls, areas, globals, s, problem);
}

std::optional<World> World::fromRecords(std::span<const Wall> walls, std::span<const Area> areas,
                                        std::span<const MapGlobal> globals, Start start, std::string& problem) {
  const Long n = static_cast<Long>(walls.size());
  // The tree must be a tree: links inside the table, nobody's child twice,
  // the root nobody's child. Then every walk from the root ends.
  std::vector<unsigned char> parents(walls.size(), 0);
  for (Long i = 0; i < n; ++i)
    for (Long c : {walls[i].negChild, walls[i].posChild}) {
      if (c == 0) continue;
      if (c < 1 || c >= n) {
        problem = "record " + std::to_string(i) + " links to record " + std::to_string(c) +
                  ", which is not in the tree";
        return std::nullopt;
      }
      if (parents[c]++) {
        problem = "record " + std::to_string(c) + " is the child of two records";
        return std::nullopt;
      }
    }

  World world;
  world.start = start;
  world.outsideFloor = globalOr(globals, "Floor Height", 8);
  world.maxStep = globalOr(globals, "Max Step Height", 25);
  const bool override = globalOr(globals, "Overide CeilFloor", 0) != 0;
  const double globalCeil = globalOr(globals, "Ceil Height", 264);

  world.areas.resize(areas.size());
  for (size_t k = 0; k < areas.size(); ++k) {
    AreaShape& s = world.areas[k];
    s.name = areas[k].name.trimmed();
    // "Floor end" is the floor, unless it reaches the ceiling (the room
    // wizard's rooms carry their ceiling height there): then "Floor beg".
    const Area& a = areas[k];
    s.floor = override ? world.outsideFloor : a.floorEnd < a.ceilEnd ? a.floorEnd : a.floorBeg;
    s.ceil = override ? globalCeil : a.ceilEnd;
    s.ceil = std::max(s.ceil, s.floor);
  }

  world.pieces.resize(walls.size());
  for (Long i = 0; i < n; ++i) {
    const Wall& w = walls[i];
    Piece& p = world.pieces[i];
    p.index = i;
    p.x1 = w.x1, p.y1 = w.y1, p.x2 = w.x2, p.y2 = w.y2;
    p.a = diff(w.y1, w.y2);
    p.b = diff(w.x2, w.x1);
    p.length = std::hypot(p.a, p.b);
    p.degenerate = p.length == 0;
    p.ux = p.degenerate ? 1 : p.b / p.length;
    p.uy = p.degenerate ? 0 : -p.a / p.length;
    p.child[kNeg] = w.negChild;
    p.child[kPos] = w.posChild;
    p.lowTop = std::max(w.h1, w.h2);
    p.upBottom = std::min(w.h3, w.h4);
    p.top = std::max({w.h1, w.h2, w.h3, w.h4});
    p.wallTx = w.wallTx;
    p.light = 0.75 + 0.25 * std::abs(p.ux);
    if (!p.degenerate && w.area >= 0 && w.area < static_cast<Long>(areas.size()))
      world.areas[w.area].edges.push_back({p.x1, p.y1, p.x2, p.y2});
  }

  for (AreaShape& s : world.areas) {
    if (s.edges.empty()) continue;
    s.minX = s.maxX = s.edges[0].x1;
    s.minY = s.maxY = s.edges[0].y1;
    double twice = 0;
    for (const auto& e : s.edges) {
      s.minX = std::min({s.minX, e.x1, e.x2});
      s.maxX = std::max({s.maxX, e.x1, e.x2});
      s.minY = std::min({s.minY, e.y1, e.y2});
      s.maxY = std::max({s.maxY, e.y1, e.y2});
      twice += e.x1 * e.y2 - e.x2 * e.y1;
    }
    s.size = std::abs(twice) / 2;
  }

  // What lies on each side of each piece, and which side is its front.
  for (Long i = 0; i < n; ++i) {
    Piece& p = world.pieces[i];
    const Wall& w = walls[i];
    if (!p.degenerate) {
      double mx = (p.x1 + p.x2) / 2, my = (p.y1 + p.y2) / 2;
      double nx = p.a / p.length * kSideProbe, ny = p.b / p.length * kSideProbe;
      p.area[kNeg] = world.areaAt(mx - nx, my - ny);
      p.area[kPos] = world.areaAt(mx + nx, my + ny);
      if (w.area >= 0 && w.area < static_cast<Long>(world.areas.size())) {
        const AreaShape& own = world.areas[w.area];
        if (own.contains(mx + nx, my + ny) && !own.contains(mx - nx, my - ny)) p.front = kPos;
      }
    }
    const Side back = p.front == kNeg ? kPos : kNeg;
    p.floorTx[p.front] = w.frontFloorTx;
    p.ceilTx[p.front] = w.frontCeilTx;
    p.floorTx[back] = w.backFloorTx;
    p.ceilTx[back] = w.backCeilTx;
  }
  return world;
}

}  // namespace kv::engine
