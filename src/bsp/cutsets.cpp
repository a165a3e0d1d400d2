#include "bsp/cutsets.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KV_CUTSETS_X86 1
#else
#define KV_CUTSETS_X86 0
#endif

namespace kv::bsp {

namespace {

Kernels mostAllowed = Kernels::Avx512;

// The best kernels this processor runs.
Kernels available() {
#if KV_CUTSETS_X86
  static const Kernels k =
      !(__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))      ? Kernels::Scalar
      : __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("bmi2") ? Kernels::Avx512
                                                                             : Kernels::Avx2;
  return k;
#else
  return Kernels::Scalar;
#endif
}

// Side values and denominators are whole numbers whatever the coordinates:
// each is a sum of products of whole-number differences, and rounding a whole
// number to a double gives a whole number. So a side value below -kOnLine is
// below 0, and only 0 lies within kOnLine of the line; the whole-word kernels
// compare with 0.
//
// With every coordinate at most this far from 0, differences stay below 2^25
// and side values and denominators are exact. Then 0 < n/d < 1 holds for the
// rounded quotient exactly when n and d have the same sign and |n| < |d| (a
// quotient below 1 is at most 1 - 1/|d|, which rounds below 1): no quotient
// needs computing for a range of 0 to 1.
constexpr double kSmallCoordinate = 16777216.0;  // 2^24

// A word of keys with at least this many members is filled whole by the
// vector kernel (four or eight keys at a time); a sparser one member by
// member (with AVX-512, eight gathered members at a time).
constexpr int kDenseWord4 = 12, kDenseWord8 = 12;

// A list of at most this many members is built by testing its members
// directly, without the line sets: for a few keys that is cheaper than
// fetching their sets from memory.
constexpr int kDirectList = 24;

// Outside the functions built for processors with a popcount instruction,
// std::popcount is a library call; this is the same count inline.
inline int bitCount(std::uint64_t v) {
#if defined(__POPCNT__)
  return std::popcount(v);
#else
  v -= (v >> 1) & 0x5555555555555555ULL;
  v = (v & 0x3333333333333333ULL) + ((v >> 2) & 0x3333333333333333ULL);
  v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return static_cast<int>((v * 0x0101010101010101ULL) >> 56);
#endif
}

// The range a key's record gets when the list holding it is started.
struct Fix {
  int key;
  Long rec;
  double ts, te;
};

// A word of a key set: its index and its bits.
struct Word {
  int w;
  std::uint64_t bits;
};

// A non-negative list waiting for its negative sibling's sub-tree.
struct Task {
  int wordOff, wordCount, fixOff, fixCount;
  bool desc;
  Long parent;  // its root goes into parent's posChild
};

// One per thread, kept from build to build so that its buffers (over a
// megabyte for a full table) are taken from the system once.
class Engine {
 public:
  void start(std::span<const ListMember> list, const ListMember* splitter, Long capacity, TreeRecords& out,
             BuildCounts& counts);
  Long run(Long& pieces);

 private:
  // --- the exact side test, as the list walk does it ---------------------
  struct Side {
    double n, d;
  };
  // n = D(p's first end point) on line q, d = D(p's first) - D(p's second).
  Side sideOf(int q, int p) const {
    const Key &s = key_[q], &c = key_[p];
    const double a = s.y1 - s.y2, b = s.x2 - s.x1;
    return {(c.x1 - s.x1) * a + (c.y1 - s.y1) * b, s.dy * c.dx - s.dx * c.dy};
  }
  // Whether line q cuts the record at key p inside its open range.
  bool cuts(int p, Side v) const {
    if (v.d == 0) return false;
    const Key& c = key_[p];
    if (small_ && c.ts == 0.0 && c.te == 1.0)
      return v.n != 0 && (v.n < 0) == (v.d < 0) && std::fabs(v.n) < std::fabs(v.d);
    const double u = v.n / v.d;
    return c.ts < u && u < c.te;
  }
  // Whether key p goes to line q's negative list when it is not cut: by the
  // first end point, or the second when the first lies on the line.
  bool negative(int q, int p, Side v) const {
    if (v.d == 0) return v.n < 0;
    if (v.n < -kOnLine) return true;
    if (v.n > kOnLine) return false;
    const Key &s = key_[q], &c = key_[p];
    const double a = s.y1 - s.y2, b = s.x2 - s.x1;
    return (c.y2 - s.y1) * b + (c.x2 - s.x1) * a < -kOnLine;
  }

