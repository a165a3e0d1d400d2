// Filling the line sets and choosing the splitter: a scalar loop, and AVX2 and
// AVX-512 kernels chosen at run time, all with the list walk's operations on
// the same doubles in the same order (no fused multiply-add, so every lane
// rounds as the scalar code does).
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "bsp/cutsets_engine.h"

#if KV_CUTSETS_X86
#include <immintrin.h>
#endif

namespace kv::bsp::engine {

namespace {
// All three at once, without a branch per condition.
inline bool allOf(bool a, bool b, bool c) {
  return (static_cast<int>(a) & static_cast<int>(b) & static_cast<int>(c)) != 0;
}
}  // namespace

bool Engine::cuts(int p, Side v) const {
  if (v.d == 0) return false;
  const double u = v.n / v.d;
  return ts_[p] < u && u < te_[p];
}

// The members of word w one by one: cut and negative-side bits, without
// branches on the geometry but the rare one for a first end point on the
// line (side values are whole numbers, see kSmallCoordinate).
Engine::WordBits Engine::fillWordScalar(int q, int w, std::uint64_t members) const {
  const double sx1 = x1_[q], sy1 = y1_[q], sdx = dx_[q], sdy = dy_[q];
  const double a = y1_[q] - y2(q), b = x2(q) - x1_[q];
  const bool whole = small_ && !(members & nonUnit_[w]);
  std::uint64_t c = 0, g = 0;
  for (std::uint64_t bits = members; bits; bits &= bits - 1) {
    const int at = std::countr_zero(bits), p = w * 64 + at;
    const double n = (x1_[p] - sx1) * a + (y1_[p] - sy1) * b;
    const double d = sdy * dx_[p] - sdx * dy_[p];
    bool cut;
    if (whole) {
      cut = allOf(n != 0, (n < 0) == (d < 0), std::fabs(n) < std::fabs(d));
    } else {
      const double u = n / (d == 0 ? 1.0 : d);
      cut = allOf(d != 0, ts_[p] < u, u < te_[p]);
    }
    bool neg = n < 0;
    if (n == 0 && d != 0) [[unlikely]]
      neg = (y2(p) - sy1) * b + (x2(p) - sx1) * a < -kOnLine;
    c |= static_cast<std::uint64_t>(cut) << at;
    g |= static_cast<std::uint64_t>(neg) << at;
  }
  return {c, g};
}

void Engine::boxes() {
#if KV_CUTSETS_X86
  if (kernels_ == Kernels::Avx512) return boxEightsAvx512();
#endif
  boxWords();
}

void Engine::setWordBox(int w, const double* lx, const double* ly, const double* hx, const double* hy) {
  double* b = &box_[static_cast<size_t>(w) * 4];
  b[0] = *std::min_element(lx, lx + 8), b[1] = *std::min_element(ly, ly + 8);
  b[2] = *std::max_element(hx, hx + 8), b[3] = *std::max_element(hy, hy + 8);
}

// Eight lanes side by side for the full eights of keys, so that the compiler
// can keep them in vector registers; the rest one by one.
void Engine::boxWords() {
  boxTries_ = boxHits_ = 0;
  box_.resize(static_cast<size_t>(W_) * 4);
  for (int w = 0; w < W_; ++w) {
    const int first = w * 64, count = std::min(64, n0_ - first), whole = count & ~7;
    const double *x1 = &x1_[first], *y1 = &y1_[first], *dx = &dx_[first], *dy = &dy_[first];
    double lx[8], ly[8], hx[8], hy[8];
    for (int j = 0; j < 8; ++j) lx[j] = hx[j] = x1[0], ly[j] = hy[j] = y1[0];
    auto take = [&](int j, double x, double y) {
      lx[j] = x < lx[j] ? x : lx[j], hx[j] = x > hx[j] ? x : hx[j];
      ly[j] = y < ly[j] ? y : ly[j], hy[j] = y > hy[j] ? y : hy[j];
    };
    for (int i = 0; i < whole; i += 8)
      for (int j = 0; j < 8; ++j) {
        take(j, x1[i + j], y1[i + j]);
        take(j, x1[i + j] + dx[i + j], y1[i + j] + dy[i + j]);
      }
    for (int i = whole; i < count; ++i) {
      take(0, x1[i], y1[i]);
      take(0, x1[i] + dx[i], y1[i] + dy[i]);
    }
    setWordBox(w, lx, ly, hx, hy);
  }
}

#if KV_CUTSETS_X86
namespace {

#define KV_AVX2 __attribute__((target("avx2"), always_inline)) inline
#define KV_AVX512 __attribute__((target("avx512f"), always_inline)) inline

// A line's terms and the columns of a word's keys, for four lanes.
struct Lanes4 {
  const double *x1, *y1, *dx, *dy;
  __m256d sx1, sy1, a, b, sdx, sdy;
};

// d and n of keys i to i+3 and their negative-side bits into g. With small
// coordinates every value is exact, so the second end point's side value is
// n - d: a member is below the line when n < 0, or n = 0 and d > 0; as d is
// at least 1 when positive, that is n < min(max(d, 0), 1/2). Otherwise the
// members whose first end point lies on the line while d is not 0 go into
// `on`, for their second end point. Returns the lanes where d is 0.
template <bool Small>
KV_AVX2 __m256d sides4(const Lanes4& k, int i, __m256d& d, __m256d& n, std::uint64_t& g, std::uint64_t& on) {
  const __m256d zero = _mm256_setzero_pd();
  d = _mm256_sub_pd(_mm256_mul_pd(k.sdy, _mm256_loadu_pd(k.dx + i)), _mm256_mul_pd(k.sdx, _mm256_loadu_pd(k.dy + i)));
  n = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(k.x1 + i), k.sx1), k.a),
                    _mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(k.y1 + i), k.sy1), k.b));
  const __m256d dz = _mm256_cmp_pd(d, zero, _CMP_EQ_OQ);
  if constexpr (Small) {
    const __m256d below = _mm256_min_pd(_mm256_max_pd(d, zero), _mm256_set1_pd(0.5));
    g |= static_cast<std::uint64_t>(_mm256_movemask_pd(_mm256_cmp_pd(n, below, _CMP_LT_OQ))) << i;
  } else {
    g |= static_cast<std::uint64_t>(_mm256_movemask_pd(_mm256_cmp_pd(n, zero, _CMP_LT_OQ))) << i;
    on |= static_cast<std::uint64_t>(_mm256_movemask_pd(_mm256_andnot_pd(dz, _mm256_cmp_pd(n, zero, _CMP_EQ_OQ)))) << i;
  }
  return dz;
}

