// Draws a compiled map from the viewer's eye into a frame buffer.
//
// The tree is walked front to back (at each record the side value of the
// eye picks the near child first). Every column of the frame keeps the range
// of rows still open; each piece fills, in its columns, the ceiling above it
// and the floor below it with those of the area on the eye's side, its solid
// bands with its wall texture, and narrows the open range to its opening.
// A column whose range closes takes nothing more, and the walk stops once
// every column is closed. Rows above a wall's top stay open in a second
// window of the column, so what stands behind a lower wall shows above it.
// Rows still open at the end show the sky above the horizon and the outside
// ground below it.
#pragma once
#include <vector>

#include "engine/gdi.h"
#include "engine/header.h"
#include "engine/world.h"

namespace kv::engine {

struct View {
  double x = 0, y = 0;
  double eye = 64;  // height of the eye in map units (the floor plus the eye height)
  double dir = 0;   // degrees; 0 looks along +x, 90 along +y
};

// Map units per texel of every texture, on walls, floors and ceilings.
constexpr double kTexelSize = 4;

class Renderer {
 public:
  // Draws the world, or a blank (black) frame when there is none.
  void render(const World* world, const View& view, const Settings& settings, FrameBuffer& out);

  // Pieces drawn in the last frame (for tests and the benchmark).
  Long piecesDrawn = 0;

 private:
  struct Frame;
  void drawPiece(Frame& f, const Piece& p);
  void finish(Frame& f);

  // Open rows of each column, top > bottom when there are none: the window
  // the rays of the area they are in pass through, and above it the window
  // of outdoor rays that passed over the top of a wall seen from outside.
  std::vector<int> top_, bottom_, overTop_, overBottom_;
  std::vector<unsigned char> overKind_;
  std::vector<double> rayX_, rayY_;   // each column's ray, one unit deep along the view direction
  std::vector<double> rowDepth_;      // focal length over the row centre's distance below the horizon
  std::vector<std::uint32_t> sky_;    // the sky's colour of each row
  std::vector<Long> stack_;
  Long openColumns_ = 0;
};

}  // namespace kv::engine
