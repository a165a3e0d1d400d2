// The engine's fixed palette of procedural textures: sixteen for walls,
// sixteen for floors and sixteen for ceilings, each 64 x 64 texels and
// seamless, chosen by a texture number (taken modulo 16, negative numbers
// too). They are made from integer noise at start-up, so every run and every
// machine shows the same pictures.
#pragma once
#include <array>
#include <cstdint>

#include "model/numbers.h"

namespace kv::engine {

constexpr int kTexBits = 6;
constexpr int kTexSize = 1 << kTexBits;  // texels per side
constexpr int kTexMask = kTexSize - 1;
constexpr int kPaletteSize = 16;

struct Texture {
  std::array<std::uint32_t, kTexSize * kTexSize> texel{};  // row-major, 0x00RRGGBB
  std::uint32_t at(int u, int v) const { return texel[((v & kTexMask) << kTexBits) | (u & kTexMask)]; }
};

enum class Surface { Wall, Floor, Ceiling };

// Palette index of a texture number: n modulo 16, always 0 to 15.
inline int paletteIndex(Long n) { return static_cast<int>(((n % kPaletteSize) + kPaletteSize) % kPaletteSize); }

const Texture& texture(Surface kind, Long number);

}  // namespace kv::engine
