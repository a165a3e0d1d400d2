// Filling the line sets and choosing the splitter: a scalar loop, and AVX2 and
// AVX-512 kernels chosen at run time, all with the list walk's operations on
// the same doubles in the same order (no fused multiply-add, so every lane
// rounds as the scalar code does).
#include <cmath>

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

#undef KV_AVX2
#undef KV_AVX512

}  // namespace

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
__attribute__((target("avx512f"))) Engine::WordBits Engine::fillAvx512(int q, int w, std::uint64_t members) const {
  const size_t base = static_cast<size_t>(w) * 64;
  const double *px1 = &x1_[base], *py1 = &y1_[base], *pdx = &dx_[base], *pdy = &dy_[base];
  const __m512d sx1 = _mm512_set1_pd(x1_[q]), sy1 = _mm512_set1_pd(y1_[q]);
  const __m512d a = _mm512_set1_pd(y1_[q] - y2(q)), b = _mm512_set1_pd(x2(q) - x1_[q]);
  const __m512d sdx = _mm512_set1_pd(dx_[q]), sdy = _mm512_set1_pd(dy_[q]);
  const std::uint64_t ranged = Small ? nonUnit_[w] & members : members;
  std::uint64_t c = 0, g = 0, on = 0;
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
    std::uint64_t cut;
    if (!(done >> w & 1)) {
      counts_->sideTests += static_cast<std::uint64_t>(kPopcnt ? std::popcount(members) : bitCount(members));
      WordBits bits;
#if KV_CUTSETS_X86
      // A single member is cheaper tested on its own.
      if (K == Kernels::Avx512 && (members & (members - 1)))
        bits = small_ ? fillAvx512<true>(q, w, members) : fillAvx512<false>(q, w, members);
      else if (K == Kernels::Avx2 && (members & (members - 1)))
        bits = small_ ? fillAvx2<true>(q, w, members) : fillAvx2<false>(q, w, members);
      else
#endif
        bits = fillWordScalar(q, w, members);
      cutAt(q, w) = bits.cut;
      sideAt(q, w) = bits.neg;
      done |= bit(w);
      cut = bits.cut & members;
    } else {
      cut = cutAt(q, w) & members;
    }
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
      WordBits f;
#if KV_CUTSETS_X86
      if (K == Kernels::Avx512)
        f = small_ ? fillAvx512<true>(q, 0, m) : fillAvx512<false>(q, 0, m);
      else if (K == Kernels::Avx2)
        f = small_ ? fillAvx2<true>(q, 0, m) : fillAvx2<false>(q, 0, m);
      else
#endif
        f = fillWordScalar(q, 0, m);
      cut_[q] = f.cut, side_[q] = f.neg, done_[q] = 1;
    }
    const int c = kPopcnt ? std::popcount(cut_[q] & m) : bitCount(cut_[q] & m);
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
