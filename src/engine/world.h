// A compiled map as the engine holds it: the pieces of the tree with what the
// renderer and the viewer need of them worked out once at load, and the
// areas as polygons with their floor and ceiling heights.
#pragma once
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "io/mapfile.h"
#include "model/records.h"

namespace kv::engine {

// The height of the sky: space outside every area has no ceiling.
constexpr double kSky = std::numeric_limits<double>::infinity();

enum Side { kNeg = 0, kPos = 1 };

struct Piece {
  Long index = 0;           // record number in the map binary
  double x1, y1, x2, y2;    // end points
  double a, b;              // side value D(P) = (P.x - x1) * a + (P.y - y1) * b
  double ux, uy;            // unit direction from the first end point to the second
  double length;
  Long child[2] = {0, 0};   // [kNeg] = negChild, [kPos] = posChild; 0 = none
  Long area[2] = {-1, -1};  // the area just beside the piece on each side, -1 outside
  Side front = kNeg;        // the side its own area lies on
  // The heights rule: solid from the floor up to lowTop, open up to upBottom,
  // solid from there up to the ceiling. top is the highest of the four heights.
  double lowTop, upBottom, top;
  Long wallTx;
  Long floorTx[2], ceilTx[2];  // per side: front textures on the front side
  double light;                // 0.75 to 1, by the direction the piece faces
  bool degenerate;             // both end points the same: neither drawn nor solid

  double side(double x, double y) const { return (x - x1) * a + (y - y1) * b; }
};

struct AreaShape {
  std::string name;  // without its padding
  double floor = 0, ceil = 0;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  double size = 0;  // plan area of its polygon
  struct Edge {
    double x1, y1, x2, y2;
  };
  std::vector<Edge> edges;  // the pieces that name this area
  bool contains(double x, double y) const;
};

// Where the viewer starts: the viewer of the map binary's walls section.
struct Start {
  double x = 0, y = 0;
  Long z = 64, dir = 0;
};

class World {
 public:
  // From a parsed map binary: the last walls section must be a compiled tree
  // (type 8). Nothing with `problem` set when the file cannot be shown.
  static std::optional<World> fromContents(const MapFileContents& c, std::string& problem);
  // From records in memory that hold a compiled tree (record 0 the root,
  // child link 0 none), with the areas and globals that go with them.
  static std::optional<World> fromRecords(std::span<const Wall> walls, std::span<const Area> areas,
                                          std::span<const MapGlobal> globals, Start start, std::string& problem);

  std::vector<Piece> pieces;
  std::vector<AreaShape> areas;
  Start start;
  double outsideFloor = 8;  // the "Floor Height" global
  double maxStep = 25;      // the "Max Step Height" global

  // The area the point lies in: the smallest area whose polygon holds it,
  // -1 outside every area.
  Long areaAt(double x, double y) const;
  double floorOf(Long area) const { return area < 0 ? outsideFloor : areas[area].floor; }
  double ceilOf(Long area) const { return area < 0 ? kSky : areas[area].ceil; }
};

}  // namespace kv::engine