// The lanes where n lies strictly between 0 and d.
KV_AVX2 int between4(__m256d d, __m256d n) {
  const __m256d zero = _mm256_setzero_pd();
  return _mm256_movemask_pd(_mm256_and_pd(_mm256_cmp_pd(_mm256_min_pd(d, zero), n, _CMP_LT_OQ),
                                          _mm256_cmp_pd(n, _mm256_max_pd(d, zero), _CMP_LT_OQ)));
}

struct Lanes8 {
  const double *x1, *y1, *dx, *dy;
  __m512d sx1, sy1, a, b, sdx, sdy;
};

// As sides4, for eight lanes; returns the lanes where d is not 0. (The
// zero-masking forms of min and max: the plain ones start from an undefined
// register, which GCC 12 warns about.)
template <bool Small>
KV_AVX512 __mmask8 sides8(const Lanes8& k, int i, __m512d& d, __m512d& n, std::uint64_t& g, std::uint64_t& on) {
  const __m512d zero = _mm512_setzero_pd();
  d = _mm512_sub_pd(_mm512_mul_pd(k.sdy, _mm512_loadu_pd(k.dx + i)), _mm512_mul_pd(k.sdx, _mm512_loadu_pd(k.dy + i)));
  n = _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(_mm512_loadu_pd(k.x1 + i), k.sx1), k.a),
                    _mm512_mul_pd(_mm512_sub_pd(_mm512_loadu_pd(k.y1 + i), k.sy1), k.b));
  const __mmask8 dnz = _mm512_cmp_pd_mask(d, zero, _CMP_NEQ_OQ);
  if constexpr (Small) {
    const __m512d below = _mm512_maskz_min_pd(0xFF, _mm512_maskz_max_pd(0xFF, d, zero), _mm512_set1_pd(0.5));
    g |= static_cast<std::uint64_t>(_mm512_cmp_pd_mask(n, below, _CMP_LT_OQ)) << i;
  } else {
    g |= static_cast<std::uint64_t>(_mm512_cmp_pd_mask(n, zero, _CMP_LT_OQ)) << i;
    on |= static_cast<std::uint64_t>(_mm512_mask_cmp_pd_mask(dnz, n, zero, _CMP_EQ_OQ)) << i;
  }
  return dnz;
}

