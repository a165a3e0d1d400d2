#include "engine/renderer.h"

#include <algorithm>
#include <cmath>

namespace kv::engine {

namespace {

// Nothing nearer than this to the eye is drawn (map units along the view).
// With kEyeClearance it keeps every wall in view at the widest field of view.
constexpr double kNear = 1.0 / 16;
// Planes are textured as if no farther than this; beyond it the light is the
// dimmest anyway.
constexpr double kFar = 1e7;
constexpr double kDegree = 3.14159265358979323846 / 180;
constexpr double kInvTexel = 1 / kTexelSize;
// The least room the eye keeps below its area's ceiling and above its floor.
constexpr double kEyeGap = 1;
// Windows a column keeps open at most; more are shut with the piece that
// opened them.
constexpr int kMaxWindows = 4;

// Plane numbers: 0 none (the pixel shows a wall), the sky, the ground outside
// every area, then the floor and the ceiling of each area.
constexpr std::uint16_t kSkyPlane = 1, kGroundPlane = 2;
inline std::uint16_t ceilingPlane(Long area) { return area < 0 ? kSkyPlane : static_cast<std::uint16_t>(4 + 2 * area); }
// The floor of a space: the roof of the area below it, or the area's floor.
inline std::uint16_t floorPlane(Long area, Long roof) {
  if (roof >= 0) return ceilingPlane(roof);
  return area < 0 ? kGroundPlane : static_cast<std::uint16_t>(3 + 2 * area);
}

// A texel coordinate from a position in texels, floored (exact for any
// position a map can hold) and wrapped to the texture.
inline int texCoord(double t) {
  if (!(std::abs(t) < 0x1p40)) t = std::isfinite(t) ? std::fmod(t, kTexSize) : 0;
  return static_cast<int>(static_cast<std::int64_t>(t + 0x1p40) & kTexMask);
}

// A position or a step in texels, wrapped to the texture, in 16.16 fixed point.
inline std::int64_t fixedTexels(double t) {
  if (!(std::abs(t) < 0x1p40)) t = std::isfinite(t) ? std::fmod(t, kTexSize) : 0;
  return static_cast<std::int64_t>(t * 65536) & (std::int64_t{kTexSize} * 65536 - 1);
}

// Pixels lit at a time by the inner loops.
constexpr int kBatch = 16;

// Scales a pixel's channels by s / 256 (s from 0 to 256).
inline std::uint32_t shade(std::uint32_t c, std::uint32_t s) {
  return (((c & 0xFF00FFu) * s >> 8) & 0xFF00FFu) | (((c & 0x00FF00u) * s >> 8) & 0x00FF00u);
}

bool inRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

}  // namespace

std::uint32_t skyColour(Long row, Long height) {
  // Deep blue at the top, pale towards the horizon and below it.
  const double t = std::clamp((row + 0.5) / (height / 2.0), 0.0, 1.0);
  auto ch = [t](double top, double low) { return static_cast<std::uint32_t>(top + (low - top) * t); };
  return ch(40, 170) << 16 | ch(70, 200) << 8 | ch(150, 235);
}

struct Renderer::Frame {
  const World& world;
  Long w, h;
  double ex, ey, eye;
  double cx, horizon, focal;
  double dx, dy;  // view direction
  double rx, ry;  // the right of the view, as the plan view shows it (y down)
  // Normals of the planes through the eye and the frame's left and right
  // edges, pointing into the view.
  double leftX, leftY, rightX, rightY;
  double invFade, light;
  std::uint32_t* px;

  Frame(const World& map, FrameBuffer& out, const View& view, double eyeHeight, double fov, double fade, double dimmest)
      : world(map),
        w(out.width),
        h(out.height),
        ex(view.x),
        ey(view.y),
        eye(eyeHeight),
        cx(w / 2.0),
        horizon(h / 2.0),
        focal(cx / std::tan(fov * kDegree / 2)),
        dx(std::cos(view.dir * kDegree)),
        dy(std::sin(view.dir * kDegree)),
        rx(-dy),
        ry(dx),
        leftX(focal * rx + cx * dx),
        leftY(focal * ry + cx * dy),
        rightX((w - cx) * dx - focal * rx),
        rightY((w - cx) * dy - focal * ry),
        invFade(1 / fade),
        light(dimmest / 100),
        px(out.pixels.data()) {}