  // --- bit sets ------------------------------------------------------------
  // Word w of line q's sets. Stored word by word, so that the candidates of
  // a list, tried in key order, read neighbouring entries.
  std::uint64_t& cutAt(int q, int w) { return cut_[static_cast<size_t>(w) * lines_ + q]; }
  std::uint64_t& sideAt(int q, int w) { return side_[static_cast<size_t>(w) * lines_ + q]; }
  // Cut and negative-side bits of key p against line q; `whole` says p's
  // range is 0 to 1 and the coordinates are small (see kSmallCoordinate).
  struct PairBits {
    bool cut, neg;
  };
  PairBits evaluate(int q, int p, bool whole) const;
  struct WordBits {
    std::uint64_t cut, neg;
  };
  WordBits fillWordScalar(int q, int w, std::uint64_t members) const;
  WordBits finishWord(int q, int w, std::uint64_t members, std::uint64_t c, std::uint64_t g, std::uint64_t on) const;
  int chooseDirect();
#if KV_CUTSETS_X86
  template <bool Small>
  __attribute__((target("avx2"))) WordBits fillWordAvx2(int q, int w, std::uint64_t members) const;
  template <bool Small>
  __attribute__((target("avx512f"))) WordBits fillWordAvx512(int q, int w, std::uint64_t members) const;
  template <bool Small>
  __attribute__((target("avx512f,bmi2"))) WordBits fillMembersAvx512(int q, int w, std::uint64_t members) const;
  __attribute__((target("avx2,popcnt"))) int chooseAvx2();
  __attribute__((target("avx512f,avx2,bmi2,popcnt"))) int chooseAvx512();
#endif
  template <Kernels K>
  int countCuts(int q, int best);
  template <Kernels K>
  int chooseImpl();
  int choose();

  // --- lists -----------------------------------------------------------------
  // Calls f(key) for the keys of the set given by its words (ascending) in
  // list order; f returns false to stop.
  template <class F>
  static void forEachInOrder(const std::uint64_t* m, const std::vector<int>& words, bool desc, F f);
  Long successor(int key) const;
  void removeKey(int key);
  void startList(bool desc, Long parent, bool pos, const Fix* fixes, int fixCount);
  bool partition(int line, int key, Long s, Long& pieces);
  bool popTask();
  void applyFixes(const Fix* f, int count);
  void failAt(const std::uint64_t* sr, int key, int failing);