KV_AVX512 unsigned between8(__m512d d, __m512d n) {
  const __m512d zero = _mm512_setzero_pd();
  const __m512d lo = _mm512_maskz_min_pd(0xFF, d, zero), hi = _mm512_maskz_max_pd(0xFF, d, zero);
  return _mm512_mask_cmp_pd_mask(_mm512_cmp_pd_mask(lo, n, _CMP_LT_OQ), n, hi, _CMP_LT_OQ);
}

template <bool Max>
KV_AVX512 __m512d pick(__m512d x, __m512d y) {
  return Max ? _mm512_maskz_max_pd(0xFF, x, y) : _mm512_maskz_min_pd(0xFF, x, y);
}

// Lane j of the result is the least (Max: the most) of lanes 0 to 7 of v[j].
template <bool Max>
KV_AVX512 __m512d across8(const __m512d* v) {
  __m512d p[4], r[2];
  for (size_t i = 0; i < 4; ++i)  // block k of p[i]: pair k of v[2i], then of v[2i+1]
    p[i] = pick<Max>(_mm512_maskz_unpacklo_pd(0xFF, v[2 * i], v[2 * i + 1]),
                     _mm512_maskz_unpackhi_pd(0xFF, v[2 * i], v[2 * i + 1]));
  for (size_t i = 0; i < 2; ++i)  // blocks: halves of v[4i], v[4i+1], then of v[4i+2], v[4i+3]
    r[i] = pick<Max>(_mm512_maskz_shuffle_f64x2(0xFF, p[2 * i], p[2 * i + 1], 0x88),
                     _mm512_maskz_shuffle_f64x2(0xFF, p[2 * i], p[2 * i + 1], 0xDD));
  return pick<Max>(_mm512_maskz_shuffle_f64x2(0xFF, r[0], r[1], 0x88),
                   _mm512_maskz_shuffle_f64x2(0xFF, r[0], r[1], 0xDD));
}

#undef KV_AVX2
#undef KV_AVX512

// The index's eight bits in reverse order.
constexpr auto kReversed = [] {
  std::array<unsigned char, 256> t{};
  for (unsigned i = 0; i < 256; ++i)
    for (unsigned b = 0; b < 8; ++b)
      if (i >> b & 1) t[i] |= static_cast<unsigned char>(1U << (7 - b));
  return t;
}();

// Bit b of the index becomes byte b of the value, all ones.
constexpr auto kBytesOf = [] {
  std::array<std::uint64_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i)
    for (unsigned b = 0; b < 8; ++b)
      if (i >> b & 1) t[i] |= std::uint64_t{0xFF} << (8 * b);
  return t;
}();

}  // namespace

