#include "engine/kv3d15.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "model/clsMap.h"

namespace kv::engine {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;
constexpr Long kMaxFrameSide = 4096;
// Slack of the geometric tests of a move, in map units.
constexpr double kSlack = 1e-9;

double normalDir(double d) {
  d = std::fmod(d, 360.0);
  return d < 0 ? d + 360 : d;
}

double distanceToPiece(const Piece& p, double x, double y) {
  double t = ((x - p.x1) * p.ux + (y - p.y1) * p.uy);
  t = std::clamp(t, 0.0, p.length);
  return std::hypot(x - (p.x1 + p.ux * t), y - (p.y1 + p.uy * t));
}

// Whether the segment from (x0, y0) to (x1, y1) meets the piece, where s0 and
// s1 are the side values of its ends; the piece's own ends count.
bool crosses(const Piece& p, double x0, double y0, double x1, double y1, double s0, double s1) {
  if (!((s0 < 0 && s1 >= 0) || (s0 > 0 && s1 <= 0))) return false;
  double k = s0 / (s0 - s1);
  double cx = x0 + (x1 - x0) * k, cy = y0 + (y1 - y0) * k;
  double t = (cx - p.x1) * p.ux + (cy - p.y1) * p.uy;
  return t >= -kSlack && t <= p.length + kSlack;
}

bool startsWithMagic(const std::string& path) {
  std::string problem;
  auto bytes = readFileBytes(path, problem);  // regular files only, never a pipe
  return bytes && bytes->size() >= 4 && std::equal(bytes->begin(), bytes->begin() + 4, "KV3D");
}

}  // namespace

Engine::Engine() {
  // The graphics layer is made first, so it outlives the engine's bitmap.
  (void)gdi::liveObjects();
}

Engine::~Engine() {
  if (bitmap_) gdi::deleteBitmap(bitmap_);
}

Long Engine::frameBitmap() {
  FrameBuffer* fb = gdi::bitmap(bitmap_);
  if (!fb) {
    bitmap_ = gdi::createBitmap(width_, height_);
    fb = gdi::bitmap(bitmap_);
  }
  if (fb->width != width_ || fb->height != height_) fb->resize(width_, height_);
  return bitmap_;
}

const FrameBuffer& Engine::frame() { return *gdi::bitmap(frameBitmap()); }

bool Engine::accept(std::optional<World> w, std::string problem, Long width, Long height) {
  width_ = width > 0 ? std::min(width, kMaxFrameSide) : 320;
  height_ = height > 0 ? std::min(height, kMaxFrameSide) : 200;
  world_.reset();
  viewer_ = Viewer{};
  if (!w) {
    error_ = std::move(problem);
    return false;
  }
  error_.clear();
  world_ = std::make_unique<World>(std::move(*w));
  const Start& s = world_->start;
  viewer_.eyeHeight = std::max<double>(s.z, 1);
  viewer_.dir = normalDir(s.dir);
  place(s.x, s.y);
  return true;
}

Long Engine::init(const std::string& headerPath, Long width, Long height) {
  std::string problem;
  std::optional<World> w;
  std::string path = localPath(headerPath);
  std::optional<Settings> s;
  if (startsWithMagic(path)) {
    // Given the map binary itself: load it with the default settings.
    s = Settings{};
    s->mapFile = path;
  } else {
    s = readHeader(path, problem);
  }
  if (s) {
    settings_ = *s;
    auto bytes = readFileBytes(s->mapFile, problem);
    std::optional<MapFileContents> c;
    if (bytes) c = parseMap(*bytes, problem);
    if (c) w = World::fromContents(*c, problem);
    if (!w) problem = s->mapFile + ": " + problem;
  } else {
    settings_ = Settings{};
  }
  accept(std::move(w), problem, width, height);
  return draw();
}

bool Engine::load(const clsMap& map, Long width, Long height) {
  std::string problem;
  Long n = std::clamp<Long>(map.wallCount, 0, kWallSlots);
  Long a = std::clamp<Long>(map.areaCount, 0, kAreaSlots);
  Long g = std::clamp<Long>(map.globalCount, 0, kAreaSlots);
  Start start{map.viewerX, map.viewerY, map.viewerZ, map.viewerDir};
  auto w = World::fromRecords(std::span(map.walls.data(), n), std::span(map.areas.data(), a),
                              std::span(map.globals.data(), g), start, problem);
  settings_ = Settings{};
  bool ok = accept(std::move(w), problem, width, height);
  draw();
  return ok;
}

View Engine::view() const {
  View v;
  v.x = viewer_.eyeX;
  v.y = viewer_.eyeY;
  v.dir = viewer_.dir;
  v.area = viewer_.area;
  v.eye = (world_ ? world_->floorOf(viewer_.area) : 0) + viewer_.eyeHeight;
  return v;
}

Long Engine::draw() {
  Long h = frameBitmap();
  renderer_.render(world_.get(), view(), settings_, *gdi::bitmap(h));
  return h;
}

// A map binary may carry any viewer start (its position is stored as
// doubles): one that is not a number stands at 0, one beyond the map's 32-bit
// coordinates at their edge, so every ray the renderer casts stays finite.
static double onMap(double v) {
  if (std::isnan(v)) return 0;
  return std::clamp(v, -2147483648.0, 2147483647.0);
}

void Engine::place(double x, double y) {
  viewer_.x = onMap(x);
  viewer_.y = onMap(y);
  viewer_.area = world_ ? world_->areaAt(viewer_.x, viewer_.y) : -1;
  viewer_.eyeX = viewer_.x;
  viewer_.eyeY = viewer_.y;
  if (world_) world_->keepClear(viewer_.eyeX, viewer_.eyeY, viewer_.area, kEyeClearance);
}