  Long capacity_ = 0;
  TreeRecords* out_ = nullptr;
  BuildCounts* counts_ = nullptr;
  const ListMember* splitter_ = nullptr;
  int n0_ = 0, W_ = 0, extra_ = 0;
  size_t lines_ = 0;
  bool small_ = true;
  Kernels kernels_ = Kernels::Scalar;
  // Per key (and the extra line at n0_): the source wall and the range of the
  // record that holds the key in the list being built; one cache line a key
  // for the tests of single members, and the same in columns for the
  // whole-word kernel.
  struct alignas(64) Key {
    double x1, y1, x2, y2, dx, dy, ts, te;
  };
  std::vector<Key> key_;
  std::vector<double> x1_, y1_, x2_, y2_, dx_, dy_, ts_, te_;
  std::vector<Long> recAt_;
  std::vector<std::uint64_t> nonUnit_;  // keys whose range is not exactly 0 to 1
  // Per line: the keys it cuts, and the keys on its negative side (judged by
  // source walls, so the same for every piece of a key). A bit of `done_`
  // per word that holds them for the list being built.
  std::vector<std::uint64_t> cut_, side_;
  std::vector<std::uint64_t> done_;
  // The list being built (`listReady_` false: none): its key set, zero
  // outside its non-empty words `words_` (ascending).
  std::vector<std::uint64_t> mask_;
  std::vector<int> words_;
  bool listReady_ = true;
  bool desc_ = false;
  Long slotParent_ = -1;
  bool slotPos_ = false;
  // Waiting lists (their non-empty words) and the new ranges of their split
  // keys, as stacks.
  std::vector<Task> tasks_;
  std::vector<Word> taskWords_;
  std::vector<Fix> fixes_;
  // Scratch of one partition, zero outside the words it writes.
  std::vector<std::uint64_t> cutMask_, negMask_, posMask_;
  std::vector<int> negWords_, posWords_;
  std::vector<Fix> negFix_, posFix_;
  // The splitter's bits for the partition.
  std::vector<std::uint64_t> lineCut_, lineSide_;
  // A list built directly: its keys in list order, the bits of the candidate
  // being counted, and whether lineCut_ and lineSide_ already hold the
  // chosen one's.
  bool direct_ = false;
  std::vector<int> directKeys_;
  std::vector<std::uint64_t> candCut_, candSide_;
  bool directBits_ = false;
};

void Engine::start(std::span<const ListMember> list, const ListMember* splitter, Long capacity, TreeRecords& out,
                   BuildCounts& counts) {
  capacity_ = capacity, out_ = &out, counts_ = &counts, splitter_ = splitter;
  small_ = true;
  listReady_ = true, desc_ = false, slotParent_ = -1, slotPos_ = false;
  tasks_.clear(), taskWords_.clear(), fixes_.clear();
  n0_ = static_cast<int>(list.size());
  W_ = (n0_ + 63) / 64;
  extra_ = n0_;
  const size_t keys = static_cast<size_t>(W_) * 64 + 64;  // padded for whole-word kernels
  for (auto* v : {&x1_, &y1_, &x2_, &y2_, &dx_, &dy_, &ts_}) v->assign(keys, 0.0);
  te_.assign(keys, 1.0);
  recAt_.assign(keys, -1);
  key_.assign(keys, Key{0, 0, 0, 0, 0, 0, 0, 1});
  auto setLine = [&](int p, const ListMember& m) {
    x1_[p] = m.x1, y1_[p] = m.y1, x2_[p] = m.x2, y2_[p] = m.y2;
    dx_[p] = x2_[p] - x1_[p], dy_[p] = y2_[p] - y1_[p];
    key_[p] = {x1_[p], y1_[p], x2_[p], y2_[p], dx_[p], dy_[p], 0, 1};
    for (double c : {x1_[p], y1_[p], x2_[p], y2_[p]})
      if (std::fabs(c) > kSmallCoordinate) small_ = false;
  };
  nonUnit_.assign(W_, 0);
  for (int p = 0; p < n0_; ++p) {
    setLine(p, list[p]);
    recAt_[p] = list[p].rec;
    ts_[p] = key_[p].ts = list[p].tStart, te_[p] = key_[p].te = list[p].tEnd;
    if (!(ts_[p] == 0.0 && te_[p] == 1.0)) nonUnit_[p >> 6] |= std::uint64_t{1} << (p & 63);
  }
  if (splitter) setLine(extra_, *splitter);
  lines_ = static_cast<size_t>(n0_) + 1;
  // Sets are read only where `done_` says they were filled.
  if (cut_.size() < lines_ * W_) cut_.resize(lines_ * W_), side_.resize(lines_ * W_);
  done_.assign(lines_, 0);
  mask_.assign(W_, 0);
  words_.clear();
  for (int p = 0; p < n0_; ++p) mask_[p >> 6] |= std::uint64_t{1} << (p & 63);
  for (int w = 0; w < W_; ++w) words_.push_back(w);
  cutMask_.assign(W_, 0), negMask_.assign(W_, 0), posMask_.assign(W_, 0);
  negWords_.reserve(W_), posWords_.reserve(W_);
  // Lists waiting at one time are disjoint sets of records.
  const size_t most = static_cast<size_t>(std::max<Long>(capacity, n0_)) + 1;
  tasks_.reserve(most), taskWords_.reserve(most), fixes_.reserve(most);
  negFix_.reserve(most), posFix_.reserve(most);
  directKeys_.reserve(kDirectList);
  lineCut_.assign(W_, 0), lineSide_.assign(W_, 0), candCut_.assign(W_, 0), candSide_.assign(W_, 0);
  direct_ = n0_ <= kDirectList;
  kernels_ = std::min(mostAllowed, available());
}

// --- bit sets ------------------------------------------------------------------

inline Engine::PairBits Engine::evaluate(int q, int p, bool whole) const {
  // The operations of sideOf(), and the tests of cuts() and negative()
  // without branches on the geometry but the rare one for a first end point
  // on the line (side values are whole numbers, see kSmallCoordinate).
  const Key &s = key_[q], &c = key_[p];
  const double a = s.y1 - s.y2, b = s.x2 - s.x1;
  const double n = (c.x1 - s.x1) * a + (c.y1 - s.y1) * b;
  const double d = s.dy * c.dx - s.dx * c.dy;
  bool cut;
  if (whole) {
    cut = (n != 0) & ((n < 0) == (d < 0)) & (std::fabs(n) < std::fabs(d));
  } else {
    const double u = n / (d == 0 ? 1.0 : d);
    cut = (d != 0) & (c.ts < u) & (u < c.te);
  }
  bool neg = n < 0;
  if (n == 0 && d != 0) [[unlikely]]
    neg = (c.y2 - s.y1) * b + (c.x2 - s.x1) * a < -kOnLine;
  return {cut, neg};
}

// The members of word w one by one.
Engine::WordBits Engine::fillWordScalar(int q, int w, std::uint64_t members) const {
  const bool whole = small_ && !(members & nonUnit_[w]);
  std::uint64_t c = 0, g = 0;
  for (std::uint64_t bits = members; bits; bits &= bits - 1) {
    const int bit = std::countr_zero(bits);
    const PairBits e = evaluate(q, w * 64 + bit, whole);
    c |= static_cast<std::uint64_t>(e.cut) << bit;
    g |= static_cast<std::uint64_t>(e.neg) << bit;
  }
  return {c, g};
}

// The choice on a small list, each candidate tested against the members.
int Engine::chooseDirect() {
  directKeys_.clear();
  forEachInOrder(mask_.data(), words_, desc_, [&](int p) {
    directKeys_.push_back(p);
    return true;
  });
  int best = kNoCount, chosen = -1;
  for (int q : directKeys_) {
    for (int w : words_) candCut_[w] = candSide_[w] = 0;
    int count = 0;
    for (int p : directKeys_) {
      ++counts_->sideTests;
      const PairBits e = evaluate(q, p, small_ && !(nonUnit_[p >> 6] >> (p & 63) & 1));
      candCut_[p >> 6] |= static_cast<std::uint64_t>(e.cut) << (p & 63);
      candSide_[p >> 6] |= static_cast<std::uint64_t>(e.neg) << (p & 63);
      count += e.cut;
      if (count >= best) break;
    }
    if (count < best) {  // counted to the end: its bits are whole
      best = count;
      chosen = q;
      candCut_.swap(lineCut_), candSide_.swap(lineSide_);
      if (best == 0) break;
    }
  }
  directBits_ = true;
  return chosen;
}

// What the whole-word kernels leave to single tests: members whose first end
// point lies on the line (their second end point decides the side) and, with
// small coordinates, members whose range is not 0 to 1.
Engine::WordBits Engine::finishWord(int q, int w, std::uint64_t members, std::uint64_t c, std::uint64_t g,
                                    std::uint64_t on) const {
  for (std::uint64_t bits = members & on; bits; bits &= bits - 1) {
    const int bit = std::countr_zero(bits), p = w * 64 + bit;
    if (negative(q, p, sideOf(q, p))) g |= std::uint64_t{1} << bit;
  }
  if (small_) {
    for (std::uint64_t bits = members & nonUnit_[w]; bits; bits &= bits - 1) {
      const int bit = std::countr_zero(bits), p = w * 64 + bit;
      const std::uint64_t one = std::uint64_t{1} << bit;
      if (cuts(p, sideOf(q, p))) c |= one;
      else c &= ~one;
    }
  }
  return {c, g};
}

#if KV_CUTSETS_X86
// All 64 keys of word w at once, four to a register, with the operations of
// the scalar test in the same order (no fused multiply-add, so every lane
// rounds as the scalar code does).
template <bool Small>
__attribute__((target("avx2"))) Engine::WordBits Engine::fillWordAvx2(int q, int w, std::uint64_t members) const {
  const __m256d sx1 = _mm256_set1_pd(x1_[q]), sy1 = _mm256_set1_pd(y1_[q]);
  const __m256d a = _mm256_set1_pd(y1_[q] - y2_[q]), b = _mm256_set1_pd(x2_[q] - x1_[q]);
  const __m256d sdx = _mm256_set1_pd(dx_[q]), sdy = _mm256_set1_pd(dy_[q]);
  const __m256d zero = _mm256_setzero_pd(), sign = _mm256_set1_pd(-0.0);
  const size_t base = static_cast<size_t>(w) * 64;
  std::uint64_t c = 0, g = 0, on = 0;
#pragma GCC unroll 16
  for (int i = 0; i < 64; i += 4) {
    const size_t p = base + i;
    const __m256d cdx = _mm256_loadu_pd(&dx_[p]), cdy = _mm256_loadu_pd(&dy_[p]);
    const __m256d cx1 = _mm256_loadu_pd(&x1_[p]), cy1 = _mm256_loadu_pd(&y1_[p]);
    const __m256d d = _mm256_sub_pd(_mm256_mul_pd(sdy, cdx), _mm256_mul_pd(sdx, cdy));
    const __m256d n = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(cx1, sx1), a), _mm256_mul_pd(_mm256_sub_pd(cy1, sy1), b));
    int cm;
    if constexpr (Small) {
      // Same sign, n not 0, |n| < |d| (valid for full ranges; others are redone below).
      const __m256d inside = _mm256_and_pd(_mm256_cmp_pd(_mm256_andnot_pd(sign, n), _mm256_andnot_pd(sign, d), _CMP_LT_OQ),
                                           _mm256_cmp_pd(n, zero, _CMP_NEQ_OQ));
      cm = _mm256_movemask_pd(inside) & ~_mm256_movemask_pd(_mm256_xor_pd(n, d));
    } else {
      const __m256d u = _mm256_div_pd(n, d);
      const __m256d in = _mm256_and_pd(_mm256_cmp_pd(_mm256_loadu_pd(&ts_[p]), u, _CMP_LT_OQ),
                                       _mm256_cmp_pd(u, _mm256_loadu_pd(&te_[p]), _CMP_LT_OQ));
      cm = _mm256_movemask_pd(_mm256_and_pd(in, _mm256_cmp_pd(d, zero, _CMP_NEQ_OQ)));
    }
    // Side values are whole numbers (see kSmallCoordinate): n < 0 is below
    // the line, and n = 0 leaves the side to the second end point.
    const int negN = _mm256_movemask_pd(_mm256_cmp_pd(n, zero, _CMP_LT_OQ));
    const int onLine = _mm256_movemask_pd(_mm256_andnot_pd(_mm256_cmp_pd(d, zero, _CMP_EQ_OQ), _mm256_cmp_pd(n, zero, _CMP_EQ_OQ)));
    c |= static_cast<std::uint64_t>(cm) << i;
    g |= static_cast<std::uint64_t>(negN) << i;
    on |= static_cast<std::uint64_t>(onLine) << i;
  }
  return finishWord(q, w, members, c, g, on);
}