// The boxes of each word's eights of keys at once, eight to a register; keys
// beyond the last take no part.
__attribute__((target("avx512f"))) void Engine::boxEightsAvx512() {
  boxTries_ = boxHits_ = 0;
  box_.resize(static_cast<size_t>(W_) * 4);
  eights_.resize(static_cast<size_t>(W_) * 32);
  const __m512d inf = _mm512_set1_pd(std::numeric_limits<double>::infinity()),
                ninf = _mm512_sub_pd(_mm512_setzero_pd(), inf);
  for (int w = 0; w < W_; ++w) {
    __m512d lx[8], ly[8], hx[8], hy[8];
    for (int j = 0; j < 8; ++j) {
      const int first = w * 64 + j * 8, left = n0_ - first;
      const auto lanes = static_cast<__mmask8>(left >= 8 ? 0xFF : left <= 0 ? 0 : (1U << left) - 1);
      const __m512d x1 = _mm512_loadu_pd(&x1_[first]), y1 = _mm512_loadu_pd(&y1_[first]);
      const __m512d x2 = _mm512_add_pd(x1, _mm512_loadu_pd(&dx_[first]));
      const __m512d y2 = _mm512_add_pd(y1, _mm512_loadu_pd(&dy_[first]));
      lx[j] = _mm512_mask_min_pd(inf, lanes, x1, x2), hx[j] = _mm512_mask_max_pd(ninf, lanes, x1, x2);
      ly[j] = _mm512_mask_min_pd(inf, lanes, y1, y2), hy[j] = _mm512_mask_max_pd(ninf, lanes, y1, y2);
    }
    double* e = &eights_[static_cast<size_t>(w) * 32];
    const __m512d elx = across8<false>(lx), ely = across8<false>(ly), ehx = across8<true>(hx), ehy = across8<true>(hy);
    _mm512_storeu_pd(e, elx), _mm512_storeu_pd(e + 8, ely), _mm512_storeu_pd(e + 16, ehx),
        _mm512_storeu_pd(e + 24, ehy);
    setWordBox(w, e, e + 8, e + 16, e + 24);
  }
}

// The members of word w four keys to a register, skipping the fours that
// hold none. For whole numbers n and d (small coordinates), 0 < n/d < 1 is n
// strictly between 0 and d; members whose range is not 0 to 1, and all
// members when coordinates are large, divide. With large coordinates a
// member whose first end point lies on the line (n = 0, d not 0) is judged by
// its second end point after.
template <bool Small>
__attribute__((target("avx2"))) Engine::WordBits Engine::fillAvx2(int q, int w, std::uint64_t members) const {
  const size_t base = static_cast<size_t>(w) * 64;
  const double *px1 = &x1_[base], *py1 = &y1_[base], *pdx = &dx_[base], *pdy = &dy_[base];
  const __m256d sx1 = _mm256_set1_pd(x1_[q]), sy1 = _mm256_set1_pd(y1_[q]);
  const __m256d a = _mm256_set1_pd(y1_[q] - y2(q)), b = _mm256_set1_pd(x2(q) - x1_[q]);
  const __m256d sdx = _mm256_set1_pd(dx_[q]), sdy = _mm256_set1_pd(dy_[q]);
  const std::uint64_t ranged = Small ? nonUnit_[w] & members : members;
  std::uint64_t c = 0, g = 0, on = 0;
  const Lanes4 k{px1, py1, pdx, pdy, sx1, sy1, a, b, sdx, sdy};
  if (!ranged) {
#pragma GCC unroll 16
    for (int i = 0; i < 64; i += 4) {
      if (!(members >> i & 0xF)) continue;
      __m256d d, n;
      sides4<Small>(k, i, d, n, g, on);
      c |= static_cast<std::uint64_t>(between4(d, n)) << i;
    }
  } else {
    for (int i = 0; i < 64; i += 4) {
      const int lanes = static_cast<int>(members >> i) & 0xF;
      if (!lanes) continue;
      __m256d d, n;
      const __m256d dz = sides4<Small>(k, i, d, n, g, on);
      const int divide = static_cast<int>(ranged >> i) & 0xF;
      int cm = Small && divide != lanes ? between4(d, n) & ~divide : 0;
      if (divide) {
        // A zero denominator divides by 1 (and is no cut) rather than by 0.
        const __m256d u = _mm256_div_pd(n, _mm256_blendv_pd(d, _mm256_set1_pd(1.0), dz));
        const __m256d in = _mm256_and_pd(_mm256_cmp_pd(_mm256_loadu_pd(&ts_[base + i]), u, _CMP_LT_OQ),
                                         _mm256_cmp_pd(u, _mm256_loadu_pd(&te_[base + i]), _CMP_LT_OQ));
        cm |= _mm256_movemask_pd(_mm256_andnot_pd(dz, in)) & divide;
      }
      c |= static_cast<std::uint64_t>(cm) << i;
    }
  }
  // n is 0 there, so its bit in g is still clear. (None with small coordinates.)
  for (std::uint64_t rest = on & members; rest;) {
    const int i = std::countr_zero(rest) & ~3;
    const int lanes = static_cast<int>(rest >> i) & 0xF;
    rest &= ~(std::uint64_t{0xF} << i);
    const __m256d cx2 = _mm256_add_pd(_mm256_loadu_pd(px1 + i), _mm256_loadu_pd(pdx + i));
    const __m256d cy2 = _mm256_add_pd(_mm256_loadu_pd(py1 + i), _mm256_loadu_pd(pdy + i));
    const __m256d n2 =
        _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(cy2, sy1), b), _mm256_mul_pd(_mm256_sub_pd(cx2, sx1), a));
    g |= static_cast<std::uint64_t>(_mm256_movemask_pd(_mm256_cmp_pd(n2, _mm256_set1_pd(-kOnLine), _CMP_LT_OQ)) & lanes)
         << i;
  }
  return {c, g};
}

