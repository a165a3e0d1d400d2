#include "engine/renderer.h"

#include <algorithm>
#include <cmath>

#include "engine/textures.h"

namespace kv::engine {

namespace {

// Nothing nearer than this to the eye is drawn (map units along the view).
constexpr double kNear = 0.25;
constexpr double kDegree = 3.14159265358979323846 / 180;
constexpr double kInvTexel = 1 / kTexelSize;
// The floor texture of the ground outside every area.
constexpr Long kGroundTexture = 0;

// A texel coordinate from a position in texels, floored (exact for any
// position a map can hold) and wrapped to the texture.
inline int texCoord(double t) { return static_cast<int>(static_cast<std::int64_t>(t + 0x1p40) & kTexMask); }

// Scales a pixel's channels by s / 256 (s from 0 to 256).
inline std::uint32_t shade(std::uint32_t c, std::uint32_t s) {
  return (((c & 0xFF00FFu) * s >> 8) & 0xFF00FFu) | (((c & 0x00FF00u) * s >> 8) & 0x00FF00u);
}

}  // namespace

struct Renderer::Frame {
  const World& world;
  FrameBuffer& out;
  Long w, h;
  double ex, ey, eye;
  double cx, horizon, focal;
  double dx, dy;  // view direction
  double invFade, light;
  std::uint32_t* px;