  // The frame row of a height seen at a depth whose focal scale is `scale`:
  // the first row whose centre lies below that height, kept within the frame
  // give or take one row so that infinite heights stay harmless.
  int rowOf(double height, double scale) const {
    double y = horizon - (height - eye) * scale - 0.5;
    y = std::clamp(y, -1.0, static_cast<double>(h) + 1);
    // Rounded up: truncation rounds towards zero, and y is at least -1.
    const int r = static_cast<int>(y);
    return r + (r < y);
  }
  std::uint32_t lightAt(double z, double factor) const {
    double k = std::clamp(1 - z * invFade, light, 1.0) * factor;
    return static_cast<std::uint32_t>(k * 256);
  }
  double lowOf(Long area, Long roof) const { return roof >= 0 ? world.ceilOf(roof) : world.floorOf(area); }
  bool outside(const Bounds& b) const;
};

// What becomes of rays of one space that reach a piece, by height: segment
// k covers heights from[k] up to from[k + 1] (the last one up to the sky),
// where the rays meet a solid part (area -2) or go on in a space.
struct Renderer::Profile {
  Long area, roof;  // the space it is for
  int count;
  double from[8];
  Long toArea[8], toRoof[8];

  void make(const World& world, const Piece& p, Side far, Long area, Long roof);
};

// The profiles of one piece made so far in a frame, for the few spaces its
// columns meet.
struct Renderer::ProfileCache {
  static constexpr int kSize = 4;
  const Piece& p;
  Side far;
  int made = 0;
  Profile slot[kSize];

  ProfileCache(const Piece& piece, Side farSide) : p(piece), far(farSide) {}

