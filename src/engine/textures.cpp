#include "engine/textures.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

namespace kv::engine {
namespace {

// --- noise ----------------------------------------------------------------------

std::uint32_t hash(int x, int y, std::uint32_t seed) {
  std::uint32_t h =
      static_cast<std::uint32_t>(x) * 0x8DA6B343u ^ static_cast<std::uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return h;
}

double rnd(int x, int y, std::uint32_t seed) { return (hash(x, y, seed) & 0xFFFF) / 65535.0; }

// Smooth value noise on a lattice of `cell` texels that wraps at the texture
// size, so the texture tiles without seams.
double smooth(int x, int y, int cell, std::uint32_t seed) {
  int n = kTexSize / cell;
  int cx = x / cell, cy = y / cell;
  double fx = double(x % cell) / cell, fy = double(y % cell) / cell;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  auto v = [&](int i, int j) { return rnd(((cx + i) % n + n) % n, ((cy + j) % n + n) % n, seed); };
  double top = v(0, 0) + (v(1, 0) - v(0, 0)) * fx;
  double bottom = v(0, 1) + (v(1, 1) - v(0, 1)) * fx;
  return top + (bottom - top) * fy;
}

// Noise of several octaves in [0, 1].
double fractal(int x, int y, std::uint32_t seed) {
  return (smooth(x, y, 16, seed) * 0.5 + smooth(x, y, 8, seed + 1) * 0.3 + smooth(x, y, 4, seed + 2) * 0.2);
}

// --- colours --------------------------------------------------------------------

struct Rgb {
  double r, g, b;
};
Rgb rgbOf(std::uint32_t c) { return {double(c >> 16 & 255), double(c >> 8 & 255), double(c & 255)}; }
std::uint32_t pack(Rgb c) {
  auto ch = [](double v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 255.0)); };
  return ch(c.r) << 16 | ch(c.g) << 8 | ch(c.b);
}
Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

// --- patterns -------------------------------------------------------------------

enum class Pattern { Noise, Bricks, Blocks, Planks, Tiles, Checker, Plates, Marble, Stripes, Diamonds, Grid };

// One entry of a palette: a pattern, its two colours and a size parameter.
struct Recipe {
  Pattern pattern;
  std::uint32_t a, b;  // main colour, second colour (mortar, grout, veins)
  int size;            // brick height, tile size, stripe width
};

// Bricks of height h and width 2h, every other row offset by half a brick.
double brickMortar(int x, int y, int h, int& bx, int& by) {
  by = y / h;
  int xs = x + (by % 2) * h;
  bx = (xs / (2 * h)) % (kTexSize / (2 * h));
  return (y % h == 0 || xs % (2 * h) == 0) ? 1.0 : 0.0;
}

std::uint32_t texel(const Recipe& r, int x, int y, std::uint32_t seed) {
  Rgb a = rgbOf(r.a), b = rgbOf(r.b);
  double grain = fractal(x, y, seed);
  double fine = rnd(x, y, seed + 7);
  switch (r.pattern) {
    case Pattern::Noise:
      return pack(mix(a, b, std::clamp(grain * 1.4 - 0.2 + (fine - 0.5) * 0.25, 0.0, 1.0)));
    case Pattern::Bricks:
    case Pattern::Blocks: {
      int bx, by;
      int h = r.size;
      if (brickMortar(x, y, h, bx, by) > 0) return pack(scale(b, 0.9 + fine * 0.2));
      double tone = 0.8 + 0.35 * rnd(bx, by, seed + 3);
      if (r.pattern == Pattern::Blocks) tone = 0.75 + 0.3 * grain + 0.15 * rnd(bx, by, seed + 3);
      // A darker lower edge gives each brick some depth.
      if (y % h == h - 1) tone *= 0.8;
      return pack(scale(a, tone * (0.92 + fine * 0.16)));
    }
    case Pattern::Planks: {
      int board = x / r.size;
      double ring = std::sin((y + 9 * rnd(board, 0, seed)) * (6.2831853 * 5 / kTexSize) + grain * 6.0) * 0.5 + 0.5;
      double tone = 0.8 + 0.25 * rnd(board, 1, seed) + 0.15 * ring;
      if (x % r.size == 0) return pack(scale(a, 0.45));
      return pack(mix(scale(a, tone), b, 0.15 * ring));
    }
    case Pattern::Tiles: {
      if (x % r.size == 0 || y % r.size == 0) return pack(scale(b, 0.9 + fine * 0.2));
      double tone = 0.85 + 0.2 * rnd(x / r.size, y / r.size, seed + 5) + 0.1 * (grain - 0.5);
      return pack(scale(a, tone));
    }
    case Pattern::Checker: {
      bool odd = ((x / r.size) + (y / r.size)) % 2;
      return pack(scale(odd ? b : a, 0.9 + 0.15 * grain));
    }
    case Pattern::Plates: {
      int s = r.size;
      int px = x % s, py = y % s;
      bool seam = px == 0 || py == 0;
      bool rivet = (px == 3 || px == s - 3) && (py == 3 || py == s - 3);
      if (seam) return pack(scale(a, 0.45));
      if (rivet) return pack(b);
      double sheen = 0.8 + 0.3 * double(px + py) / (2 * s) + 0.1 * (grain - 0.5);
      return pack(scale(a, sheen));
    }
    case Pattern::Marble: {
      double vein = std::abs(std::sin((x + y) * 6.2831853 / kTexSize * 2 + grain * 7.0));
      return pack(mix(b, a, std::pow(vein, 0.35)));
    }
    case Pattern::Stripes: {
      bool band = (y / r.size) % 2;
      return pack(scale(band ? b : a, 0.85 + 0.2 * grain));
    }
    case Pattern::Diamonds: {
      int s = r.size;
      int dx = std::abs(x % (2 * s) - s), dy = std::abs(y % (2 * s) - s);
      bool inner = dx + dy < s - 1;
      bool edge = dx + dy == s - 1 || dx + dy == s;
      if (edge) return pack(scale(b, 0.6));
      return pack(scale(inner ? a : b, 0.85 + 0.2 * grain));
    }
    case Pattern::Grid: {
      bool bar = x % r.size < 2 || y % r.size < 2;
      return pack(scale(bar ? a : b, 0.8 + 0.3 * grain));
    }
  }
  return 0;
}

