#include "view/drawtree.h"

#include <algorithm>
#include <string>

namespace kv {

namespace {

void place(int node, int level, int& nextColumn, TreeDemoPlace (&places)[std::size(kTreeDemo)]) {
  if (node < 0) return;
  place(kTreeDemo[node].left, level + 1, nextColumn, places);
  places[node] = {nextColumn++, level};
  place(kTreeDemo[node].right, level + 1, nextColumn, places);
}

float columnX(int column) { return kTreeLeft + kTreeStep * static_cast<float>(column); }
float levelY(int level) { return kTreeTop + kTreeStep * static_cast<float>(level); }

// The lines from a node to its children, then the children's own, walking
// down the tree as the places were given out.
void drawFrom(Surface& s, int node, const TreeDemoPlace (&places)[std::size(kTreeDemo)]) {
  for (int child : {kTreeDemo[node].left, kTreeDemo[node].right}) {
    if (child < 0) continue;
    s.line(columnX(places[node].column), levelY(places[node].level), columnX(places[child].column),
           levelY(places[child].level), kTreeRed);
    drawFrom(s, child, places);
  }
}

}  // namespace

void placeTreeDemo(TreeDemoPlace (&places)[std::size(kTreeDemo)]) {
  int nextColumn = 0;
  place(0, 0, nextColumn, places);
}

void drawTree(Surface& s) {
  const DrawMode mode = s.drawMode();
  const int width = s.drawWidth();
  const Long fore = s.foreColor();
  s.setDrawMode(DrawMode::Copy);
  s.setDrawWidth(1);
  s.setForeColor(kTreeRed);
  s.printText(kTreeTitleX, kTreeTitleY, kDrawTreeTitle);
  TreeDemoPlace places[std::size(kTreeDemo)];
  placeTreeDemo(places);
  drawFrom(s, 0, places);
  // The names under their columns, below the lowest level.
  int deepest = 0;
  for (const TreeDemoPlace& p : places) deepest = std::max(deepest, p.level);
  for (size_t i = 0; i < std::size(kTreeDemo); ++i)
    s.printText(columnX(places[i].column) - 3, levelY(deepest) + 4, std::string(1, kTreeDemo[i].name));
  s.setDrawMode(mode);
  s.setDrawWidth(width);
  s.setForeColor(fore);
}

}  // namespace kv