bool Engine::passable(const Piece& p, Side from) const {
  const World& w = *world_;
  const Long there = w.across(viewer_.area, p, otherSide(from));
  const double feet = w.floorOf(viewer_.area);
  const double floorTo = w.floorOf(there), ceilTo = w.ceilOf(there);
  // Up the step (or the far floor, if higher) by at most the step height,
  // under the upper band, and room to stand on the far side.
  return std::max(p.lowTop, floorTo) - feet <= w.maxStep &&
         std::max(feet, p.lowTop) + viewer_.eyeHeight <= p.upBottom && floorTo + viewer_.eyeHeight <= ceilTo;
}

bool Engine::blocked(double x0, double y0, double x1, double y1, const Piece** by) const {
  const World& w = *world_;
  const Piece* hit = nullptr;
  double hitDistance = 0;
  for (const Piece& p : w.pieces) {
    if (p.degenerate) continue;
    double s0 = p.side(x0, y0), s1 = p.side(x1, y1);
    // The side the viewer comes from; standing on the line, the one it leaves.
    if (passable(p, s0 < 0 || (s0 == 0 && s1 > 0) ? kNeg : kPos)) continue;
    double d1 = distanceToPiece(p, x1, y1);
    bool stop =
        crosses(p, x0, y0, x1, y1, s0, s1) || (d1 < settings_.radius && d1 < distanceToPiece(p, x0, y0) - kSlack);
    if (stop && (!hit || d1 < hitDistance)) {
      hit = &p;
      hitDistance = d1;
    }
  }
  if (by) *by = hit;
  return hit != nullptr;
}

void Engine::walk(double dx, double dy) {
  if (!std::isfinite(dx) || !std::isfinite(dy) || (dx == 0 && dy == 0)) return;
  const double x = viewer_.x, y = viewer_.y;
  if (!world_) {
    place(x + dx, y + dy);
    return;
  }
  const Piece* wall = nullptr;
  if (!blocked(x, y, x + dx, y + dy, &wall)) {
    place(x + dx, y + dy);
    return;
  }
  // Slide along the wall that stopped the move.
  double along = dx * wall->ux + dy * wall->uy;
  double sx = along * wall->ux, sy = along * wall->uy;
  if ((sx != 0 || sy != 0) && !blocked(x, y, x + sx, y + sy, nullptr)) place(x + sx, y + sy);
}

void Engine::move(Long sideways, Long forward, Long /*third*/) {
  double r = viewer_.dir * kDegree;
  double fx = std::cos(r), fy = std::sin(r);
  // Right of the view as the plan view shows it (y down the screen).
  double rx = -fy, ry = fx;
  walk(fx * forward + rx * sideways, fy * forward + ry * sideways);
}

void Engine::forward() {
  double r = viewer_.dir * kDegree;
  walk(std::cos(r) * settings_.step, std::sin(r) * settings_.step);
}

void Engine::turn(Long step) {
  // On the plan view (y down) a left turn lowers the direction.
  viewer_.dir = normalDir(viewer_.dir - step);
}

void Engine::jump(Long x, Long y, Long z, Long dir) {
  viewer_.eyeHeight = std::max<double>(z, 1);
  viewer_.dir = normalDir(dir);
  place(x, y);
}

Long Engine::findArea() const { return world_ ? viewer_.area : -1; }

std::string Engine::areaName(Long area) const {
  if (!world_ || area < 0 || area >= static_cast<Long>(world_->areas.size())) return {};
  return world_->areas[area].name;
}

void Engine::flush() {
  world_.reset();
  viewer_.area = -1;
}

Long Engine::addProto(const std::string& path) {
  std::string p = localPath(path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(p, ec) || !std::ifstream(p, std::ios::binary)) {
    error_ = "The prototype file " + p + " does not exist or cannot be read.";
    return 0;
  }
  protos_.push_back(p);
  return 1;
}

Long Engine::hitInFront(Long distance) const {
  if (!world_) return -1;
  double r = viewer_.dir * kDegree;
  double reach = distance > 0 ? distance : 1e12;
  double x0 = viewer_.x, y0 = viewer_.y, x1 = x0 + std::cos(r) * reach, y1 = y0 + std::sin(r) * reach;
  Long best = -1;
  double bestK = 2;
  for (const Piece& p : world_->pieces) {
    if (p.degenerate) continue;
    double s0 = p.side(x0, y0), s1 = p.side(x1, y1);
    if (!crosses(p, x0, y0, x1, y1, s0, s1) || passable(p, s0 < 0 ? kNeg : kPos)) continue;
    double k = s0 / (s0 - s1);
    if (k < bestK) {
      bestK = k;
      best = p.index;
    }
  }
  return best;
}

Engine& engine() {
  static Engine e;
  return e;
}

}  // namespace kv::engine

namespace kv {

Long INITTALISSE(Long /*hdc*/, const std::string& headerPath, Long width, Long height, Long /*fifth*/) {
  return engine::engine().init(headerPath, width, height);
}
Long DRAWKV(Long /*hdc*/) { return engine::engine().draw(); }
void FORWARD() { engine::engine().forward(); }
void MOVEVIEWER(Long sideways, Long forward, Long third) { engine::engine().move(sideways, forward, third); }
void TURNVIEWER(Long step) { engine::engine().turn(step); }
void JUMPVIEWER(Long x, Long y, Long z, Long direction) { engine::engine().jump(x, y, z, direction); }
Long FINDAREA() { return engine::engine().findArea(); }
std::string FINDAREANAME(Long area) { return engine::engine().areaName(area); }
void FLUSHTALISSE() { engine::engine().flush(); }
Long ADDPROTO(const std::string& path) { return engine::engine().addProto(path); }
Long HITINFRONT(Long value) { return engine::engine().hitInFront(value); }

}  // namespace kv
