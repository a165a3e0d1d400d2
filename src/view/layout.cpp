#include "view/layout.h"

#include <algorithm>

#include "view/mapview.h"

namespace kv {

double twipsPerPixel(double dpi) { return dpi > 0 ? 1440.0 / dpi : 15.0; }
Long twipsToPixels(double twips, double tpp) { return nearestLong(twips / tpp); }
double pixelsToTwips(Long pixels, double tpp) { return pixels * tpp; }

MapViewLayout mapViewLayout(double w, double h) {
  // 120 and 400 allow for the window's border and caption.
  const double inner = w - kScrollBarTwips - 120, below = h - kScrollBarTwips - 400;
  MapViewLayout l;
  l.vScroll = {inner, 0, kScrollBarTwips, below};
  l.hScroll = {0, below, inner, kScrollBarTwips};
  l.picture = {0, 0, inner - 1, below - 1};
  return l;
}

ChildLayout adjustWindowsLayout(double w, double h, double projectWidth) {
  ChildLayout l;
  l.project = {w - projectWidth - 100, 0, projectWidth, kProjectHeight};
  l.map = {0, 0, w - projectWidth - 200, h - 1400};
  // The properties window as wide as the project window above it, and down
  // to the map view's bottom where that gives it more rows.
  const double top = l.project.top + l.project.height + 100;
  l.properties = {l.project.left, top, projectWidth, std::max(kPropertiesHeight, l.map.top + l.map.height - top)};
  l.render = {0, 0, kRenderWidth, kRenderHeight};
  return l;
}

PixelRect keepInside(PixelRect r, const PixelRect& area) {
  r.width = std::min(r.width, area.width);
  r.height = std::min(r.height, area.height);
  r.left = std::clamp(r.left, area.left, area.left + area.width - r.width);
  r.top = std::clamp(r.top, area.top, area.top + area.height - r.height);
  return r;
}

}  // namespace kv
