// "Draw Tree": a fixed demonstration of a recursive tree walk drawn on the
// map view. It touches neither the map nor any file.
#pragma once
#include <iterator>

#include "model/clsMap.h"
#include "view/surface.h"

namespace kv {

inline constexpr const char* kDrawTreeTitle = "Recursive Tree";
// Columns and levels of the drawing are this many surface units apart.
inline constexpr float kTreeStep = 10;
// Where the title is printed and where the root's level and the first
// column lie.
inline constexpr float kTreeTitleX = 10, kTreeTitleY = 10;
inline constexpr float kTreeLeft = 20, kTreeTop = 40;
inline constexpr Long kTreeRed = rgb(255, 0, 0);

// A node of the demonstration tree: A with children B and C, B with
// children D and E.
struct TreeDemoNode {
  char name;
  int left, right;  // indexes of the children, -1 for none
};
inline constexpr TreeDemoNode kTreeDemo[] = {{'A', 1, 2}, {'B', 3, 4}, {'C', -1, -1}, {'D', -1, -1}, {'E', -1, -1}};

// Where a node is drawn: its column (given out left to right as the walk
// reaches the nodes in order: D, B, E, A, C) and its level (0 for A).
struct TreeDemoPlace {
  int column = 0, level = 0;
};

// The places of kTreeDemo's nodes, by a recursive in-order walk from A.
void placeTreeDemo(TreeDemoPlace (&places)[std::size(kTreeDemo)]);

// Prints the title and draws the tree in red lines from each node to its
// children, each node's name printed under its column. The pen is left as
// it was.
void drawTree(Surface& s);

}  // namespace kv
