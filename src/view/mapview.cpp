#include "view/mapview.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv {

float scaleDrawX(const clsMap& m, float x) { return x / m.scaleX + m.offsetX; }
float scaleDrawY(const clsMap& m, float y) { return y / m.scaleY + m.offsetY; }
float scaleClickX(const clsMap& m, float sx) { return (sx - m.offsetX) * m.scaleX; }
float scaleClickY(const clsMap& m, float sy) { return (sy - m.offsetY) * m.scaleY; }

Long nearestLong(double v) {
  if (std::isnan(v)) return 0;
  double r = roundHalfEven(v);
  constexpr double lo = std::numeric_limits<Long>::min(), hi = std::numeric_limits<Long>::max();
  return static_cast<Long>(std::clamp(r, lo, hi));
}

namespace {
Integer nearestInteger(double v) {
  return static_cast<Integer>(
      std::clamp<Long>(nearestLong(v), std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max()));
}
}  // namespace

void calcOffset(clsMap& m, double hFraction, double vFraction) {
  m.offsetX = nearestInteger(hFraction * kScrollRange);
  m.offsetY = nearestInteger(vFraction * kScrollRange);
}

void setInsertion(clsMap& m, float sx, float sy) {
  m.insertX = nearestLong(scaleClickX(m, sx));
  m.insertY = nearestLong(scaleClickY(m, sy));
}

Long wallColour(const clsMap& m, Long wallTx) {
  if (wallTx < 0 || wallTx >= static_cast<Long>(m.wallColours.size())) return kUnknownTextureColour;
  return m.wallColours[static_cast<size_t>(wallTx)];
}

void drawWallTick(Surface& s, float sx1, float sy1, float sx2, float sy2) {
  Long dx = nearestLong(sx2 - sx1), dy = nearestLong(sy2 - sy1);
  if (dx == 0) dx = 1;
  if (dy == 0) dy = 1;
  double a = std::atan(static_cast<double>(dy) / dx);
  if (dx > 0) a = a + 3.14159;
  Long mx = nearestLong(sx1 + dx / 2.0), my = nearestLong(sy1 + dy / 2.0);
  Long ex = nearestLong(mx - 5 * std::sin(a)), ey = nearestLong(my + 5 * std::cos(a));
  s.line(static_cast<float>(mx), static_cast<float>(my), static_cast<float>(ex), static_cast<float>(ey), kBlue);
}

void drawMap(clsMap& m, Surface& s) {
  if (m.wallCount >= 1) {
    s.setDrawMode(DrawMode::Copy);
    s.setDrawWidth(1);
    s.box(0, 0, s.scaleWidth(), s.scaleHeight(), kWhite, true);
    const Long n = std::min<Long>(m.wallCount, kWallSlots);
    for (Long i = 0; i < n; ++i) {
      const Wall& w = m.walls[static_cast<size_t>(i)];
      m.x1 = w.x1, m.y1 = w.y1, m.x2 = w.x2, m.y2 = w.y2;
      float sx1 = scaleDrawX(m, static_cast<float>(m.x1)), sy1 = scaleDrawY(m, static_cast<float>(m.y1));
      float sx2 = scaleDrawX(m, static_cast<float>(m.x2)), sy2 = scaleDrawY(m, static_cast<float>(m.y2));
      s.line(sx1, sy1, sx2, sy2, wallColour(m, w.wallTx));
      drawWallTick(s, sx1, sy1, sx2, sy2);
    }
  }
  // The marker is always drawn in copy mode: with the exclusive-or pen that
  // an empty map's redraw would otherwise find, it would show red on white.
  s.setDrawMode(DrawMode::Copy);
  float vx = scaleDrawX(m, static_cast<float>(m.viewerX)), vy = scaleDrawY(m, static_cast<float>(m.viewerY));
  s.box(vx - 1, vy - 1, vx + 1, vy + 1, kCyan, true);
  drawInsertion(m, s);
}

void drawInsertion(clsMap& m, Surface& s) {
  Long ix = nearestLong(scaleDrawX(m, static_cast<float>(m.insertX)));
  Long iy = nearestLong(scaleDrawY(m, static_cast<float>(m.insertY)));
  s.setDrawWidth(2);
  s.setForeColor(kBlue);
  s.setDrawMode(DrawMode::Xor);
  if (m.skipInsertionDraw) {
    m.skipInsertionDraw = 0;
    return;
  }
  auto f = [](Long v) { return static_cast<float>(v); };
  s.line(f(ix - 5), f(iy - 5), f(ix + 5), f(iy + 5));
  s.line(f(ix - 5), f(iy + 5), f(ix + 5), f(iy - 5));
}

void drawRect(Surface& s, float x1, float y1, float x2, float y2) {
  s.line(x1, y1, x2, y1);
  s.line(x2, y1, x2, y2);
  s.line(x2, y2, x1, y2);
  s.line(x1, y2, x1, y1);
}

void flashSideDef(const clsMap& m, Surface& s, Long x1, Long y1, Long x2, Long y2) {
  auto f = [](Long v) { return static_cast<float>(v); };
  s.setDrawMode(DrawMode::Xor);
  s.setDrawWidth(3);
  float sx1 = scaleDrawX(m, f(x1)), sy1 = scaleDrawY(m, f(y1));
  s.line(sx1, sy1, scaleDrawX(m, f(x2)), scaleDrawY(m, f(y2)), kWhite);
  s.setDrawWidth(7);
  s.setForeColor(kMagenta);
  s.point(sx1, sy1);
  s.setDrawWidth(1);
}

void flashWall(const clsMap& m, Surface& s, Long i) {
  if (i < 0 || i >= m.wallCount || i >= kWallSlots) return;
  const Wall& w = m.walls[static_cast<size_t>(i)];
  flashSideDef(m, s, w.x1, w.y1, w.x2, w.y2);
}

bool zoomIn(clsMap& m, std::string& why) {
  if (m.scaleX <= kMinScale || m.scaleY <= kMinScale) {
    why = "Zoom In: the view is at its closest (1 map unit per pixel).";
    return false;
  }
  m.scaleX = static_cast<Integer>(nearestLong(m.scaleX / 2.0));
  m.scaleY = static_cast<Integer>(nearestLong(m.scaleY / 2.0));
  return true;
}

bool zoomOut(clsMap& m, std::string& why) {
  if (m.scaleX > kMaxScale / 2 || m.scaleY > kMaxScale / 2) {
    why = "Zoom Out: the view is at its farthest (16384 map units per pixel).";
    return false;
  }
  m.scaleX = static_cast<Integer>(m.scaleX * 2);
  m.scaleY = static_cast<Integer>(m.scaleY * 2);
  return true;
}

std::string withNumber(std::string text, long long n) { return text.append(std::to_string(n)); }

std::string insertionText(const clsMap& m) {
  return withNumber(withNumber("Ins Pt XY = (", m.insertX).append(","), m.insertY).append(")");
}

}  // namespace kv
