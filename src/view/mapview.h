// The plan view of the map: transforms between map units and the drawing
// surface, the full drawing of the map, the insertion mark, the highlight of
// a wall and zooming. All of it works on the one map object and a Surface, so
// the desktop's picture and an in-memory raster draw the same pixels.
#pragma once
#include <string>

#include "model/clsMap.h"
#include "view/surface.h"

namespace kv {

// Colours of the plan view (packed as kv::rgb packs them).
inline constexpr Long kWhite = rgb(255, 255, 255);
inline constexpr Long kBlue = rgb(0, 0, 255);
inline constexpr Long kCyan = rgb(0, 255, 255);
inline constexpr Long kMagenta = rgb(255, 0, 255);
// A wall whose texture number has no entry in the colour table.
inline constexpr Long kUnknownTextureColour = rgb(128, 128, 128);

// The screen offset of map 0 at a scroll bar's far end.
inline constexpr double kScrollRange = -2000.0;
// The scale (map units per screen unit) stays within these bounds.
inline constexpr Integer kMinScale = 1, kMaxScale = 16384;

// Map to screen and back, in single precision with the 16-bit scale and offset.
float scaleDrawX(const clsMap& m, float x);
float scaleDrawY(const clsMap& m, float y);
float scaleClickX(const clsMap& m, float sx);
float scaleClickY(const clsMap& m, float sy);

// Nearest whole number, halves to even, pulled into the 32-bit range.
Long nearestLong(double v);

// offsetX/offsetY from the scroll bars' fractions (0 to 1).
void calcOffset(clsMap& m, double hFraction, double vFraction);
// The insertion point from a screen position.
void setInsertion(clsMap& m, float sx, float sy);

// The colour of a wall's line: its entry of wallColours, or
// kUnknownTextureColour for a texture number outside 0 to 10.
Long wallColour(const clsMap& m, Long wallTx);

// Everything on the surface except clearing it: the walls on a white box with
// their facing ticks, the viewer marker, then the insertion mark. Leaves the
// pen in exclusive-or mode, width 2, blue.
void drawMap(clsMap& m, Surface& s);
// The short blue tick on the left-hand side of a wall, from its screen points.
void drawWallTick(Surface& s, float sx1, float sy1, float sx2, float sy2);
// Toggles the blue insertion cross (exclusive-or); the first call after
// start-up draws nothing.
void drawInsertion(clsMap& m, Surface& s);
// A rectangle outline with the current pen.
void drawRect(Surface& s, float x1, float y1, float x2, float y2);

// Toggles the highlight of a wall: a wide inverted line and a magenta dot at
// its first end point. Leaves the pen in exclusive-or mode, width 1, magenta.
void flashSideDef(const clsMap& m, Surface& s, Long x1, Long y1, Long x2, Long y2);
// The same for wall i of the table; nothing for an index outside the walls
// in use.
void flashWall(const clsMap& m, Surface& s, Long i);

// Halve or double both scales. At the limits nothing changes, false is
// returned and `why` says so.
bool zoomIn(clsMap& m, std::string& why);
bool zoomOut(clsMap& m, std::string& why);

// `text` followed by n in decimal ("Wall #" and 3 give "Wall #3").
std::string withNumber(std::string text, long long n);

// The status bar text of the insertion point.
std::string insertionText(const clsMap& m);

}  // namespace kv
