// A compiled map as the engine holds it: the pieces of the tree with what the
// renderer and the viewer need of them worked out once at load, and the
// areas as closed outlines with their heights, textures and the area that
// encloses each of them.
#pragma once
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/textures.h"
#include "io/mapfile.h"
#include "model/records.h"

namespace kv::engine {

// The height of the sky: space outside every area has no ceiling.
constexpr double kSky = std::numeric_limits<double>::infinity();

enum Side { kNeg = 0, kPos = 1 };
inline Side otherSide(Side s) { return s == kNeg ? kPos : kNeg; }

struct Piece {
  // What drawing every piece reads comes first, in one cache line.
  double x1, y1, x2, y2;  // end points
  double a, b;            // side value D(P) = (P.x - x1) * a + (P.y - y1) * b
  double length;          // 0 for a piece whose end points are the same: neither drawn nor solid
  double high;            // the highest it bounds: its top, or its area's ceiling if higher

  Long index = 0;          // record number in the map binary
  double ux, uy;           // unit direction from the first end point to the second
  Long child[2] = {0, 0};  // [kNeg] = negChild, [kPos] = posChild; 0 = none
  Long own = -1;           // the area the wall belongs to, -1 none
  Side inside = kNeg;      // the side its own area lies on
  // The heights rule: solid up to lowTop, open up to upBottom, solid from
  // there up to top (the highest of the four heights), open above.
  double lowTop, upBottom, top;
  Long wallTx;
  const Texture* wallTex;
  double light;     // 0.75 to 1, by the direction the piece faces
  bool degenerate;  // length 0

  double side(double x, double y) const { return (x - x1) * a + (y - y1) * b; }
};

struct AreaShape {
  std::string name;  // without its padding
  double floor = 0, ceil = 0;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  double size = 0;   // plan area of its outline
  Long parent = -1;  // the smallest area that encloses it, -1 none
  // One floor and one ceiling texture for the whole area (see World).
  Long floorTx = 0, ceilTx = 0;
  const Texture* floorTex = nullptr;
  const Texture* ceilTex = nullptr;
  struct Edge {
    double x1, y1, x2, y2;
  };
  // The pieces that name this area, and straight lines that close its
  // outline where its walls leave gaps (a passage cut between two rooms).
  std::vector<Edge> edges;
  bool contains(double x, double y) const;
};

// Where the viewer starts: the viewer of the map binary's walls section.
struct Start {
  double x = 0, y = 0;
  Long z = 64, dir = 0;
};

// What walking the tree needs of a record, kept apart from the rest of the
// piece so that a walk reads little memory.
struct Node {
  double x1, y1, a, b;
  Long child[2];
  double side(double x, double y) const { return (x - x1) * a + (y - y1) * b; }
};

// The region a subtree of the tree covers: the plan box of its pieces and
// the highest thing they bound (a wall's top, or the ceiling of an area one
// of them belongs to).
struct Bounds {
  double minX, minY, maxX, maxY;
  double top;
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
  std::vector<Node> nodes;     // the same records as `pieces`
  std::vector<Bounds> bounds;  // of the subtree under each record
  std::vector<AreaShape> areas;
  Start start;
  double outsideFloor = 8;  // the "Floor Height" global
  double maxStep = 25;      // the "Max Step Height" global
  const Texture* groundTex = nullptr;

  // The area the point lies in: the smallest area whose outline holds it,
  // -1 outside every area.
  Long areaAt(double x, double y) const;
  double floorOf(Long area) const { return area < 0 ? outsideFloor : areas[area].floor; }
  double ceilOf(Long area) const { return area < 0 ? kSky : areas[area].ceil; }
  // Whether `inner` is `outer` or lies inside it; everything lies inside -1.
  bool within(Long inner, Long outer) const;
  // The area a ray or a walker is in after crossing the piece to side `to`
  // from area `here`: into the piece's area, out of it to the area that
  // encloses it, or unchanged when the piece bounds neither (one of two
  // walls on the same line, crossed after the other).
  Long across(Long here, const Piece& p, Side to) const;
  // A point at least `clearance` away from every piece, moved off a piece it
  // is nearer to towards the side where `area` lies, so that an eye there
  // sees the piece rather than through it.
  void keepClear(double& x, double& y, Long area, double clearance) const;

  // More areas than a map file can hold are refused (the renderer numbers
  // their floors and ceilings in 16 bits).
  static constexpr size_t kMaxAreas = 16000;

 private:
  void findInsides();
  void nestAreas();
  void pickTextures(std::span<const Wall> walls);
  void findBounds();
};

}  // namespace kv::engine
