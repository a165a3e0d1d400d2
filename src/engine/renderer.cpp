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

// A run of open rows of one column, empty when t > b.
struct Span {
  int t = 1, b = 0;
  bool empty() const { return t > b; }
  int size() const { return empty() ? 0 : b - t + 1; }
};

// What the rays of a run of rows are in: an area's space (or the open space
// outside every area), or the space above the ceiling of the area they passed
// over, where that area's ceiling is not seen.
enum class Kind : unsigned char { Indoor, Outdoor };

struct Part {
  Span span;
  Kind kind = Kind::Indoor;
};

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
  overTop_.assign(w, 1);
  overBottom_.assign(w, 0);
  overKind_.assign(w, 0);
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
  // The wall ends at its top; rays above it (up to the ceiling, or any
  // height outside every area) pass over it. They stay in the far area when
  // its ceiling lies above the top, else they run above that area's ceiling.
  const double wallTop = std::min(std::max(p.top, floorN), ceilN);

  const Texture& wallTex = texture(Surface::Wall, p.wallTx);
  // Outside every area the ground is the same everywhere, as in finish().
  const Texture& floorTex = texture(Surface::Floor, nearArea < 0 ? kGroundTexture : p.floorTx[near]);
  const Texture& ceilTex = texture(Surface::Ceiling, p.ceilTx[near]);
  const double ax = p.a, bx = p.b;
  const Long w = f.w;

  for (Long x = static_cast<Long>(first); x <= static_cast<Long>(last); ++x) {
    const Span main{top_[x], bottom_[x]}, over{overTop_[x], overBottom_[x]};
    if (main.empty() && over.empty()) continue;
    // Where this column's ray meets the piece's line, exactly.
    double denom = rayX_[x] * ax + rayY_[x] * bx;
    double z = denom != 0 ? -dv / denom : kNear;
    if (!(z > kNear)) z = kNear;
    const double scale = f.focal / z;
    // Frame rows from the top down: ceiling line, wall top, opening top,
    // opening bottom, floor line.
    const int rCeil = sky ? -1 : f.rowOf(ceilN, scale);
    const int rTop = f.rowOf(wallTop, scale);
    const int rFarCeil = ceilF == kSky ? -1 : f.rowOf(ceilF, scale);
    const int rFloor = f.rowOf(floorN, scale);
    const int rHigh = open ? f.rowOf(openHigh, scale) : rFloor;
    const int rLow = open ? f.rowOf(openLow, scale) : rFloor;
    std::uint32_t* col = f.px + x;

    auto plane = [&](int r0, int r1, double height, const Texture& tex) {
      for (int r = r0; r < r1; ++r) {
        double zr = std::clamp((f.eye - height) * rowDepth_[r], kNear, z);
        double wx = f.ex + zr * rayX_[x], wy = f.ey + zr * rayY_[x];
        col[static_cast<size_t>(r) * w] =
            shade(tex.at(texCoord(wx * kInvTexel), texCoord(wy * kInvTexel)), f.lightAt(zr, 1));
      }
    };
    const double hitX = f.ex + z * rayX_[x], hitY = f.ey + z * rayY_[x];
    const int u = texCoord((hitX * p.ux + hitY * p.uy) * kInvTexel);
    const std::uint32_t wallLight = f.lightAt(z, p.light);
    // Texture rows run downwards as the height falls; in 16.16 fixed point.
    const std::int64_t perRow = static_cast<std::int64_t>(z / f.focal * kInvTexel * 65536);
    auto band = [&](int r0, int r1) {
      if (r0 >= r1) return;
      double v = -(f.eye + (f.horizon - (r0 + 0.5)) * z / f.focal) * kInvTexel;
      std::int64_t vf = static_cast<std::int64_t>(v * 65536);
      for (int r = r0; r < r1; ++r, vf += perRow)
        col[static_cast<size_t>(r) * w] = shade(wallTex.at(u, static_cast<int>(vf >> 16)), wallLight);
    };

    // What the piece draws in one window of the column, and the runs of rows
    // it leaves open: above the ceiling line (rays that came over a roof),
    // over the wall's top, and through its opening.
    Part parts[7];
    int count = 0;
    Span opening;
    auto through = [&](Span win, bool isOver, Kind kind) {
      const int ceilEnd = std::min(std::max(rCeil, win.t), win.b + 1);
      if (isOver && kind == Kind::Outdoor) parts[count++] = {{win.t, ceilEnd - 1}, Kind::Outdoor};
      else plane(win.t, ceilEnd, ceilN, ceilTex);
      const int topEnd = std::min(std::max(rTop, ceilEnd), win.b + 1);
      // Over the top: below the far area's ceiling the rays are in that
      // area, above it they run over its roof.
      const int split = std::clamp(rFarCeil, ceilEnd, topEnd);
      parts[count++] = {{ceilEnd, split - 1}, Kind::Outdoor};
      parts[count++] = {{split, topEnd - 1}, Kind::Indoor};
      const int wallEnd = std::min(rFloor, win.b + 1);
      band(topEnd, std::min(rHigh, wallEnd));
      Span hole{std::max(topEnd, rHigh), std::min(rLow, wallEnd) - 1};
      if (isOver) parts[count++] = {hole, Kind::Indoor};
      else opening = hole;
      band(std::max(topEnd, rLow), wallEnd);
      plane(std::max(rFloor, win.t), win.b + 1, floorN, floorTex);
    };
    if (!over.empty()) through(over, true, static_cast<Kind>(overKind_[x]));
    if (!main.empty()) through(main, false, Kind::Indoor);

    // The column keeps one window besides the main one: neighbouring runs of
    // the same kind join, the longest is kept, and the others are shut (the
    // sky for rays outdoors, else the wall as if it were solid there).
    Part keep{};
    for (int i = 0; i < count; ++i) {
      Part& q = parts[i];
      if (q.span.empty()) continue;
      if (i > 0 && parts[i - 1].kind == q.kind && !parts[i - 1].span.empty() && parts[i - 1].span.b + 1 == q.span.t) {
        q.span.t = parts[i - 1].span.t;
        parts[i - 1].span = {};
      }
    }
    for (int i = 0; i < count; ++i)
      if (parts[i].span.size() > keep.span.size()) keep = parts[i];
    for (int i = 0; i < count; ++i) {
      const Part& q = parts[i];
      if (q.span.empty() || (q.span.t == keep.span.t && q.span.b == keep.span.b)) continue;
      if (q.kind == Kind::Outdoor) {
        for (int r = q.span.t; r <= q.span.b; ++r) col[static_cast<size_t>(r) * w] = sky_[r];
      } else {
        band(q.span.t, q.span.b + 1);
      }
    }

    top_[x] = opening.t;
    bottom_[x] = opening.b;
    overTop_[x] = keep.span.t;
    overBottom_[x] = keep.span.b;
    overKind_[x] = static_cast<unsigned char>(keep.kind);
    if (opening.empty() && keep.span.empty()) --openColumns_;
  }
}

void Renderer::finish(Frame& f) {
  // Rays that leave every piece behind: sky above the horizon, the outside
  // ground below it.
  const Texture& ground = texture(Surface::Floor, kGroundTexture);
  const double far = 1 / f.invFade * 4;
  for (Long x = 0; x < f.w; ++x) {
    std::uint32_t* col = f.px + x;
    auto rowsOf = [&](int r0, int r1) {
      for (int r = r0; r <= r1; ++r) {
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
    };
    rowsOf(overTop_[x], overBottom_[x]);
    rowsOf(top_[x], bottom_[x]);
  }
}

}  // namespace kv::engine