// The same eight keys at a time, with mask registers for the comparisons.
template <bool Small>
__attribute__((target("avx512f"))) Engine::WordBits Engine::fillAvx512(int q, int w, std::uint64_t members,
                                                                       bool eights) const {
  const size_t base = static_cast<size_t>(w) * 64;
  const double *px1 = &x1_[base], *py1 = &y1_[base], *pdx = &dx_[base], *pdy = &dy_[base];
  const __m512d sx1 = _mm512_set1_pd(x1_[q]), sy1 = _mm512_set1_pd(y1_[q]);
  const __m512d a = _mm512_set1_pd(y1_[q] - y2(q)), b = _mm512_set1_pd(x2(q) - x1_[q]);
  const __m512d sdx = _mm512_set1_pd(dx_[q]), sdy = _mm512_set1_pd(dy_[q]);
  std::uint64_t c = 0, g = 0, on = 0;
  if (Small && eights) {
    // The eights of keys on one side of the line, as wordAside judges
    // words: their bits are known without their keys.
    const double* e = &eights_[static_cast<size_t>(w) * 32];
    const LineTerms t = lineTerms(q);
    const __m512d la = _mm512_set1_pd(t.a), lb = _mm512_set1_pd(t.b), lc = _mm512_set1_pd(t.c);
    const __m512d xl = _mm512_mul_pd(_mm512_loadu_pd(e), la), xh = _mm512_mul_pd(_mm512_loadu_pd(e + 16), la);
    const __m512d yl = _mm512_mul_pd(_mm512_loadu_pd(e + 8), lb), yh = _mm512_mul_pd(_mm512_loadu_pd(e + 24), lb);
    const __m512d lo = _mm512_add_pd(_mm512_add_pd(pick<false>(xl, xh), pick<false>(yl, yh)), lc);
    const __m512d hi = _mm512_add_pd(_mm512_add_pd(pick<true>(xl, xh), pick<true>(yl, yh)), lc);
    const __mmask8 below = _mm512_cmp_pd_mask(hi, _mm512_setzero_pd(), _CMP_LT_OQ);
    const __mmask8 above = _mm512_cmp_pd_mask(lo, _mm512_setzero_pd(), _CMP_GE_OQ);
    g = kBytesOf[below];
    members &= ~kBytesOf[below | above];
    if (!members) return {0, g};
  }
  const std::uint64_t ranged = Small ? nonUnit_[w] & members : members;
  const Lanes8 k{px1, py1, pdx, pdy, sx1, sy1, a, b, sdx, sdy};
  if (!ranged) {
#pragma GCC unroll 8
    for (int i = 0; i < 64; i += 8) {
      if (!static_cast<std::uint8_t>(members >> i)) continue;
      __m512d d, n;
      sides8<Small>(k, i, d, n, g, on);
      c |= static_cast<std::uint64_t>(between8(d, n)) << i;
    }
  } else {
    for (int i = 0; i < 64; i += 8) {
      const auto lanes = static_cast<__mmask8>(members >> i);
      if (!lanes) continue;
      __m512d d, n;
      const __mmask8 dnz = sides8<Small>(k, i, d, n, g, on);
      const auto divide = static_cast<__mmask8>(ranged >> i);
      unsigned cm = Small && divide != lanes ? between8(d, n) & ~divide : 0;
      if (divide) {
        // Only the lanes that need it divide, and never by 0.
        const __m512d u = _mm512_maskz_div_pd(static_cast<__mmask8>(divide & dnz), n, d);
        cm |= _mm512_mask_cmp_pd_mask(_mm512_cmp_pd_mask(_mm512_loadu_pd(&ts_[base + i]), u, _CMP_LT_OQ), u,
                                      _mm512_loadu_pd(&te_[base + i]), _CMP_LT_OQ) &
              divide & dnz;
      }
      c |= static_cast<std::uint64_t>(cm) << i;
    }
  }
  // n is 0 there, so its bit in g is still clear. (None with small coordinates.)
  for (std::uint64_t rest = on & members; rest;) {
    const int i = std::countr_zero(rest) & ~7;
    const auto lanes = static_cast<__mmask8>(rest >> i);
    rest &= ~(std::uint64_t{0xFF} << i);
    const __m512d cx2 = _mm512_add_pd(_mm512_loadu_pd(px1 + i), _mm512_loadu_pd(pdx + i));
    const __m512d cy2 = _mm512_add_pd(_mm512_loadu_pd(py1 + i), _mm512_loadu_pd(pdy + i));
    const __m512d n2 =
        _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(cy2, sy1), b), _mm512_mul_pd(_mm512_sub_pd(cx2, sx1), a));
    g |= static_cast<std::uint64_t>(_mm512_mask_cmp_pd_mask(lanes, n2, _mm512_set1_pd(-kOnLine), _CMP_LT_OQ)) << i;
  }
  return {c, g};
}