  // The frame row of a height seen at a depth whose focal scale is `scale`:
  // the first row whose centre lies below that height, kept within the frame
  // give or take one row so that infinite heights stay harmless.
  int rowOf(double height, double scale) const {
    double y = horizon - (height - eye) * scale - 0.5;
    y = std::clamp(y, -1.0, static_cast<double>(h) + 1);
    return static_cast<int>(std::ceil(y));
  }
  std::uint32_t lightAt(double z, double factor) const {
    double k = std::clamp(1 - z * invFade, light, 1.0) * factor;
    return static_cast<std::uint32_t>(k * 256);
  }
};

void Renderer::render(const World* world, const View& view, const Settings& settings, FrameBuffer& out) {
  piecesDrawn = 0;
  out.fill(0);
  if (!world || out.width <= 0 || out.height <= 0) return;
  const Long w = out.width, h = out.height;
  const double rad = view.dir * kDegree;
  Frame f{*world,
          out,
          w,
          h,
          view.x,
          view.y,
          view.eye,
          w / 2.0,
          h / 2.0,
          (w / 2.0) / std::tan(settings.fov * kDegree / 2),
          std::cos(rad),
          std::sin(rad),
          1 / settings.fade,
          settings.light / 100,
          out.pixels.data()};

  top_.assign(w, 0);
  bottom_.assign(w, h - 1);
  rayX_.resize(w);
  rayY_.resize(w);
  // The right of the view direction, as the plan view shows it (y down).
  const double rx = -f.dy, ry = f.dx;
  for (Long x = 0; x < w; ++x) {
    double s = (x + 0.5 - f.cx) / f.focal;
    rayX_[x] = f.dx + rx * s;
    rayY_[x] = f.dy + ry * s;
  }
  rowDepth_.resize(h);
  sky_.resize(h);
  for (Long r = 0; r < h; ++r) {
    double d = r + 0.5 - f.horizon;
    rowDepth_[r] = d == 0 ? 1e300 : f.focal / d;
    // Deep blue at the top, pale towards the horizon and below it.
    double t = std::clamp((r + 0.5) / f.horizon, 0.0, 1.0);
    auto ch = [t](double top, double low) { return static_cast<std::uint32_t>(top + (low - top) * t); };
    sky_[r] = ch(40, 170) << 16 | ch(70, 200) << 8 | ch(150, 235);
  }
  openColumns_ = w;

  // Front to back: the near child's subtree, the record, the far subtree.
  // A drawing step is pushed as -(index + 1).
  stack_.clear();
  if (!world->pieces.empty()) stack_.push_back(0);
  while (!stack_.empty() && openColumns_ > 0) {
    Long e = stack_.back();
    stack_.pop_back();
    if (e < 0) {
      drawPiece(f, world->pieces[-e - 1]);
      continue;
    }
    const Piece& p = world->pieces[e];
    Side near = p.side(f.ex, f.ey) < 0 ? kNeg : kPos;
    Side far = near == kNeg ? kPos : kNeg;
    if (p.child[far]) stack_.push_back(p.child[far]);
    stack_.push_back(-e - 1);
    if (p.child[near]) stack_.push_back(p.child[near]);
  }
  finish(f);
}

void Renderer::drawPiece(Frame& f, const Piece& p) {
  if (p.degenerate) return;
  const double dv = p.side(f.ex, f.ey);
  if (dv == 0) return;  // seen edge on
  const Side near = dv < 0 ? kNeg : kPos;
  const Side far = near == kNeg ? kPos : kNeg;

  // The end points in view space (depth along the view, offset to the right),
  // cut at the near plane.
  const double rx = -f.dy, ry = f.dx;
  double z1 = (p.x1 - f.ex) * f.dx + (p.y1 - f.ey) * f.dy, s1 = (p.x1 - f.ex) * rx + (p.y1 - f.ey) * ry;
  double z2 = (p.x2 - f.ex) * f.dx + (p.y2 - f.ey) * f.dy, s2 = (p.x2 - f.ex) * rx + (p.y2 - f.ey) * ry;
  if (z1 < kNear && z2 < kNear) return;
  if (z1 < kNear) {
    double t = (kNear - z1) / (z2 - z1);
    s1 += (s2 - s1) * t;
    z1 = kNear;
  } else if (z2 < kNear) {
    double t = (kNear - z2) / (z1 - z2);
    s2 += (s1 - s2) * t;
    z2 = kNear;
  }
  double X1 = f.cx + s1 * f.focal / z1, X2 = f.cx + s2 * f.focal / z2;
  if (X1 > X2) std::swap(X1, X2);
  // Columns whose centres lie in [X1, X2).
  double first = std::max(std::ceil(X1 - 0.5), 0.0), last = std::min(std::ceil(X2 - 0.5) - 1, f.w - 1.0);
  if (first > last) return;
  ++piecesDrawn;

  const World& world = f.world;
  const Long nearArea = p.area[near], farArea = p.area[far];
  const double floorN = world.floorOf(nearArea), ceilN = world.ceilOf(nearArea);
  const double floorF = world.floorOf(farArea), ceilF = world.ceilOf(farArea);
  const bool sky = ceilN == kSky;
  const double openLow = std::max({p.lowTop, floorN, floorF});
  const double openHigh = std::min({p.upBottom, ceilN, ceilF});
  const bool open = openLow < openHigh;
  // Outside every area nothing stands above a wall's top: the sky shows there.
  const double ceilLine = sky ? std::max({p.top, openHigh, floorN}) : ceilN;

  const Texture& wallTex = texture(Surface::Wall, p.wallTx);
  // Outside every area the ground is the same everywhere, as in finish().
  const Texture& floorTex = texture(Surface::Floor, nearArea < 0 ? kGroundTexture : p.floorTx[near]);
  const Texture& ceilTex = texture(Surface::Ceiling, p.ceilTx[near]);
  const double ax = p.a, bx = p.b;
  const Long w = f.w;

  for (Long x = static_cast<Long>(first); x <= static_cast<Long>(last); ++x) {
    int t = top_[x], b = bottom_[x];
    if (t > b) continue;
    // Where this column's ray meets the piece's line, exactly.
    double denom = rayX_[x] * ax + rayY_[x] * bx;
    double z = denom != 0 ? -dv / denom : kNear;
    if (!(z > kNear)) z = kNear;
    const double scale = f.focal / z;
    const int rc = f.rowOf(ceilLine, scale), rf = f.rowOf(floorN, scale);
    const int ceilEnd = std::min(rc, b + 1);
    const int floorStart = std::max(rf, t);

    // Ceiling (or sky) above the piece, floor below it, as far as they are open.
    std::uint32_t* col = f.px + x;
    if (sky) {
      for (int r = t; r < ceilEnd; ++r) col[static_cast<size_t>(r) * w] = sky_[r];
    } else {
      for (int r = t; r < ceilEnd; ++r) {
        double zr = std::clamp((f.eye - ceilN) * rowDepth_[r], kNear, z);
        double wx = f.ex + zr * rayX_[x], wy = f.ey + zr * rayY_[x];
        col[static_cast<size_t>(r) * w] =
            shade(ceilTex.at(texCoord(wx * kInvTexel), texCoord(wy * kInvTexel)), f.lightAt(zr, 1));
      }
    }
    for (int r = floorStart; r <= b; ++r) {
      double zr = std::clamp((f.eye - floorN) * rowDepth_[r], kNear, z);
      double wx = f.ex + zr * rayX_[x], wy = f.ey + zr * rayY_[x];
      col[static_cast<size_t>(r) * w] =
          shade(floorTex.at(texCoord(wx * kInvTexel), texCoord(wy * kInvTexel)), f.lightAt(zr, 1));
    }

    // The solid bands between the ceiling line and the floor line.
    const int rhi = open ? f.rowOf(openHigh, scale) : rf;  // end of the upper band
    const int rlo = open ? f.rowOf(openLow, scale) : rf;   // start of the lower band
    const int wallTop = std::max(rc, t), wallEnd = std::min(rf, b + 1);
    if (wallTop < wallEnd) {
      const double hitX = f.ex + z * rayX_[x], hitY = f.ey + z * rayY_[x];
      const int u = texCoord((hitX * p.ux + hitY * p.uy) * kInvTexel);
      const std::uint32_t s = f.lightAt(z, p.light);
      // Texture rows run downwards as the height falls; in 16.16 fixed point.
      const double perRow = z / f.focal * kInvTexel;
      auto band = [&](int r0, int r1) {
        if (r0 >= r1) return;
        double v = -(f.eye + (f.horizon - (r0 + 0.5)) * z / f.focal) * kInvTexel;
        std::int64_t vf = static_cast<std::int64_t>((v + 0x1p24) * 65536), dvf = static_cast<std::int64_t>(perRow * 65536);
        for (int r = r0; r < r1; ++r, vf += dvf)
          col[static_cast<size_t>(r) * w] = shade(wallTex.at(u, static_cast<int>(vf >> 16)), s);
      };
      band(wallTop, std::min(rhi, wallEnd));
      band(std::max(rlo, wallTop), wallEnd);
    }

    // What stays open is the piece's opening.
    if (open) {
      t = std::max({t, rc, rhi});
      b = std::min({b, rf - 1, rlo - 1});
    } else {
      t = b + 1;
    }
    if (t > b) {
      t = 1;
      b = 0;
      --openColumns_;
    }
    top_[x] = t;
    bottom_[x] = b;
  }
}

void Renderer::finish(Frame& f) {
  // Rays that leave every piece behind: sky above the horizon, the outside
  // ground below it.
  const Texture& ground = texture(Surface::Floor, kGroundTexture);
  const double far = 1 / f.invFade * 4;
  for (Long x = 0; x < f.w; ++x) {
    std::uint32_t* col = f.px + x;
    for (int r = top_[x]; r <= bottom_[x]; ++r) {
      double zr = (f.eye - f.world.outsideFloor) * rowDepth_[r];
      if (zr <= 0) {
        col[static_cast<size_t>(r) * f.w] = sky_[r];
        continue;
      }
      zr = std::min(zr, far);
      double wx = f.ex + zr * rayX_[x], wy = f.ey + zr * rayY_[x];
      col[static_cast<size_t>(r) * f.w] =
          shade(ground.at(texCoord(wx * kInvTexel), texCoord(wy * kInvTexel)), f.lightAt(zr, 1));
    }
  }
}

}  // namespace kv::engine
