// Draws a compiled map from the viewer's eye into a frame buffer.
//
// The tree is walked front to back (at each record the side value of the
// eye picks the near child first). Every column of the frame keeps a few
// windows: runs of rows whose rays are still travelling, each with the space
// its rays are in, which is an area (the viewer's own to begin with, -1 for
// the open space outside every area) or the space above the roof of an area
// nested in another. A piece met in a column ends each window there: rows
// whose rays reach the space's ceiling or floor before the piece take that
// plane, rows that meet a solid part of the piece take its wall texture, and
// the rest go on as new windows in the space beyond: through the piece's
// opening or over its top, into the area the piece leads to.
//
// Floors and ceilings are not textured while the tree is walked: each plane
// only notes the run of rows it covers in each column, and the planes are
// then drawn row by row in horizontal spans, with the texture stepped along
// each span.
//
// Subtrees whose box lies outside the view are not walked, and pieces whose
// top lies below every open row of their columns, where those rays already
// climb above it, are not drawn: nothing they would change can show.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/gdi.h"
#include "engine/header.h"
#include "engine/world.h"

namespace kv::engine {

struct View {
  double x = 0, y = 0;
  double eye = 64;  // height of the eye in map units (the floor plus the eye height)
  double dir = 0;   // degrees; 0 looks along +x, 90 along +y
  Long area = -2;   // the area the viewer stands in; -2 to find it from x and y
};

// Map units per texel of every texture, on walls, floors and ceilings.
constexpr double kTexelSize = 4;
// How close to a wall an eye is drawn from, in map units, whatever the
// viewer's position: nearer than that the wall would fall behind the
// nearest depth the frame shows.
constexpr double kEyeClearance = 1;

// The colour of the sky on a row of a frame `height` rows high.
std::uint32_t skyColour(Long row, Long height);

class Renderer {
 public:
  // Draws the world, or a blank (black) frame when there is none. The eye is
  // kept between the floor and the ceiling of the viewer's area.
  void render(const World* world, const View& view, const Settings& settings, FrameBuffer& out);

  // Pieces drawn in the last frame (for tests and the benchmark).
  Long piecesDrawn = 0;

 private:
  struct Frame;
  struct Profile;
  struct ProfileCache;
  struct WallColumn;
  // Open rows t to b of a column, and the space their rays are in: `area`,
  // or above the roof of `roof` (an area inside `area`) when roof >= 0.
  struct Window {
    int t, b;
    Long area, roof;
  };
  struct Plane {
    double height;
    const Texture* tex;  // nullptr for the sky
  };
  // The runs of rows one plane covers, at most one run in each column from
  // minX to maxX; a plane seen in two places of a column has two of these.
  struct Runs {
    std::uint16_t plane;
    int minX, maxX;
    int older;  // the plane's previous Runs, -1 none
  };

  void start(Frame& f, Long area);
  void walk(Frame& f);
  void setLowestOpen(Long x, int row);
  int lowestOpen(Long x0, Long x1) const;
  void drawPiece(Frame& f, const Piece& p);
  // The piece in one column, whose depth there has the focal scale `scale`.
  void drawColumn(Frame& f, ProfileCache& profiles, Long x, double scale);
  void finish(Frame& f);
  void addRun(std::uint16_t plane, int x, int t, int b);
  void drawPlanes(Frame& f);
  void drawSpans(Frame& f, const Runs& runs, const std::int16_t* top, const std::int16_t* bottom);
  void drawSpan(Frame& f, const Plane& plane, int r, int x0, int x1);

  std::vector<Window> windows_;        // kMaxWindows per column
  std::vector<unsigned char> counts_;  // windows open in each column
  // The lowest open row of each column (-1 when it is closed), as the
  // leaves of a tree of maxima over ranges of columns.
  std::vector<int> lowest_;
  size_t leaves_ = 0;
  std::vector<Plane> planes_;
  std::vector<Runs> runs_;
  std::vector<std::int16_t> runTop_, runBottom_;  // a frame's width of rows for each Runs
  std::vector<int> newestRuns_;                   // each plane's newest Runs, -1 none
  std::vector<int> spanStart_;                    // per row: the column its open span starts at
  Long width_ = 0, height_ = 0;
  std::vector<double> rayX_, rayY_;  // each column's ray, one unit deep along the view direction
  std::vector<double> rowDepth_;     // focal length over the row centre's distance below the horizon
  std::vector<std::uint32_t> sky_;   // the sky's colour of each row
  std::vector<Long> stack_;
  Long openColumns_ = 0;
};

}  // namespace kv::engine