constexpr std::uint32_t C(int r, int g, int b) {
  return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}

// Neighbouring numbers differ in pattern and in colour, so a map maker tells
// textures 1 and 2 apart at a glance.
const Recipe kWalls[kPaletteSize] = {
    {Pattern::Noise, C(120, 120, 118), C(80, 80, 84), 0},      // 0 concrete
    {Pattern::Bricks, C(168, 62, 44), C(196, 188, 170), 8},    // 1 red brick
    {Pattern::Blocks, C(128, 136, 150), C(60, 62, 70), 16},    // 2 blue-grey stone
    {Pattern::Planks, C(140, 92, 50), C(90, 56, 28), 8},       // 3 wood
    {Pattern::Blocks, C(88, 128, 70), C(46, 60, 40), 16},      // 4 mossy stone
    {Pattern::Plates, C(70, 100, 160), C(200, 210, 230), 16},  // 5 blue metal
    {Pattern::Blocks, C(206, 174, 104), C(130, 104, 60), 8},   // 6 sandstone
    {Pattern::Tiles, C(40, 130, 130), C(16, 50, 50), 16},      // 7 teal panels
    {Pattern::Marble, C(150, 90, 170), C(230, 210, 240), 0},   // 8 purple marble
    {Pattern::Bricks, C(214, 120, 40), C(70, 40, 20), 4},      // 9 small orange brick
    {Pattern::Noise, C(226, 222, 210), C(180, 176, 166), 0},   // 10 plaster
    {Pattern::Stripes, C(150, 70, 40), C(96, 96, 100), 4},     // 11 rusty bands
    {Pattern::Tiles, C(40, 110, 56), C(200, 220, 200), 8},     // 12 green tiles
    {Pattern::Checker, C(30, 30, 34), C(220, 220, 220), 8},    // 13 black and white
    {Pattern::Noise, C(210, 130, 140), C(120, 60, 70), 0},     // 14 pink granite
    {Pattern::Diamonds, C(60, 200, 220), C(30, 70, 110), 8},   // 15 cyan diamonds
};

const Recipe kFloors[kPaletteSize] = {
    {Pattern::Noise, C(110, 84, 56), C(64, 48, 32), 0},         // 0 earth (also the ground outside)
    {Pattern::Tiles, C(150, 150, 146), C(70, 70, 70), 32},      // 1 grey flagstones
    {Pattern::Planks, C(170, 120, 70), C(110, 70, 40), 16},     // 2 parquet
    {Pattern::Checker, C(170, 40, 40), C(230, 226, 214), 16},   // 3 red and white
    {Pattern::Noise, C(70, 140, 50), C(30, 80, 24), 0},         // 4 grass
    {Pattern::Tiles, C(60, 90, 170), C(210, 220, 240), 16},     // 5 blue tiles
    {Pattern::Noise, C(220, 196, 140), C(170, 140, 90), 0},     // 6 sand
    {Pattern::Grid, C(60, 64, 70), C(110, 116, 124), 8},        // 7 metal grating
    {Pattern::Marble, C(236, 236, 230), C(120, 120, 126), 0},   // 8 white marble
    {Pattern::Tiles, C(190, 100, 60), C(90, 50, 30), 16},       // 9 terracotta
    {Pattern::Noise, C(150, 150, 150), C(90, 94, 98), 0},       // 10 gravel
    {Pattern::Checker, C(40, 120, 60), C(200, 220, 170), 32},   // 11 green checker
    {Pattern::Bricks, C(130, 50, 40), C(60, 50, 46), 8},        // 12 brick paving
    {Pattern::Tiles, C(120, 60, 150), C(40, 20, 50), 8},        // 13 purple tiles
    {Pattern::Stripes, C(220, 190, 40), C(50, 50, 50), 8},      // 14 hazard stripes
    {Pattern::Diamonds, C(180, 170, 150), C(100, 90, 80), 16},  // 15 mosaic
};