  const Profile& get(const Frame& f, Long area, Long roof);
};

void Renderer::Profile::make(const World& world, const Piece& p, Side far, Long inArea, Long inRoof) {
  area = inArea, roof = inRoof;
  // The area the rays stand over after the piece; the space above its
  // ceiling is still the enclosing area's, over its roof.
  const Long to = world.across(inRoof >= 0 ? inRoof : inArea, p, far);
  const double floorTo = world.floorOf(to), ceilTo = world.ceilOf(to), ceilHere = world.ceilOf(inArea);
  const bool overRoof = to != inArea && world.within(to, inArea);
  auto at = [&](double height, Long& a, Long& r) {
    a = -2, r = -1;
    if (height < p.lowTop || (height >= p.upBottom && height < p.top) || height < floorTo) return;
    if (height < ceilTo)
      a = to;
    else if (overRoof && height < ceilHere)
      a = inArea, r = to;
  };
  double breaks[6] = {p.lowTop, p.upBottom, p.top, floorTo, ceilTo, ceilHere};
  std::sort(breaks, breaks + 6);
  count = 1;
  from[0] = -kSky;
  at(-kSky, toArea[0], toRoof[0]);
  for (double b : breaks) {
    Long a, r;
    at(b, a, r);
    if (a == toArea[count - 1] && r == toRoof[count - 1]) continue;
    from[count] = b, toArea[count] = a, toRoof[count] = r;
    ++count;
  }
}

void Renderer::render(const World* world, const View& view, const Settings& settings, FrameBuffer& out) {
  piecesDrawn = 0;
  const bool viewable =
      std::isfinite(view.x) && std::isfinite(view.y) && std::isfinite(view.eye) && std::isfinite(view.dir);
  if (!world || !viewable || out.width <= 0 || out.height <= 0) {
    out.fill(0);
    return;
  }
  // Settings out of their ranges (never read from a header) fall back to
  // the defaults rather than reach the arithmetic.
  const Settings defaults;
  const double fov = inRange(settings.fov, 10, 170) ? settings.fov : defaults.fov;
  const double fade = inRange(settings.fade, 1, 1e7) ? settings.fade : defaults.fade;
  const double light = inRange(settings.light, 0, 100) ? settings.light : defaults.light;

  const Long area =
      view.area >= -1 && view.area < static_cast<Long>(world->areas.size()) ? view.area : world->areaAt(view.x, view.y);
  const double floor = world->floorOf(area), ceil = world->ceilOf(area);
  const double eye =
      ceil - floor < 2 * kEyeGap ? (floor + ceil) / 2 : std::clamp(view.eye, floor + kEyeGap, ceil - kEyeGap);
  Frame f(*world, out, view, eye, fov, fade, light);
  start(f, area);
  walk(f);
  finish(f);
  drawPlanes(f);
}

void Renderer::start(Frame& f, Long area) {
  const Long w = f.w, h = f.h;
  windows_.resize(static_cast<size_t>(w) * kMaxWindows);
  counts_.assign(w, 1);
  for (Long x = 0; x < w; ++x) windows_[static_cast<size_t>(x) * kMaxWindows] = {0, static_cast<int>(h - 1), area, -1};
  openColumns_ = w;
  width_ = w, height_ = h;
  for (leaves_ = 1; leaves_ < static_cast<size_t>(w);) leaves_ *= 2;
  lowest_.assign(2 * leaves_, -1);
  for (Long x = 0; x < w; ++x) lowest_[leaves_ + x] = static_cast<int>(h - 1);
  for (size_t i = leaves_ - 1; i >= 1; --i) lowest_[i] = std::max(lowest_[2 * i], lowest_[2 * i + 1]);

  const World& world = f.world;
  planes_.resize(3 + 2 * world.areas.size());
  newestRuns_.assign(planes_.size(), -1);
  runs_.clear();
  spanStart_.resize(h);
  planes_[kSkyPlane] = {kSky, nullptr};
  planes_[kGroundPlane] = {world.outsideFloor, world.groundTex};
  for (size_t k = 0; k < world.areas.size(); ++k) {
    planes_[3 + 2 * k] = {world.areas[k].floor, world.areas[k].floorTex};
    planes_[4 + 2 * k] = {world.areas[k].ceil, world.areas[k].ceilTex};
  }

  rayX_.resize(w);
  rayY_.resize(w);
  for (Long x = 0; x < w; ++x) {
    double s = (x + 0.5 - f.cx) / f.focal;
    rayX_[x] = f.dx + f.rx * s;
    rayY_[x] = f.dy + f.ry * s;
  }
  rowDepth_.resize(h);
  sky_.resize(h);
  for (Long r = 0; r < h; ++r) {
    double d = r + 0.5 - f.horizon;
    rowDepth_[r] = d == 0 ? 1e300 : f.focal / d;
    sky_[r] = skyColour(r, h);
  }
}

void Renderer::walk(Frame& f) {
  // Front to back: the near child's subtree, the record, the far subtree.
  // A drawing step is pushed as -(index + 1).
  const World& world = f.world;
  stack_.clear();
  if (!world.nodes.empty()) stack_.push_back(0);
  while (!stack_.empty() && openColumns_ > 0) {
    Long e = stack_.back();
    stack_.pop_back();
    if (e < 0) {
      drawPiece(f, world.pieces[-e - 1]);
      continue;
    }
    if (f.outside(world.bounds[e])) continue;
    const Node& n = world.nodes[e];
    Side near = n.side(f.ex, f.ey) < 0 ? kNeg : kPos;
    if (n.child[otherSide(near)]) stack_.push_back(n.child[otherSide(near)]);
    stack_.push_back(-e - 1);
    if (n.child[near]) stack_.push_back(n.child[near]);
  }
}

bool Renderer::Frame::outside(const Bounds& b) const {
  // The box lies wholly on the outer side of one of the planes that bound
  // what the frame shows: behind the nearest depth, or beyond its left or
  // right edge. Each test takes the corner farthest towards the inner side.
  auto most = [&](double nx, double ny) {
    return ((nx > 0 ? b.maxX : b.minX) - ex) * nx + ((ny > 0 ? b.maxY : b.minY) - ey) * ny;
  };
  return most(dx, dy) < kNear || most(leftX, leftY) < 0 || most(rightX, rightY) < 0;
}

void Renderer::setLowestOpen(Long x, int row) {
  size_t i = leaves_ + static_cast<size_t>(x);
  if (lowest_[i] == row) return;
  lowest_[i] = row;
  for (i /= 2; i >= 1; i /= 2) {
    const int m = std::max(lowest_[2 * i], lowest_[2 * i + 1]);
    if (lowest_[i] == m) break;
    lowest_[i] = m;
  }
}

int Renderer::lowestOpen(Long x0, Long x1) const {
  int m = -1;
  for (size_t l = leaves_ + x0, r = leaves_ + x1 + 1; l < r; l /= 2, r /= 2) {
    if (l & 1) m = std::max(m, lowest_[l++]);
    if (r & 1) m = std::max(m, lowest_[--r]);
  }
  return m;
}

void Renderer::drawPiece(Frame& f, const Piece& p) {
  if (p.length == 0) return;
  const double dv = p.side(f.ex, f.ey);
  if (!(dv != 0)) return;  // seen edge on

  // The end points in view space (depth along the view, offset to the right),
  // cut at the near plane.
  double z1 = (p.x1 - f.ex) * f.dx + (p.y1 - f.ey) * f.dy, s1 = (p.x1 - f.ex) * f.rx + (p.y1 - f.ey) * f.ry;
  double z2 = (p.x2 - f.ex) * f.dx + (p.y2 - f.ey) * f.dy, s2 = (p.x2 - f.ex) * f.rx + (p.y2 - f.ey) * f.ry;
  if (!(z1 >= kNear || z2 >= kNear)) return;
  if (z1 < kNear) {
    s1 += (s2 - s1) * ((kNear - z1) / (z2 - z1));
    z1 = kNear;
  } else if (z2 < kNear) {
    s2 += (s1 - s2) * ((kNear - z2) / (z1 - z2));
    z2 = kNear;
  }
  // Columns whose centres lie between the two ends, kept within the frame
  // before they become numbers of columns.
  const double edge = static_cast<double>(f.w) + 1;
  double X1 = std::clamp(f.cx + s1 * f.focal / z1, -1.0, edge), X2 = std::clamp(f.cx + s2 * f.focal / z2, -1.0, edge);
  if (X1 > X2) std::swap(X1, X2);
  const double first = std::max(std::ceil(X1 - 0.5), 0.0), last = std::min(std::ceil(X2 - 0.5) - 1, f.w - 1.0);
  if (!(first <= last)) return;
  // Rays that pass above the piece and all the space it bounds where it is
  // nearest, going up, never come down to it.
  if (p.high >= f.eye &&
      lowestOpen(static_cast<Long>(first), static_cast<Long>(last)) < f.rowOf(p.high, f.focal / std::min(z1, z2)))
    return;
  ++piecesDrawn;

  ProfileCache profiles(p, dv < 0 ? kPos : kNeg);
  // Each column's ray meets the piece's line at the depth where the eye's
  // distance from the line is used up, and the focal scale there is the
  // focal length over that depth (nearer than kNear treated as kNear). With
  // the line's unit normal, pieces cut from one wall give each column the
  // same depth as the whole wall would.
  const double nx = p.a / p.length, ny = p.b / p.length;
  const double toScale = -f.focal / ((f.ex - p.x1) * nx + (f.ey - p.y1) * ny), nearest = f.focal / kNear;
  for (Long x = static_cast<Long>(first); x <= static_cast<Long>(last); ++x) {
    if (!counts_[x]) continue;
    double scale = (rayX_[x] * nx + rayY_[x] * ny) * toScale;
    if (!(scale > 0 && scale < nearest)) scale = nearest;
    drawColumn(f, profiles, x, scale);
  }
}

// One column of a piece's wall: its texture column, its light, and its
// texture rows in 16.16 fixed point, running downwards as the height falls.
// Worked out when the column first shows the wall.
struct Renderer::WallColumn {
  const Frame& f;
  const Piece& p;
  double scale;
  double rayX, rayY;
  std::uint32_t* col;
  const std::uint32_t* texels = nullptr;
  std::uint32_t light = 0;
  std::int64_t perRow = 0;