// The same eight keys at a time, with mask registers for the comparisons.
template <bool Small>
__attribute__((target("avx512f"))) Engine::WordBits Engine::fillWordAvx512(int q, int w, std::uint64_t members) const {
  const __m512d sx1 = _mm512_set1_pd(x1_[q]), sy1 = _mm512_set1_pd(y1_[q]);
  const __m512d a = _mm512_set1_pd(y1_[q] - y2_[q]), b = _mm512_set1_pd(x2_[q] - x1_[q]);
  const __m512d sdx = _mm512_set1_pd(dx_[q]), sdy = _mm512_set1_pd(dy_[q]);
  const __m512d zero = _mm512_setzero_pd();
  const size_t base = static_cast<size_t>(w) * 64;
  std::uint64_t c = 0, g = 0, on = 0;
#pragma GCC unroll 8
  for (int i = 0; i < 64; i += 8) {
    const size_t p = base + i;
    const __m512d cdx = _mm512_loadu_pd(&dx_[p]), cdy = _mm512_loadu_pd(&dy_[p]);
    const __m512d cx1 = _mm512_loadu_pd(&x1_[p]), cy1 = _mm512_loadu_pd(&y1_[p]);
    const __m512d d = _mm512_sub_pd(_mm512_mul_pd(sdy, cdx), _mm512_mul_pd(sdx, cdy));
    const __m512d n = _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(cx1, sx1), a), _mm512_mul_pd(_mm512_sub_pd(cy1, sy1), b));
    const unsigned negN = _mm512_cmp_pd_mask(n, zero, _CMP_LT_OQ), posN = _mm512_cmp_pd_mask(n, zero, _CMP_GT_OQ);
    unsigned cm;
    if constexpr (Small) {
      // Same sign, n not 0, |n| < |d|.
      const unsigned negD = _mm512_cmp_pd_mask(d, zero, _CMP_LT_OQ);
      cm = _mm512_cmp_pd_mask(_mm512_abs_pd(n), _mm512_abs_pd(d), _CMP_LT_OQ) & ((negN & negD) | (posN & ~negD));
    } else {
      const __m512d u = _mm512_div_pd(n, d);
      cm = _mm512_cmp_pd_mask(_mm512_loadu_pd(&ts_[p]), u, _CMP_LT_OQ) &
           _mm512_cmp_pd_mask(u, _mm512_loadu_pd(&te_[p]), _CMP_LT_OQ) & _mm512_cmp_pd_mask(d, zero, _CMP_NEQ_OQ);
    }
    // Side values are whole numbers (see kSmallCoordinate): n < 0 is below
    // the line, and n = 0 leaves the side to the second end point.
    const unsigned onLine = ~_mm512_cmp_pd_mask(d, zero, _CMP_EQ_OQ) & ~negN & ~posN;
    c |= static_cast<std::uint64_t>(cm & 0xFF) << i;
    g |= static_cast<std::uint64_t>(negN & 0xFF) << i;
    on |= static_cast<std::uint64_t>(onLine & 0xFF) << i;
  }
  return finishWord(q, w, members, c, g, on);
}

