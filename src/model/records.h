// The records of a map: walls, areas, viewpoints and map globals, in the field
// order and widths the map file stores them.
#pragma once
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "model/numbers.h"

namespace kv {

// A fixed 16-character name: shorter text is padded with blanks, longer text
// is cut. Reading it back yields all 16 characters.
struct Name16 {
  std::array<char, 16> c{};  // a never-used slot holds 16 zero bytes

  Name16() = default;
  explicit Name16(std::string_view s) { assign(s); }
  void assign(std::string_view s) {
    for (size_t i = 0; i < c.size(); ++i) c[i] = i < s.size() ? s[i] : ' ';
  }
  std::string text() const { return std::string(c.data(), c.size()); }
  // The name without its padding, for display.
  std::string trimmed() const {
    std::string t = text();
    while (!t.empty() && (t.back() == ' ' || t.back() == '\0')) t.pop_back();
    return t;
  }
  bool operator==(const Name16&) const = default;
};

struct Wall {
  Long x1 = 0, y1 = 0;
  Long x2 = 0, y2 = 0;
  Long posChild = 0, negChild = 0;
  Long h1 = 0, h2 = 0, h3 = 0, h4 = 0;
  Long wallParamA = 0, wallParamB = 0;
  Long wallTx = 0, frontFloorTx = 0, frontCeilTx = 0, backFloorTx = 0, backCeilTx = 0;
  Long nextSeg = 0;
  double tStart = 0, tEnd = 0;
  Long firstWallOfArea = 0, nextInArea = 0, area = 0, txType = 0;
  std::array<Long, 4> reservedL{};
  double wallID = 0;
  std::array<double, 3> reservedD{};
  bool operator==(const Wall&) const = default;
};

// A wall in its role as a node of the BSP tree, which lives in the wall table.
using TreeSeg = Wall;

struct Area {
  Long firstWall = 0;
  Long size = 0;
  Long flags = 0;
  Long minY = 0, minX = 0, maxY = 0, maxX = 0;
  Long floorBeg = 0, floorEnd = 0, ceilBeg = 0, ceilEnd = 0;
  std::array<Long, 2> reservedL{};
  Integer reservedI = 0;
  Name16 name;
  Long reservedL2 = 0;
  std::array<double, 2> reservedD{};
  bool operator==(const Area&) const = default;
};

struct Viewpoint {
  Name16 name;
  Long x = 0, y = 0, z = 0;
  Long reservedL = 0;
  std::array<double, 4> reservedD{};
  bool operator==(const Viewpoint&) const = default;
};

struct MapGlobal {
  double id = 0;
  Name16 name;
  double value = 0;
  std::array<double, 4> reservedD{};
  bool operator==(const MapGlobal&) const = default;
};

// Calls f(a's field, b's field) for each field that a wall, a side-def record
// and the map's wall buffer have alike: end points, child links, heights,
// parameters and textures. One list serves every copy between them, so no
// copy can leave a field behind or pair two wrong ones.
template <class A, class B, class F>
void forEachWallShapeField(A& a, B& b, F f) {
  f(a.x1, b.x1), f(a.y1, b.y1), f(a.x2, b.x2), f(a.y2, b.y2);
  f(a.posChild, b.posChild), f(a.negChild, b.negChild);
  f(a.h1, b.h1), f(a.h2, b.h2), f(a.h3, b.h3), f(a.h4, b.h4);
  f(a.wallParamA, b.wallParamA), f(a.wallParamB, b.wallParamB);
  f(a.wallTx, b.wallTx), f(a.frontFloorTx, b.frontFloorTx), f(a.frontCeilTx, b.frontCeilTx);
  f(a.backFloorTx, b.backFloorTx), f(a.backCeilTx, b.backCeilTx);
}

// Copies into a the fields forEachWallShapeField lists, and the work-list link
// and the piece's range (a wall or side-def record duplicated as a tree piece).
template <class Rec>
void copyWallPiece(Rec& a, const Rec& b) {
  forEachWallShapeField(a, b, [](auto& to, const auto& from) { to = from; });
  a.nextSeg = b.nextSeg;
  a.tStart = b.tStart;
  a.tEnd = b.tEnd;
}

constexpr Long kWallSlots = 2001;  // indexes 0 to 2000
constexpr Long kAreaSlots = 201;   // areas, viewpoints and globals: 0 to 200

}  // namespace kv
