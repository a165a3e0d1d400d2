// The engine's fixed palette of procedural textures: sixteen for walls,
// sixteen for floors and sixteen for ceilings, each 64 x 64 texels and
// seamless, chosen by a texture number from 0 to 15. They are made from
// integer noise at start-up, so every run and every machine shows the same
// pictures.
//
// A number outside the built-in set shows the pattern of its number modulo 16
// crossed by diagonal bands in one of seven marking colours, picked by the
// block of 16 the number falls in: 17 never looks like 1, nor 33 like 17, and
// any marked surface says "this number has no texture of its own".
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

// The marking of a texture number: 0 for the built-in set (0 to 15), else 1
// to 7 by the block of 16 it lies in: 16 to 31 give 1, 32 to 47 give 2, and
// so on, the colours repeating every seven blocks (-16 to -1 give 6).
int textureMark(Long n);

// The texture a number shows; the reference stays valid for the program's life.
const Texture& texture(Surface kind, Long number);

}  // namespace kv::engine
