#include "engine/world.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace kv::engine {

namespace {

// How far beside a piece's middle its sides are probed, in map units.
constexpr double kSideProbe = 0.5;
// How many points of an area are tested against a larger one to find the
// area that encloses it.
constexpr size_t kNestProbes = 8;

double diff(Long a, Long b) { return static_cast<double>(static_cast<std::int64_t>(a) - b); }

const MapGlobal* findGlobal(std::span<const MapGlobal> globals, const char* name) {
  // Names are compared as a map holds them, cut to 16 characters: the map's
  // "Overide CeilFloor" is stored as "Overide CeilFloo". The last of a name
  // wins, as a later line wins in a header.
  const std::string key = Name16(name).trimmed();
  const MapGlobal* found = nullptr;
  for (const MapGlobal& g : globals)
    if (g.name.trimmed() == key) found = &g;
  return found;
}

double globalOr(std::span<const MapGlobal> globals, const char* name, double fallback) {
  const MapGlobal* g = findGlobal(globals, name);
  return g && std::isfinite(g->value) ? g->value : fallback;
}

// The tree must be a tree: links inside the table, nobody's child twice, the
// root nobody's child. Then every walk from the root ends.
bool checkTree(std::span<const Wall> walls, std::string& problem) {
  const Long n = static_cast<Long>(walls.size());
  std::vector<unsigned char> parents(walls.size(), 0);
  for (Long i = 0; i < n; ++i)
    for (Long c : {walls[i].negChild, walls[i].posChild}) {
      if (c == 0) continue;
      if (c < 1 || c >= n) {
        problem =
            "record " + std::to_string(i) + " links to record " + std::to_string(c) + ", which is not in the tree";
        return false;
      }
      if (parents[c]++) {
        problem = "record " + std::to_string(c) + " is the child of two records";
        return false;
      }
    }
  return true;
}

Piece makePiece(const Wall& w, Long index, Long areaCount) {
  Piece p;
  p.index = index;
  p.x1 = w.x1, p.y1 = w.y1, p.x2 = w.x2, p.y2 = w.y2;
  p.a = diff(w.y1, w.y2);
  p.b = diff(w.x2, w.x1);
  p.length = std::hypot(p.a, p.b);
  p.degenerate = p.length == 0;
  p.ux = p.degenerate ? 1 : p.b / p.length;
  p.uy = p.degenerate ? 0 : -p.a / p.length;
  p.child[kNeg] = w.negChild;
  p.child[kPos] = w.posChild;
  p.own = w.area >= 0 && w.area < areaCount ? w.area : -1;
  p.lowTop = std::max(w.h1, w.h2);
  p.upBottom = std::min(w.h3, w.h4);
  p.top = std::max({w.h1, w.h2, w.h3, w.h4});
  p.high = p.top;
  p.wallTx = w.wallTx;
  p.wallTex = &texture(Surface::Wall, w.wallTx);
  p.light = 0.75 + 0.25 * std::abs(p.ux);
  return p;
}

// Joins the loose ends of an area's walls in pairs, nearest first, with
// straight edges, so its outline is closed: the passage wizard leaves each
// of the two rooms it joins with a gap where the passage meets it.
void closeOutline(std::vector<AreaShape::Edge>& edges) {
  struct End {
    double x, y;
    int degree = 0, out = 0;
  };
  std::map<std::pair<double, double>, End> ends;
  for (const auto& e : edges) {
    End& a = ends[{e.x1, e.y1}];
    a.x = e.x1, a.y = e.y1, ++a.degree, ++a.out;
    End& b = ends[{e.x2, e.y2}];
    b.x = e.x2, b.y = e.y2, ++b.degree;
  }
  std::vector<End> loose;
  for (const auto& [key, end] : ends)
    if (end.degree % 2) loose.push_back(end);
  while (loose.size() >= 2) {
    size_t best = 1;
    double bestD = kSky;
    for (size_t j = 1; j < loose.size(); ++j) {
      double d = std::hypot(loose[j].x - loose[0].x, loose[j].y - loose[0].y);
      if (d < bestD) bestD = d, best = j;
    }
    // From the end a wall runs into to the end a wall leaves from, so the
    // outline keeps its direction.
    const End& a = loose[0];
    const End& b = loose[best];
    const bool aLeaves = 2 * a.out > a.degree;
    if (aLeaves)
      edges.push_back({b.x, b.y, a.x, a.y});
    else
      edges.push_back({a.x, a.y, b.x, b.y});
    loose.erase(loose.begin() + static_cast<std::ptrdiff_t>(best));
    loose.erase(loose.begin());
  }
}

void measure(AreaShape& s) {
  if (s.edges.empty()) return;
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

// A point just beside a piece's middle on side `s`.
void probe(const Piece& p, Side s, double& x, double& y) {
  const double k = (s == kPos ? kSideProbe : -kSideProbe) / p.length;
  x = (p.x1 + p.x2) / 2 + p.a * k;
  y = (p.y1 + p.y2) / 2 + p.b * k;
}

// Whether area `big` comes after area `small` when areas are ordered by
// size, so that enclosing never runs in a circle.
bool larger(const std::vector<AreaShape>& areas, size_t big, size_t small) {
  return areas[big].size > areas[small].size || (areas[big].size == areas[small].size && big < small);
}

// The value that covers the most length, the lower one on a tie.
Long byLength(const std::map<Long, double>& lengths, Long fallback) {
  Long best = fallback;
  double bestLength = -1;
  for (const auto& [value, length] : lengths)
    if (length > bestLength) best = value, bestLength = length;
  return best;
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

bool World::within(Long inner, Long outer) const {
  if (outer < 0) return true;
  for (Long k = inner; k >= 0; k = areas[k].parent)
    if (k == outer) return true;
  return false;
}

Long World::across(Long here, const Piece& p, Side to) const {
  if (p.own < 0) return here;
  if (to == p.inside) return within(here, p.own) ? here : p.own;
  return within(here, p.own) ? areas[p.own].parent : here;
}

void World::keepClear(double& x, double& y, Long area, double clearance) const {
  // Twice round, for a point in a corner that one move pushes towards the
  // other wall.
  for (int pass = 0; pass < 2; ++pass)
    for (const Piece& p : pieces) {
      if (p.degenerate) continue;
      const double along = (x - p.x1) * p.ux + (y - p.y1) * p.uy;
      if (along < 0 || along > p.length) continue;
      const double d = p.side(x, y) / p.length;  // signed distance from the line
      if (std::abs(d) >= clearance) continue;
      Side s = d < 0 ? kNeg : kPos;
      if (p.own >= 0) s = within(area, p.own) ? p.inside : otherSide(p.inside);
      const double move = (s == kPos ? clearance : -clearance) - d;
      x += p.a / p.length * move;
      y += p.b / p.length * move;
    }
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
  if (!checkTree(walls, problem)) return std::nullopt;
  if (areas.size() > kMaxAreas) {
    problem = std::to_string(areas.size()) + " areas are more than a map can hold";
    return std::nullopt;
  }
  World world;
  world.start = start;
  world.outsideFloor = globalOr(globals, "Floor Height", 8);
  world.maxStep = globalOr(globals, "Max Step Height", 25);
  world.groundTex = &texture(Surface::Floor, 0);
  const bool override = globalOr(globals, "Overide CeilFloor", 0) != 0;
  const double globalCeil = globalOr(globals, "Ceil Height", 264);

  world.areas.resize(areas.size());
  for (size_t k = 0; k < areas.size(); ++k) {
    AreaShape& s = world.areas[k];
    const Area& a = areas[k];
    s.name = a.name.trimmed();
    // "Floor end" is the floor, unless it reaches the ceiling (the room
    // wizard's rooms carry their ceiling height there): then "Floor beg".
    s.floor = override ? world.outsideFloor : a.floorEnd < a.ceilEnd ? a.floorEnd : a.floorBeg;
    s.ceil = std::max(override ? globalCeil : a.ceilEnd, s.floor);
  }
  const Long areaCount = static_cast<Long>(areas.size());
  world.pieces.reserve(walls.size());
  world.nodes.reserve(walls.size());
  for (size_t i = 0; i < walls.size(); ++i) {
    const Piece& p = world.pieces.emplace_back(makePiece(walls[i], static_cast<Long>(i), areaCount));
    world.nodes.push_back({p.x1, p.y1, p.a, p.b, {p.child[kNeg], p.child[kPos]}});
    if (!p.degenerate && p.own >= 0) world.areas[p.own].edges.push_back({p.x1, p.y1, p.x2, p.y2});
  }
  for (AreaShape& s : world.areas) {
    closeOutline(s.edges);
    measure(s);
  }
  for (Piece& p : world.pieces)
    if (p.own >= 0) p.high = std::max(p.top, world.areas[p.own].ceil);
  world.findInsides();
  world.nestAreas();
  world.pickTextures(walls);
  world.findBounds();
  return world;
}

void World::findInsides() {
  // The inside of a piece is the side its own area lies on. When the test
  // cannot tell (an outline that is not closed), it is the negative side,
  // as the room wizard's walls face their room.
  for (Piece& p : pieces) {
    if (p.degenerate || p.own < 0) continue;
    double nx, ny, px, py;
    probe(p, kNeg, nx, ny);
    probe(p, kPos, px, py);
    const AreaShape& own = areas[p.own];
    if (own.contains(px, py) && !own.contains(nx, ny)) p.inside = kPos;
  }
}

void World::nestAreas() {
  // Points just inside each area, beside some of its pieces.
  std::vector<std::vector<std::pair<double, double>>> probes(areas.size());
  for (const Piece& p : pieces) {
    if (p.degenerate || p.own < 0) continue;
    double x, y;
    probe(p, p.inside, x, y);
    if (areas[p.own].contains(x, y)) probes[p.own].emplace_back(x, y);
  }
  // An area lies inside the smallest larger area that holds all its probes.
  for (size_t k = 0; k < areas.size(); ++k) {
    auto& points = probes[k];
    if (points.empty() || areas[k].size <= 0) continue;
    if (points.size() > kNestProbes) {
      std::vector<std::pair<double, double>> spread;
      for (size_t i = 0; i < kNestProbes; ++i) spread.push_back(points[i * points.size() / kNestProbes]);
      points = std::move(spread);
    }
    Long best = -1;
    for (size_t j = 0; j < areas.size(); ++j) {
      if (j == k || areas[j].size <= 0 || !larger(areas, j, k)) continue;
      if (best >= 0 && !larger(areas, static_cast<size_t>(best), j)) continue;
      if (std::all_of(points.begin(), points.end(), [&](auto& q) { return areas[j].contains(q.first, q.second); }))
        best = static_cast<Long>(j);
    }
    areas[k].parent = best;
  }
}

void World::findBounds() {
  // Children before their parents: a parent's bounds take in its children's.
  bounds.resize(pieces.size());
  std::vector<Long> order, stack;
  if (!pieces.empty()) stack.push_back(0);
  while (!stack.empty()) {
    Long i = stack.back();
    stack.pop_back();
    order.push_back(i);
    for (Long c : nodes[i].child)
      if (c) stack.push_back(c);
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const Piece& p = pieces[*it];
    Bounds& b = bounds[*it];
    b = {std::min(p.x1, p.x2), std::min(p.y1, p.y2), std::max(p.x1, p.x2), std::max(p.y1, p.y2), p.top};
    if (p.own >= 0) b.top = std::max(b.top, areas[p.own].ceil);
    for (Long c : p.child) {
      if (!c) continue;
      const Bounds& cb = bounds[c];
      b = {std::min(b.minX, cb.minX), std::min(b.minY, cb.minY), std::max(b.maxX, cb.maxX), std::max(b.maxY, cb.maxY),
           std::max(b.top, cb.top)};
    }
  }
}

void World::pickTextures(std::span<const Wall> walls) {
  // An area's floor and ceiling are those most of its walls' length asks
  // for on the side facing it ("Front Floor Tx", "Front Ceil Tx").
  std::vector<std::map<Long, double>> floors(areas.size()), ceilings(areas.size());
  for (const Piece& p : pieces) {
    if (p.degenerate || p.own < 0) continue;
    floors[p.own][walls[p.index].frontFloorTx] += p.length;
    ceilings[p.own][walls[p.index].frontCeilTx] += p.length;
  }
  for (size_t k = 0; k < areas.size(); ++k) {
    AreaShape& s = areas[k];
    s.floorTx = byLength(floors[k], 0);
    s.ceilTx = byLength(ceilings[k], 0);
    s.floorTex = &texture(Surface::Floor, s.floorTx);
    s.ceilTex = &texture(Surface::Ceiling, s.ceilTx);
  }
}

}  // namespace kv::engine