// Only the members of word w, eight at a time: their positions compressed
// into a list, their columns gathered, the result bits spread back.
template <bool Small>
__attribute__((target("avx512f,bmi2"))) Engine::WordBits Engine::fillMembersAvx512(int q, int w,
                                                                                  std::uint64_t members) const {
  alignas(64) std::int32_t at[64 + 16];
  int k = 0;
  const int base = w * 64;
  const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  for (int h = 0; h < 64; h += 16) {
    const auto part = static_cast<__mmask16>(members >> h);
    if (!part) continue;
    _mm512_storeu_si512(at + k, _mm512_maskz_compress_epi32(part, _mm512_add_epi32(iota, _mm512_set1_epi32(base + h))));
    k += std::popcount(static_cast<unsigned>(part));
  }
  const __m512d sx1 = _mm512_set1_pd(x1_[q]), sy1 = _mm512_set1_pd(y1_[q]);
  const __m512d a = _mm512_set1_pd(y1_[q] - y2_[q]), b = _mm512_set1_pd(x2_[q] - x1_[q]);
  const __m512d sdx = _mm512_set1_pd(dx_[q]), sdy = _mm512_set1_pd(dy_[q]);
  const __m512d zero = _mm512_setzero_pd();
  std::uint64_t c = 0, g = 0, on = 0;
  for (int j = 0; j < k; j += 8) {
    const auto lanes = static_cast<__mmask8>(k - j >= 8 ? 0xFF : (1u << (k - j)) - 1);
    const __m256i index = _mm256_load_si256(reinterpret_cast<const __m256i*>(at + j));
    const __m512d cdx = _mm512_mask_i32gather_pd(zero, lanes, index, dx_.data(), 8);
    const __m512d cdy = _mm512_mask_i32gather_pd(zero, lanes, index, dy_.data(), 8);
    const __m512d cx1 = _mm512_mask_i32gather_pd(zero, lanes, index, x1_.data(), 8);
    const __m512d cy1 = _mm512_mask_i32gather_pd(zero, lanes, index, y1_.data(), 8);
    const __m512d d = _mm512_sub_pd(_mm512_mul_pd(sdy, cdx), _mm512_mul_pd(sdx, cdy));
    const __m512d n = _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(cx1, sx1), a), _mm512_mul_pd(_mm512_sub_pd(cy1, sy1), b));
    const unsigned negN = _mm512_cmp_pd_mask(n, zero, _CMP_LT_OQ), posN = _mm512_cmp_pd_mask(n, zero, _CMP_GT_OQ);
    unsigned cm;
    if constexpr (Small) {
      const unsigned negD = _mm512_cmp_pd_mask(d, zero, _CMP_LT_OQ);
      cm = _mm512_cmp_pd_mask(_mm512_abs_pd(n), _mm512_abs_pd(d), _CMP_LT_OQ) & ((negN & negD) | (posN & ~negD));
    } else {
      const __m512d u = _mm512_div_pd(n, d);
      const __m512d ts = _mm512_mask_i32gather_pd(zero, lanes, index, ts_.data(), 8);
      const __m512d te = _mm512_mask_i32gather_pd(zero, lanes, index, te_.data(), 8);
      cm = _mm512_cmp_pd_mask(ts, u, _CMP_LT_OQ) & _mm512_cmp_pd_mask(u, te, _CMP_LT_OQ) &
           _mm512_cmp_pd_mask(d, zero, _CMP_NEQ_OQ);
    }
    // As in fillWordAvx512.
    const unsigned onLine = ~_mm512_cmp_pd_mask(d, zero, _CMP_EQ_OQ) & ~negN & ~posN;
    c |= static_cast<std::uint64_t>(cm & lanes) << j;
    g |= static_cast<std::uint64_t>(negN & lanes) << j;
    on |= static_cast<std::uint64_t>(onLine & lanes) << j;
  }
  return finishWord(q, w, members, _pdep_u64(c, members), _pdep_u64(g, members), _pdep_u64(on, members));
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
    if (!(done >> w & 1)) {
      const std::uint64_t members = mask_[w];
      const int k = kPopcnt ? std::popcount(members) : bitCount(members);
      counts_->sideTests += static_cast<std::uint64_t>(k);
      WordBits bits;
#if KV_CUTSETS_X86
      if (K == Kernels::Avx512 && k >= kDenseWord8)
        bits = small_ ? fillWordAvx512<true>(q, w, members) : fillWordAvx512<false>(q, w, members);
      else if (K == Kernels::Avx512 && k > 1)
        bits = small_ ? fillMembersAvx512<true>(q, w, members) : fillMembersAvx512<false>(q, w, members);
      else if (K == Kernels::Avx2 && k >= kDenseWord4)
        bits = small_ ? fillWordAvx2<true>(q, w, members) : fillWordAvx2<false>(q, w, members);
      else
#endif
        bits = fillWordScalar(q, w, members);
      cutAt(q, w) = bits.cut;
      sideAt(q, w) = bits.neg;
      done |= std::uint64_t{1} << w;
    }
    const std::uint64_t cut = cutAt(q, w) & mask_[w];
    count += kPopcnt ? std::popcount(cut) : bitCount(cut);
    if (count >= best) break;
  }
  done_[q] = done;
  return count;
}

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
      bits &= ~(std::uint64_t{1} << b);
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

