#include "view/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kv {

namespace {

// Surface units to a pixel index, nearest with halves to even. Far-away and
// non-finite values are pulled in to a bound well outside any raster, so the
// clipping below sees them as off the picture.
long toPixel(float v) {
  constexpr double kFar = 1e9;
  double d = v;
  if (std::isnan(d)) d = -kFar;
  d = std::clamp(d, -kFar, kFar);
  return static_cast<long>(std::nearbyint(d));
}

}  // namespace

RasterSurface::RasterSurface(int width, int height) { resize(width, height); }

void RasterSurface::resize(int width, int height) {
  w_ = std::max(width, 0);
  h_ = std::max(height, 0);
  px_.assign(static_cast<size_t>(w_) * static_cast<size_t>(h_), 0);
  drawClear();
}

Long RasterSurface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return -1;
  return static_cast<Long>(px_[static_cast<size_t>(y) * w_ + x]);
}

long RasterSurface::countColour(Long colour) const {
  return static_cast<long>(std::count(px_.begin(), px_.end(), static_cast<std::uint32_t>(colour & 0xFFFFFF)));
}

void RasterSurface::addDot(long cx, long cy) {
  // A pen of width w covers a disc of diameter w; for even widths the disc's
  // centre lies half a pixel to the lower right of the pixel drawn.
  const long w = drawWidth();
  const long from = -(w - 1) / 2, to = w / 2;
  const double c = (w - 1) / 2.0 + from, r2 = (w / 2.0) * (w / 2.0);
  for (long dy = from; dy <= to; ++dy) {
    const long y = cy + dy;
    if (y < 0 || y >= h_) continue;
    for (long dx = from; dx <= to; ++dx) {
      const long x = cx + dx;
      if (x < 0 || x >= w_) continue;
      const double ex = dx - c, ey = dy - c;
      if (w > 2 && ex * ex + ey * ey > r2) continue;
      pending_.push_back(static_cast<std::uint32_t>(y * w_ + x));
    }
  }
}

void RasterSurface::addSpan(long x1, long y1, long x2, long y2) {
  const long long dx = static_cast<long long>(x2) - x1, dy = static_cast<long long>(y2) - y1;
  const long long n = std::max(std::llabs(dx), std::llabs(dy));
  if (n == 0) {
    addDot(x1, y1);
    return;
  }
  // Only the steps that can reach the raster (with the pen's reach) are
  // walked, so a line to a point far off the picture costs no more than one
  // across it.
  const double margin = drawWidth() + 1.0;
  double lo = 0, hi = static_cast<double>(n);
  auto clip = [&](long start, long long d, int size) {
    const double a = -margin, b = size - 1 + margin;
    if (d == 0) {
      if (start < a || start > b) hi = -1;
      return;
    }
    double t1 = (a - start) * n / d, t2 = (b - start) * n / d;
    if (t1 > t2) std::swap(t1, t2);
    lo = std::max(lo, std::floor(t1));
    hi = std::min(hi, std::ceil(t2));
  };
  clip(x1, dx, w_);
  clip(y1, dy, h_);
  for (long long i = static_cast<long long>(lo); i <= static_cast<long long>(hi); ++i) {
    const long x = x1 + std::lrint(static_cast<double>(i) * dx / n);
    const long y = y1 + std::lrint(static_cast<double>(i) * dy / n);
    addDot(x, y);
  }
}

void RasterSurface::apply(Long colour) {
  const auto c = static_cast<std::uint32_t>(colour & 0xFFFFFF);
  if (drawMode() == DrawMode::Xor) {
    // Where wide-pen dots overlap a pixel is collected more than once; it
    // must still be combined once.
    std::sort(pending_.begin(), pending_.end());
    pending_.erase(std::unique(pending_.begin(), pending_.end()), pending_.end());
    for (auto i : pending_) px_[i] ^= c;
  } else {
    // Replacing a pixel twice with one colour is replacing it once.
    for (auto i : pending_) px_[i] = c;
  }
  pending_.clear();
}

void RasterSurface::drawLine(float x1, float y1, float x2, float y2, Long colour) {
  addSpan(toPixel(x1), toPixel(y1), toPixel(x2), toPixel(y2));
  apply(colour);
}

void RasterSurface::drawBox(float x1, float y1, float x2, float y2, Long colour, bool filled) {
  long ax = toPixel(x1), ay = toPixel(y1), bx = toPixel(x2), by = toPixel(y2);
  if (!filled) {
    addSpan(ax, ay, bx, ay);
    addSpan(bx, ay, bx, by);
    addSpan(bx, by, ax, by);
    addSpan(ax, by, ax, ay);
    apply(colour);
    return;
  }
  // Every pixel of a filled box once, row by row: no pixel list to collect.
  if (ax > bx) std::swap(ax, bx);
  if (ay > by) std::swap(ay, by);
  const long left = std::max(ax, 0L), right = std::min(bx, static_cast<long>(w_) - 1);
  const long top = std::max(ay, 0L), bottom = std::min(by, static_cast<long>(h_) - 1);
  const auto c = static_cast<std::uint32_t>(colour & 0xFFFFFF);
  const bool exclusive = drawMode() == DrawMode::Xor;
  for (long y = top; y <= bottom && left <= right; ++y) {
    const auto row = px_.begin() + (y * w_ + left), end = row + (right - left + 1);
    if (exclusive)
      std::for_each(row, end, [c](std::uint32_t& p) { p ^= c; });
    else
      std::fill(row, end, c);
  }
}

void RasterSurface::drawPoint(float x, float y, Long colour) {
  addDot(toPixel(x), toPixel(y));
  apply(colour);
}

void RasterSurface::drawClear() {
  std::fill(px_.begin(), px_.end(), static_cast<std::uint32_t>(backColor() & 0xFFFFFF));
  texts.clear();
}

void RasterSurface::drawText(float x, float y, std::string_view text, Long colour) {
  texts.push_back(
      {static_cast<Long>(toPixel(x)), static_cast<Long>(toPixel(y)), std::string(text), colour, drawMode()});
}

void ScaledSurface::pen() {
  target_.setDrawMode(drawMode());
  target_.setDrawWidth(drawWidth());
  target_.setForeColor(foreColor());
  target_.setBackColor(backColor());
}

void ScaledSurface::drawLine(float x1, float y1, float x2, float y2, Long colour) {
  pen();
  target_.line(x1 / f_, y1 / f_, x2 / f_, y2 / f_, colour);
}

void ScaledSurface::drawBox(float x1, float y1, float x2, float y2, Long colour, bool filled) {
  pen();
  target_.box(x1 / f_, y1 / f_, x2 / f_, y2 / f_, colour, filled);
}

void ScaledSurface::drawPoint(float x, float y, Long colour) {
  pen();
  target_.point(x / f_, y / f_, colour);
}

void ScaledSurface::drawClear() {
  pen();
  target_.texts.clear();
  target_.clear();
}

void ScaledSurface::drawText(float x, float y, std::string_view text, Long colour) {
  pen();
  target_.setForeColor(colour);
  target_.printText(x / f_, y / f_, text);
}

}  // namespace kv