__attribute__((target("avx512f"))) void Engine::takeKeysAvx512(const Engine& up) {
  const bool desc = up.desc_;
  const __m512i back = _mm512_set_epi64(0, 1, 2, 3, 4, 5, 6, 7);
  const __m512i back32 = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 0, 1, 2, 3, 4, 5, 6, 7);
  const double* from[] = {up.x1_.data(), up.y1_.data(), up.dx_.data(), up.dy_.data(), up.ts_.data(), up.te_.data()};
  double* to[] = {x1_.data(), y1_.data(), dx_.data(), dy_.data(), ts_.data(), te_.data()};
  const int nw = static_cast<int>(up.words_.size());
  int out = 0;
  for (int i = 0; i < nw; ++i) {
    const int w = up.words_[desc ? nw - 1 - i : i];
    const std::uint64_t m = up.mask_[w];
    for (int e = 0; e < 8; ++e) {
      const int g = desc ? 7 - e : e;
      auto lanes = static_cast<unsigned>(m >> (8 * g)) & 0xFF;
      if (!lanes) continue;
      // Backwards, an eight is taken reversed.
      if (desc) lanes = kReversed[lanes];
      const size_t at = static_cast<size_t>(w) * 64 + static_cast<size_t>(g) * 8;
      const auto k = static_cast<__mmask8>(lanes);
      for (int c = 0; c < 6; ++c) {
        __m512d v = _mm512_loadu_pd(from[c] + at);
        if (desc) v = _mm512_maskz_permutexvar_pd(0xFF, back, v);
        _mm512_storeu_pd(to[c] + out, _mm512_maskz_compress_pd(k, v));
      }
      __m512i r = _mm512_maskz_loadu_epi32(0xFF, up.recAt_.data() + at);
      if (desc) r = _mm512_maskz_permutexvar_epi32(0xFFFF, back32, r);
      _mm512_mask_storeu_epi32(recAt_.data() + out, 0xFF, _mm512_maskz_compress_epi32(k, r));
      out += std::popcount(lanes);
    }
  }
}

// Every caller's instances, in whichever file it lies.
template Engine::WordBits Engine::fillAvx2<true>(int, int, std::uint64_t) const;
template Engine::WordBits Engine::fillAvx2<false>(int, int, std::uint64_t) const;
template Engine::WordBits Engine::fillAvx512<true>(int, int, std::uint64_t, bool) const;
template Engine::WordBits Engine::fillAvx512<false>(int, int, std::uint64_t, bool) const;
#endif