#if KV_CUTSETS_X86
__attribute__((target("avx2,popcnt"))) int Engine::chooseAvx2() { return chooseImpl<Kernels::Avx2>(); }
__attribute__((target("avx512f,avx2,bmi2,popcnt"))) int Engine::chooseAvx512() { return chooseImpl<Kernels::Avx512>(); }
#endif

int Engine::choose() {
  if (words_.size() == 1 && std::has_single_bit(mask_[words_[0]]))
    return words_[0] * 64 + std::countr_zero(mask_[words_[0]]);
  if (direct_) return chooseDirect();
#if KV_CUTSETS_X86
  if (kernels_ == Kernels::Avx512) return chooseAvx512();
  if (kernels_ == Kernels::Avx2) return chooseAvx2();
#endif
  return chooseImpl<Kernels::Scalar>();
}

// --- lists -----------------------------------------------------------------------

template <class F>
void Engine::forEachInOrder(const std::uint64_t* m, const std::vector<int>& words, bool desc, F f) {
  const int nw = static_cast<int>(words.size());
  for (int i = 0; i < nw; ++i) {
    const int w = words[desc ? nw - 1 - i : i];
    for (std::uint64_t bits = m[w]; bits;) {
      const int b = desc ? 63 - std::countl_zero(bits) : std::countr_zero(bits);
      bits &= ~(std::uint64_t{1} << b);
      if (!f(w * 64 + b)) return;
    }
  }
}

// The record after `key` in the list being built, -1 at its end.
Long Engine::successor(int key) const {
  const int w = key >> 6, b = key & 63;
  const auto at = std::lower_bound(words_.begin(), words_.end(), w);
  if (!desc_) {
    const std::uint64_t above = b == 63 ? 0 : mask_[w] & (~std::uint64_t{0} << (b + 1));
    if (above) return recAt_[w * 64 + std::countr_zero(above)];
    if (at + 1 < words_.end()) return recAt_[at[1] * 64 + std::countr_zero(mask_[at[1]])];
  } else {
    const std::uint64_t below = mask_[w] & ((std::uint64_t{1} << b) - 1);
    if (below) return recAt_[w * 64 + 63 - std::countl_zero(below)];
    if (at > words_.begin()) return recAt_[at[-1] * 64 + 63 - std::countl_zero(mask_[at[-1]])];
  }
  return -1;
}

void Engine::removeKey(int key) {
  const int w = key >> 6;
  mask_[w] &= ~(std::uint64_t{1} << (key & 63));
  if (!mask_[w]) words_.erase(std::lower_bound(words_.begin(), words_.end(), w));
}