const Recipe kCeilings[kPaletteSize] = {
    {Pattern::Noise, C(190, 190, 186), C(150, 150, 148), 0},     // 0 plaster
    {Pattern::Tiles, C(226, 226, 220), C(150, 150, 150), 16},    // 1 acoustic tiles
    {Pattern::Planks, C(120, 80, 46), C(70, 44, 24), 16},        // 2 wooden boards
    {Pattern::Plates, C(50, 60, 110), C(170, 180, 210), 32},     // 3 dark blue panels
    {Pattern::Noise, C(130, 130, 126), C(90, 90, 90), 0},        // 4 concrete
    {Pattern::Tiles, C(230, 216, 170), C(140, 120, 80), 32},     // 5 cream tiles
    {Pattern::Stripes, C(150, 110, 70), C(90, 60, 40), 8},       // 6 beams
    {Pattern::Grid, C(90, 96, 104), C(50, 54, 60), 16},          // 7 metal grid
    {Pattern::Marble, C(200, 180, 220), C(120, 100, 150), 0},    // 8 lilac marble
    {Pattern::Checker, C(200, 200, 200), C(140, 140, 150), 32},  // 9 grey checker
    {Pattern::Noise, C(70, 90, 120), C(40, 50, 70), 0},          // 10 slate
    {Pattern::Tiles, C(120, 170, 120), C(60, 90, 60), 16},       // 11 green panels
    {Pattern::Bricks, C(170, 150, 120), C(90, 80, 70), 16},      // 12 vault stones
    {Pattern::Diamonds, C(200, 170, 80), C(110, 80, 30), 16},    // 13 gilded coffers
    {Pattern::Plates, C(170, 170, 176), C(60, 60, 60), 16},      // 14 steel sheets
    {Pattern::Stripes, C(220, 120, 120), C(240, 230, 230), 16},  // 15 awning
};

std::vector<Texture> build(const Recipe (&recipes)[kPaletteSize], std::uint32_t seed) {
  std::vector<Texture> out(kPaletteSize);
  for (int i = 0; i < kPaletteSize; ++i)
    for (int y = 0; y < kTexSize; ++y)
      for (int x = 0; x < kTexSize; ++x)
        out[i].texel[(y << kTexBits) | x] = texel(recipes[i], x, y, seed + 101 * static_cast<std::uint32_t>(i));
  return out;
}

constexpr int kMarks = 7;
const std::uint32_t kMarkColours[kMarks] = {C(255, 0, 200), C(255, 230, 0),   C(0, 230, 255), C(255, 120, 0),
                                            C(120, 255, 0), C(255, 255, 255), C(140, 60, 255)};

// A built-in texture crossed by diagonal bands of a marking colour: 4 texels
// wide every 16, so the pattern below still shows.
Texture marked(const Texture& base, int mark) {
  Texture t = base;
  const Rgb m = rgbOf(kMarkColours[mark - 1]);
  for (int y = 0; y < kTexSize; ++y)
    for (int x = 0; x < kTexSize; ++x)
      if ((x + y) % 16 < 4) t.texel[(y << kTexBits) | x] = pack(mix(rgbOf(base.at(x, y)), m, 0.7));
  return t;
}

const std::vector<Texture>& builtIn(Surface kind) {
  static const std::vector<Texture> walls = build(kWalls, 1);
  static const std::vector<Texture> floors = build(kFloors, 5000);
  static const std::vector<Texture> ceilings = build(kCeilings, 9000);
  return kind == Surface::Wall ? walls : kind == Surface::Floor ? floors : ceilings;
}

}  // namespace

int textureMark(Long n) {
  if (n >= 0 && n < kPaletteSize) return 0;
  // The block of 16 the number lies in, rounded down: 1 for 16 to 31, -1 for -16 to -1.
  const std::int64_t block = (static_cast<std::int64_t>(n) - paletteIndex(n)) / kPaletteSize;
  return 1 + static_cast<int>(((block - 1) % kMarks + kMarks) % kMarks);
}

const Texture& texture(Surface kind, Long number) {
  const std::vector<Texture>& set = builtIn(kind);
  const int mark = textureMark(number);
  if (mark == 0) return set[paletteIndex(number)];
  // Marked textures are made when first asked for (a map loads them once).
  static std::mutex lock;
  static std::unique_ptr<Texture> made[3][kPaletteSize][kMarks];
  std::lock_guard<std::mutex> hold(lock);
  auto& slot = made[static_cast<int>(kind)][paletteIndex(number)][mark - 1];
  if (!slot) slot = std::make_unique<Texture>(marked(set[paletteIndex(number)], mark));
  return *slot;
}

}  // namespace kv::engine