// Cuts of line q among the list's members, the row filled where it is not
// yet; stops as soon as the count reaches `best`.
template <Kernels K>
[[gnu::always_inline]] inline int Engine::countCuts(int q, int best) {
  constexpr bool kPopcnt = K != Kernels::Scalar;
  std::uint64_t done = done_[q];
  int count = 0;
  for (int w : words_) {
    const std::uint64_t members = mask_[w];
    if (!(done >> w & 1)) {
      fillWord<K>(q, w, members);
      done |= bit(w);
    }
    const std::uint64_t cut = cutAt(q, w) & members;
    count += kPopcnt ? std::popcount(cut) : bitCount(cut);
    if (count >= best) break;
  }
  done_[q] = done;
  return count;
}

void Engine::fillRow(int q) { countCuts<Kernels::Scalar>(q, kNoCount); }

// The member that cuts the fewest members; the first met in list order wins
// a tie, and a member that cuts none ends the search.
template <Kernels K>
[[gnu::always_inline]] inline int Engine::chooseImpl() {
  int best = kNoCount, chosen = -1;
  const int nw = static_cast<int>(words_.size());
  for (int i = 0; i < nw; ++i) {
    const int w = words_[desc_ ? nw - 1 - i : i];
    for (std::uint64_t bits = mask_[w]; bits;) {
      const int b = desc_ ? 63 - std::countl_zero(bits) : std::countr_zero(bits);
      bits &= ~bit(b);
      const int q = w * 64 + b;
      const int c = countCuts<K>(q, best);
      if (c < best) {
        best = c;
        chosen = q;
        if (best == 0) return chosen;
      }
    }
  }
  return chosen;
}

// The same for a list m in word 0: each candidate's set is one word.
template <Kernels K>
[[gnu::always_inline]] inline int Engine::chooseWordImpl(std::uint64_t m, bool desc) {
  constexpr bool kPopcnt = K != Kernels::Scalar;
  int best = kNoCount, chosen = -1;
  for (std::uint64_t bits = m; bits;) {
    const int q = desc ? 63 - std::countl_zero(bits) : std::countr_zero(bits);
    bits &= ~bit(q);
    if (!done_[q]) {
      counts_->sideTests += static_cast<std::uint64_t>(kPopcnt ? std::popcount(m) : bitCount(m));
      const WordBits f = kernelFill<K>(q, 0, m, false);
      cutAt(q, 0) = f.cut, sideAt(q, 0) = f.neg, done_[q] = 1;
    }
    const int c = kPopcnt ? std::popcount(cutAt(q, 0) & m) : bitCount(cutAt(q, 0) & m);
    if (c < best) {
      best = c;
      chosen = q;
      if (best == 0) break;
    }
  }
  return chosen;
}

#if KV_CUTSETS_X86
__attribute__((target("avx2,popcnt"))) int Engine::chooseWordAvx2(std::uint64_t m, bool desc) {
  return chooseWordImpl<Kernels::Avx2>(m, desc);
}
__attribute__((target("avx512f,avx2,popcnt"))) int Engine::chooseWordAvx512(std::uint64_t m, bool desc) {
  return chooseWordImpl<Kernels::Avx512>(m, desc);
}
#endif

int Engine::chooseInWord(std::uint64_t m, bool desc) {
#if KV_CUTSETS_X86
  if (kernels_ == Kernels::Avx512) return chooseWordAvx512(m, desc);
  if (kernels_ == Kernels::Avx2) return chooseWordAvx2(m, desc);
#endif
  return chooseWordImpl<Kernels::Scalar>(m, desc);
}

#if KV_CUTSETS_X86
__attribute__((target("avx2,popcnt"))) int Engine::chooseAvx2() { return chooseImpl<Kernels::Avx2>(); }
__attribute__((target("avx512f,avx2,popcnt"))) int Engine::chooseAvx512() { return chooseImpl<Kernels::Avx512>(); }
#endif

int Engine::choose() {
  if (words_.size() == 1 && !(mask_[words_[0]] & (mask_[words_[0]] - 1)))  // a single member
    return words_[0] * 64 + std::countr_zero(mask_[words_[0]]);
#if KV_CUTSETS_X86
  if (kernels_ == Kernels::Avx512) return chooseAvx512();
  if (kernels_ == Kernels::Avx2) return chooseAvx2();
#endif
  return chooseImpl<Kernels::Scalar>();
}

}  // namespace kv::bsp::engine