// Makes mask_ the list being built: where its root goes, and the new ranges
// of its split keys.
void Engine::startList(bool desc, Long parent, bool pos, const Fix* fixes, int fixCount) {
  listReady_ = true;
  desc_ = desc;
  slotParent_ = parent;
  slotPos_ = pos;
  int members = 0;
  for (int w : words_) members += bitCount(mask_[w]);
  direct_ = members <= kDirectList;
  applyFixes(fixes, fixCount);
}

bool Engine::popTask() {
  if (tasks_.empty()) return false;
  const Task t = tasks_.back();
  tasks_.pop_back();
  // mask_ is empty here: the list before it was used up.
  words_.clear();
  for (int i = 0; i < t.wordCount; ++i) {
    const Word& e = taskWords_[t.wordOff + i];
    mask_[e.w] = e.bits;
    words_.push_back(e.w);
  }
  startList(t.desc, t.parent, true, fixes_.data() + t.fixOff, t.fixCount);
  taskWords_.resize(static_cast<size_t>(t.wordOff));
  fixes_.resize(static_cast<size_t>(t.fixOff));
  return true;
}

// The split keys of a list now hold other records or ranges: their lines'
// sets are dropped (built anew when needed) and their bits in the sets of
// the list's other lines are redone.
void Engine::applyFixes(const Fix* f, int count) {
  if (count == 0) return;
  for (int i = 0; i < count; ++i) {
    const int p = f[i].key;
    recAt_[p] = f[i].rec;
    ts_[p] = key_[p].ts = f[i].ts, te_[p] = key_[p].te = f[i].te;
    const std::uint64_t one = std::uint64_t{1} << (p & 63);
    if (f[i].ts == 0.0 && f[i].te == 1.0) nonUnit_[p >> 6] &= ~one;
    else nonUnit_[p >> 6] |= one;
    done_[p] = 0;
  }
  if (direct_) return;  // its lists use no line sets
  for (int w : words_)
    for (std::uint64_t bits = mask_[w]; bits; bits &= bits - 1) {
      const int line = w * 64 + std::countr_zero(bits);
      const std::uint64_t done = done_[line];
      if (!done) continue;
      for (int i = 0; i < count; ++i) {
        const int p = f[i].key, pw = p >> 6;
        if (!(done >> pw & 1)) continue;
        ++counts_->sideTests;
        const std::uint64_t one = std::uint64_t{1} << (p & 63);
        if (cuts(p, sideOf(line, p))) cutAt(line, pw) |= one;
        else cutAt(line, pw) &= ~one;
      }
    }
}

// Splits the list (the splitter's key already taken out) around line `line`
// of splitter s: pieces for the members it cuts, in list order; then the
// non-negative list waits and the negative one is built next, as the walk's
// stack has it. False when the table ran full.
bool Engine::partition(int line, int key, Long s, Long& pieces) {
  // The splitter's bits: from its sets, from the direct choice, or tested now
  // (a given splitter on a small list).
  for (int w : words_) {
    if (!direct_) {
      lineCut_[w] = cutAt(line, w), lineSide_[w] = sideAt(line, w);
    } else if (!directBits_) {
      const WordBits bits = fillWordScalar(line, w, mask_[w]);
      lineCut_[w] = bits.cut, lineSide_[w] = bits.neg;
      counts_->sideTests += static_cast<std::uint64_t>(bitCount(mask_[w]));
    }
  }
  directBits_ = false;
  const std::uint64_t* cr = lineCut_.data();
  const std::uint64_t* sr = lineSide_.data();
  bool anyCut = false;
  for (int w : words_) {
    cutMask_[w] = cr[w] & mask_[w];
    anyCut |= cutMask_[w] != 0;
  }
  negFix_.clear(), posFix_.clear();
  int failing = -1;
  if (anyCut) {
    forEachInOrder(cutMask_.data(), words_, desc_, [&](int p) {
      if (pieces >= capacity_) {
        failing = p;
        return false;
      }
      const Long c = recAt_[p], k = pieces++;
      const Side v = sideOf(line, p);
      const double u = v.n / v.d;
      ++counts_->sideTests;
      out_->split(c, k, u);
      // The piece on the side of the source wall's first end point keeps the record.
      if (v.n < 0) {
        negFix_.push_back({p, c, key_[p].ts, u});
        posFix_.push_back({p, k, u, key_[p].te});
      } else {
        negFix_.push_back({p, k, u, key_[p].te});
        posFix_.push_back({p, c, key_[p].ts, u});
      }
      return true;
    });
  }
  if (failing != -1) {
    failAt(sr, key, failing);
    return false;
  }
  negWords_.clear(), posWords_.clear();
  for (int w : words_) {
    const std::uint64_t m = mask_[w], c = cutMask_[w];
    if (const std::uint64_t neg = m & (sr[w] | c)) negMask_[w] = neg, negWords_.push_back(w);
    if (const std::uint64_t pos = m & (~sr[w] | c)) posMask_[w] = pos, posWords_.push_back(w);
    cutMask_[w] = 0;
    mask_[w] = 0;
  }
  const bool anyNeg = !negWords_.empty(), anyPos = !posWords_.empty();
  // Walked in list order and pushed at the front: both lists run the other way.
  const bool desc = !desc_;
  if (anyPos && anyNeg) {
    tasks_.push_back({static_cast<int>(taskWords_.size()), static_cast<int>(posWords_.size()),
                      static_cast<int>(fixes_.size()), static_cast<int>(posFix_.size()), desc, s});
    for (int w : posWords_) {
      taskWords_.push_back({w, posMask_[w]});
      posMask_[w] = 0;
    }
    fixes_.insert(fixes_.end(), posFix_.begin(), posFix_.end());
  } else if (!anyPos) {
    out_->setLink(s, true, -1);
  }
  if (anyNeg) {
    mask_.swap(negMask_);
    words_.swap(negWords_);
    startList(desc, s, false, negFix_.data(), static_cast<int>(negFix_.size()));
    return true;
  }
  out_->setLink(s, false, -1);
  if (anyPos) {  // waits for nothing: built at once
    mask_.swap(posMask_);
    words_.swap(posWords_);
    startList(desc, s, true, posFix_.data(), static_cast<int>(posFix_.size()));
    return true;
  }
  words_.clear();
  listReady_ = false;
  return true;
}