  void draw(int r0, int r1) {
    if (r0 >= r1) return;
    const double z = f.focal / scale;
    if (!texels) {
      const double hitX = f.ex + z * rayX, hitY = f.ey + z * rayY;
      texels = p.wallTex->texel.data() + texCoord((hitX * p.ux + hitY * p.uy) * kInvTexel);
      light = f.lightAt(z, p.light);
      perRow = fixedTexels(z / f.focal * kInvTexel);
    }
    std::int64_t v = fixedTexels(-(f.eye + (f.horizon - (r0 + 0.5)) * z / f.focal) * kInvTexel);
    const size_t stride = static_cast<size_t>(f.w);
    std::uint32_t* out = col + static_cast<size_t>(r0) * stride;
    auto texel = [&] {
      const std::uint32_t c = texels[((v >> 16) & kTexMask) << kTexBits];
      v += perRow;
      return c;
    };
    // Lit a batch at a time, as the planes are.
    int r = r0;
    for (; r + kBatch <= r1; r += kBatch) {
      std::uint32_t c[kBatch];
      for (int k = 0; k < kBatch; ++k) c[k] = texel();
      for (int k = 0; k < kBatch; ++k) c[k] = shade(c[k], light);
      for (int k = 0; k < kBatch; ++k, out += stride) *out = c[k];
    }
    for (; r < r1; ++r, out += stride) *out = shade(texel(), light);
  }
};

const Renderer::Profile& Renderer::ProfileCache::get(const Frame& f, Long area, Long roof) {
  for (int i = 0; i < std::min(made, kSize); ++i)
    if (slot[i].area == area && slot[i].roof == roof) return slot[i];
  Profile& pr = slot[made++ % kSize];
  pr.make(f.world, p, far, area, roof);
  return pr;
}

void Renderer::drawColumn(Frame& f, ProfileCache& profiles, Long x, double scale) {
  WallColumn wall{f, profiles.p, scale, rayX_[x], rayY_[x], f.px + x};
  Window* open = &windows_[static_cast<size_t>(x) * kMaxWindows];
  Window next[kMaxWindows * 8];
  int count = 0;
  for (int i = 0; i < counts_[x]; ++i) {
    const Window win = open[i];
    const int end = win.b + 1;
    // Rows whose rays reach the space's ceiling or floor before the piece.
    const int ceilEnd = std::clamp(f.rowOf(f.world.ceilOf(win.area), scale), win.t, end);
    const int floorStart = std::clamp(f.rowOf(f.lowOf(win.area, win.roof), scale), ceilEnd, end);
    addRun(ceilingPlane(win.area), static_cast<int>(x), win.t, ceilEnd - 1);
    addRun(floorPlane(win.area, win.roof), static_cast<int>(x), floorStart, win.b);
    if (ceilEnd >= floorStart) continue;
    // The rest meet the piece: from the top down, solid parts and the
    // spaces beyond it.
    const Profile& pr = profiles.get(f, win.area, win.roof);
    int r0 = ceilEnd;
    for (int k = pr.count - 1; k >= 0; --k) {
      const int r1 = k > 0 ? std::clamp(f.rowOf(pr.from[k], scale), r0, floorStart) : floorStart;
      if (r0 >= r1) continue;
      Window& last = next[count > 0 ? count - 1 : 0];
      if (pr.toArea[k] < -1)
        wall.draw(r0, r1);
      else if (count > 0 && last.b + 1 == r0 && last.area == pr.toArea[k] && last.roof == pr.toRoof[k])
        last.b = r1 - 1;
      else
        next[count++] = {r0, r1 - 1, pr.toArea[k], pr.toRoof[k]};
      r0 = r1;
    }
  }
  // Too many windows: the smallest are shut with the piece.
  while (count > kMaxWindows) {
    int smallest = 0;
    for (int i = 1; i < count; ++i)
      if (next[i].b - next[i].t < next[smallest].b - next[smallest].t) smallest = i;
    wall.draw(next[smallest].t, next[smallest].b + 1);
    std::copy(next + smallest + 1, next + count, next + smallest);
    --count;
  }
  std::copy(next, next + count, open);
  counts_[x] = static_cast<unsigned char>(count);
  setLowestOpen(x, count ? next[count - 1].b : -1);
  if (count == 0) --openColumns_;
}

void Renderer::finish(Frame& f) {
  // Rays that leave every piece behind end on their space's ceiling (or the
  // sky) above the horizon and on its floor below it.
  const int split = static_cast<int>(std::ceil(f.horizon - 0.5));
  for (Long x = 0; x < f.w; ++x)
    for (int i = 0; i < counts_[x]; ++i) {
      const Window& win = windows_[static_cast<size_t>(x) * kMaxWindows + i];
      addRun(ceilingPlane(win.area), static_cast<int>(x), win.t, std::min(win.b, split - 1));
      addRun(floorPlane(win.area, win.roof), static_cast<int>(x), std::max(win.t, split), win.b);
    }
}

void Renderer::addRun(std::uint16_t plane, int x, int t, int b) {
  if (t > b) return;
  const size_t w = static_cast<size_t>(width_);
  for (int i = newestRuns_[plane]; i >= 0; i = runs_[i].older) {
    Runs& runs = runs_[i];
    std::int16_t* top = runTop_.data() + i * w;
    std::int16_t* bottom = runBottom_.data() + i * w;
    // Columns newly inside the range are marked empty as it grows.
    if (x < runs.minX) {
      std::fill(top + x + 1, top + runs.minX, INT16_MAX);
      std::fill(bottom + x + 1, bottom + runs.minX, -1);
      runs.minX = x;
    } else if (x > runs.maxX) {
      std::fill(top + runs.maxX + 1, top + x, INT16_MAX);
      std::fill(bottom + runs.maxX + 1, bottom + x, -1);
      runs.maxX = x;
    } else if (top[x] <= bottom[x]) {
      // The column is taken: join a run that touches it, else look further.
      if (top[x] == b + 1)
        top[x] = static_cast<std::int16_t>(t);
      else if (bottom[x] == t - 1)
        bottom[x] = static_cast<std::int16_t>(b);
      else
        continue;
      return;
    }
    top[x] = static_cast<std::int16_t>(t);
    bottom[x] = static_cast<std::int16_t>(b);
    return;
  }
  const int i = static_cast<int>(runs_.size());
  runs_.push_back({plane, x, x, newestRuns_[plane]});
  newestRuns_[plane] = i;
  if (runTop_.size() < (i + 1) * w) {
    runTop_.resize((i + 1) * w);
    runBottom_.resize((i + 1) * w);
  }
  runTop_[i * w + x] = static_cast<std::int16_t>(t);
  runBottom_[i * w + x] = static_cast<std::int16_t>(b);
}

void Renderer::drawPlanes(Frame& f) {
  const size_t w = static_cast<size_t>(width_);
  for (size_t i = 0; i < runs_.size(); ++i) drawSpans(f, runs_[i], runTop_.data() + i * w, runBottom_.data() + i * w);
}

void Renderer::drawSpans(Frame& f, const Runs& runs, const std::int16_t* top, const std::int16_t* bottom) {
  // Column by column, a row's span ends where the runs stop covering it and
  // starts where they begin to: each span is then drawn along its row.
  const Plane& plane = planes_[runs.plane];
  int t1 = INT16_MAX, b1 = -1;
  for (int x = runs.minX; x <= runs.maxX + 1; ++x) {
    int t2 = INT16_MAX, b2 = -1;
    if (x <= runs.maxX) t2 = top[x], b2 = bottom[x];
    for (; t1 < t2 && t1 <= b1; ++t1) drawSpan(f, plane, t1, spanStart_[t1], x);
    for (; b1 > b2 && b1 >= t1; --b1) drawSpan(f, plane, b1, spanStart_[b1], x);
    int t = t2, b = b2;
    for (; t < t1 && t <= b; ++t) spanStart_[t] = x;
    for (; b > b1 && b >= t; --b) spanStart_[b] = x;
    t1 = t2, b1 = b2;
  }
}

void Renderer::drawSpan(Frame& f, const Plane& plane, int r, int x0, int x1) {
  // All along a row the plane lies at the same depth, so the texture steps
  // evenly from column to column.
  std::uint32_t* row = f.px + static_cast<size_t>(r) * f.w;
  if (!plane.tex) {
    std::fill(row + x0, row + x1, sky_[r]);
    return;
  }
  double z = (f.eye - plane.height) * rowDepth_[r];
  z = z > kNear ? std::min(z, kFar) : kNear;
  const std::uint32_t light = f.lightAt(z, 1);
  // Stepped from the row's first column, so a pixel's texel does not depend
  // on where its span begins.
  const std::int64_t du = fixedTexels(z * f.rx / f.focal * kInvTexel);
  const std::int64_t dv = fixedTexels(z * f.ry / f.focal * kInvTexel);
  std::int64_t u = fixedTexels((f.ex + z * rayX_[0]) * kInvTexel) + x0 * du;
  std::int64_t v = fixedTexels((f.ey + z * rayY_[0]) * kInvTexel) + x0 * dv;
  const std::uint32_t* texels = plane.tex->texel.data();
  auto texel = [&] {
    const std::uint32_t c = texels[((v >> 16) & kTexMask) << kTexBits | ((u >> 16) & kTexMask)];
    u += du, v += dv;
    return c;
  };
  // Texels are fetched a batch at a time and then lit together, which the
  // compiler does several at once.
  int i = x0;
  for (; i + kBatch <= x1; i += kBatch) {
    std::uint32_t c[kBatch];
    for (int k = 0; k < kBatch; ++k) c[k] = texel();
    for (int k = 0; k < kBatch; ++k) row[i + k] = shade(c[k], light);
  }
  for (; i < x1; ++i) row[i] = shade(texel(), light);
}

}  // namespace kv::engine
