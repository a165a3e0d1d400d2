// Window arrangement in twips, the unit the editor's layout rules are written
// in: the map view's own controls and the main window's "Adjust windows".
#pragma once
#include "model/numbers.h"

namespace kv {

// Twips per pixel of a screen of `dpi` logical dots per inch (15 at 96 dpi).
double twipsPerPixel(double dpi);
// Twips to whole pixels and back, nearest with halves to even.
Long twipsToPixels(double twips, double tpp);
double pixelsToTwips(Long pixels, double tpp);

struct TwipRect {
  double left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TwipRect&) const = default;
};

// The map view's controls for a window of outer size W x H twips.
struct MapViewLayout {
  TwipRect vScroll, hScroll, picture;
};
MapViewLayout mapViewLayout(double w, double h);

// Thickness of the map view's scroll bars.
inline constexpr double kScrollBarTwips = 255;

// The child windows' places in a main window of W x H twips. The project
// window is sized first; `projectWidth` is the width it really took (a window
// may refuse a size, and it is made wider than kProjectWidth where the font
// needs it), from which its left edge is computed. The properties window
// below it has the same width and reaches down to the map view's bottom,
// kPropertiesHeight at least.
struct ChildLayout {
  TwipRect project, properties, map, render;
};
inline constexpr double kProjectWidth = 2000, kProjectHeight = 2790, kPropertiesHeight = 4100;
inline constexpr double kRenderWidth = 5325, kRenderHeight = 4275;
ChildLayout adjustWindowsLayout(double w, double h, double projectWidth = kProjectWidth);

// A window's place on the screen, in pixels.
struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};
// `r` moved, and cut to the area's size where it is larger, so that it lies
// inside `area` (the screen's area that panels leave free): a window that
// opens beside or over the main window never opens off the screen.
PixelRect keepInside(PixelRect r, const PixelRect& area);

}  // namespace kv