// The table ran full while partitioning: every record's work-list link
// becomes what the walk, stopped at key `failing`, leaves in it.
void Engine::failAt(const std::uint64_t* sr, int key, int failing) {
  counts_->failure = BuildFailure::TableFull;
  std::vector<int> order, all(static_cast<size_t>(W_));
  for (int w = 0; w < W_; ++w) all[w] = w;
  std::vector<std::uint64_t> whole(mask_);
  if (key >= 0) whole[key >> 6] |= std::uint64_t{1} << (key & 63);
  forEachInOrder(whole.data(), all, desc_, [&](int p) {
    order.push_back(p);
    return true;
  });
  Long negHead = -1, posHead = -1;
  auto push = [&](Long& head, Long r) {
    out_->setNextSeg(r, head);
    head = r;
  };
  size_t split = 0;
  bool reached = false;
  for (size_t i = 0; i < order.size(); ++i) {
    const int p = order[i];
    if (p == key) continue;
    reached |= p == failing;
    if (reached) {
      out_->setNextSeg(recAt_[p], i + 1 < order.size() ? recAt_[order[i + 1]] : -1);
    } else if (cutMask_[p >> 6] >> (p & 63) & 1) {
      push(negHead, negFix_[split].rec);
      push(posHead, posFix_[split].rec);
      ++split;
    } else {
      push(sr[p >> 6] >> (p & 63) & 1 ? negHead : posHead, recAt_[p]);
    }
  }
  // The lists still waiting, each in its own order.
  std::vector<Long> fixed(static_cast<size_t>(n0_), -1);
  std::vector<std::uint64_t> m(static_cast<size_t>(W_));
  for (const Task& task : tasks_) {
    const Fix* f = fixes_.data() + task.fixOff;
    for (int i = 0; i < task.fixCount; ++i) fixed[f[i].key] = f[i].rec;
    std::fill(m.begin(), m.end(), 0);
    for (int i = 0; i < task.wordCount; ++i) m[taskWords_[task.wordOff + i].w] = taskWords_[task.wordOff + i].bits;
    Long prev = -1;
    forEachInOrder(m.data(), all, task.desc, [&](int p) {
      const Long r = fixed[p] != -1 ? fixed[p] : recAt_[p];
      if (prev != -1) out_->setNextSeg(prev, r);
      prev = r;
      return true;
    });
    if (prev != -1) out_->setNextSeg(prev, -1);
    for (int i = 0; i < task.fixCount; ++i) fixed[f[i].key] = -1;
  }
}

Long Engine::run(Long& pieces) {
  Long root = -1;
  bool first = true;
  while (listReady_ || popTask()) {
    int line, key;
    Long s;
    if (first && splitter_) {
      // A given splitter: its own line (a member's, or the extra one); it
      // keeps its links until the partition sets them.
      s = splitter_->rec;
      key = -1;
      for (int p = 0; p < n0_; ++p)
        if (recAt_[p] == s) key = p;
      line = key >= 0 ? key : extra_;
      if (key >= 0) removeKey(key);
      countCuts<Kernels::Scalar>(line, kNoCount);  // fills the whole row
    } else {
      key = line = choose();
      s = recAt_[key];
      out_->place(s);
      out_->setLink(slotParent_, slotPos_, s);
      out_->setNextSeg(s, successor(key));
      removeKey(key);
    }
    if (first) root = s;
    first = false;
    if (!partition(line, key, s, pieces)) return -1;
  }
  return root;
}

}  // namespace

Long buildOnCutSets(std::span<const ListMember> list, const ListMember* splitter, Long& pieces, Long capacity,
                    TreeRecords& out, BuildCounts& counts) {
  if (list.empty() || list.size() > 4096) {
    counts.failure = BuildFailure::DamagedList;
    return -1;
  }
  thread_local Engine engine;
  engine.start(list, splitter, capacity, out, counts);
  return engine.run(pieces);
}

Kernels useKernels(Kernels most) {
  const Kernels was = mostAllowed;
  mostAllowed = most;
  return was;
}

}  // namespace kv::bsp
