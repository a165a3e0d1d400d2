// The developer tools of the Test menu around polygons: test polygons written
// into the side-def table for the tree tools, a line crossing test over that
// table and a drawing test pattern. None of them touches the map's walls or
// areas ("Test Poly" is clsMap::testPtinPoly).
#pragma once
#include <functional>
#include <vector>

#include "bsp/sidedef.h"
#include "view/surface.h"

namespace kv {

// A regular n-gon traced from (x, y), first side in +y, clockwise (Surround)
// or counterclockwise (Col), written at the table's count, which grows by n.
// The corners accumulate unrounded; only the stored end points are rounded.
// Throws MapError, writing nothing, when n < 1 or the records do not fit.
void addSideDefPolySurround(SideDefTable& t, Integer n, Long x, Long y, Long len);
void addSideDefPolyCol(SideDefTable& t, Integer n, Long x, Long y, Long len, Long h3);

// "DrawRoom": a room of eight sides around four pentagon columns and an
// octagon, from record 0, linked into one work list.
void drawRoom(SideDefTable& t);
// "MultiPoly": a clockwise 16-gon of side 400 from (2500, 1000) in records 0 to 15.
void multiPoly(SideDefTable& t);

// The test segment of "Intersect", in map units.
inline constexpr Long kIntersectX1 = 300, kIntersectY1 = 2500, kIntersectX2 = 423, kIntersectY2 = 3000;
// "Intersect": the side-def records the test segment crosses (ends included).
// Each hit calls `beep` and is added to `hits` when there is a list.
void intersectSideDefs(const SideDefTable& t, std::vector<Long>* hits, const std::function<void()>& beep = {});

// "Checkerboard": 8-by-8 blocks of red and black over 79 by 79 surface units,
// drawn as lines from the current position.
void checkerboard(Surface& s);

}  // namespace kv
