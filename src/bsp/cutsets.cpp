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

bool vectorAllowed = true;

bool haveAvx2() {
#if KV_CUTSETS_X86
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  return has;
#else
  return false;
#endif
}

// With every coordinate at most this far from 0, differences stay below 2^25
// and each side value and denominator is an exact integer in a double. Then
// 0 < n/d < 1 holds for the rounded quotient exactly when n and d have the
// same sign and |n| < |d|: no quotient needs computing for a full range.
constexpr double kSmallCoordinate = 16777216.0;  // 2^24

// A word of keys whose members are fewer than this is filled member by
// member; a denser one whole with the vector kernel.
constexpr int kDenseWord = 12;

// The range a key's record gets when the list holding it is started.
struct Fix {
  int key;
  Long rec;
  double ts, te;
};

// A non-negative list waiting for its negative sibling's sub-tree.
struct Task {
  int fixOff, fixCount;
  bool desc;
  Long parent;  // its root goes into parent's posChild
};

class Engine {
 public:
  Engine(std::span<const ListMember> list, const ListMember* splitter, Long capacity, TreeRecords& out,
         BuildCounts& counts);
  Long run(Long& pieces);

 private:
  // --- the exact side test, as the list walk does it ---------------------
  struct Side {
    double n, d;
  };
  // n = D(p's first end point) on line q, d = D(p's first) - D(p's second).
  Side sideOf(int q, int p) const {
    const double a = y1_[q] - y2_[q], b = x2_[q] - x1_[q];
    return {(x1_[p] - x1_[q]) * a + (y1_[p] - y1_[q]) * b, dy_[q] * dx_[p] - dx_[q] * dy_[p]};
  }
  // Whether line q cuts the record at key p inside its open range.
  bool cuts(int p, Side v) const {
    if (v.d == 0) return false;
    if (small_ && ts_[p] == 0.0 && te_[p] == 1.0)
      return v.n != 0 && (v.n < 0) == (v.d < 0) && std::fabs(v.n) < std::fabs(v.d);
    const double u = v.n / v.d;
    return ts_[p] < u && u < te_[p];
  }
  // Whether key p goes to line q's negative list when it is not cut: by the
  // first end point, or the second when the first lies on the line.
  bool negative(int q, int p, Side v) const {
    if (v.d == 0) return v.n < 0;
    if (v.n < -kOnLine) return true;
    if (v.n > kOnLine) return false;
    const double a = y1_[q] - y2_[q], b = x2_[q] - x1_[q];
    return (y2_[p] - y1_[q]) * b + (x2_[p] - x1_[q]) * a < -kOnLine;
  }

  // --- bit sets ------------------------------------------------------------
  std::uint64_t* cutRow(int q) { return cut_.get() + static_cast<size_t>(q) * W_; }
  std::uint64_t* sideRow(int q) { return side_.get() + static_cast<size_t>(q) * W_; }
  std::uint64_t* taskMask(size_t i) { return taskMasks_.get() + i * W_; }
  void fillWordScalar(int q, int w, std::uint64_t members);
#if KV_CUTSETS_X86
  __attribute__((target("avx2"))) void fillWordAvx2(int q, int w, std::uint64_t members);
  __attribute__((target("avx2,popcnt"))) int chooseAvx2();
#endif
  template <bool Vec>
  int countCuts(int q, int best);
  template <bool Vec>
  int chooseImpl();
  int choose();
  void completeRow(int q) { countCuts<false>(q, kNoCount); }

  // --- lists -----------------------------------------------------------------
  template <class F>
  void forEachInOrder(const std::uint64_t* m, bool desc, F f) const;
  void refreshWords();
  Long successor(int key) const;
  void startList(bool desc, Long parent, bool pos, const Fix* fixes, int fixCount);
  bool partition(int line, int key, Long s, Long& pieces);
  bool popTask();
  void applyFixes(const Fix* f, int count);
  void failAt(int line, int key, int failing);

  Long capacity_;
  TreeRecords& out_;
  BuildCounts& counts_;
  const ListMember* splitter_;
  int n0_, W_, extra_;
  bool small_ = true;
  bool vec_;
  // Per key (and the extra line at n0_): the source wall and the range of the
  // record that holds the key in the list being built.
  std::vector<double> x1_, y1_, x2_, y2_, dx_, dy_, ts_, te_;
  std::vector<Long> recAt_;
  std::vector<std::uint64_t> nonUnit_;  // keys whose range is not exactly 0 to 1
  // Per line: the keys it cuts and the keys on its negative side; a bit of
  // `done_` per word that holds them for the list being built.
  std::unique_ptr<std::uint64_t[]> cut_, side_;
  std::vector<std::uint64_t> done_;
  // The list being built (`listReady_` false: none) and its non-empty words.
  std::vector<std::uint64_t> mask_;
  std::vector<int> words_;
  bool listReady_ = true;
  bool desc_ = false;
  Long slotParent_ = -1;
  bool slotPos_ = false;
  // Waiting lists and the new ranges of their split keys, as stacks.
  std::vector<Task> tasks_;
  std::unique_ptr<std::uint64_t[]> taskMasks_;
  std::vector<Fix> fixes_;
  // Scratch of one partition.
  std::vector<std::uint64_t> cutMask_, negMask_, posMask_;
  std::vector<Fix> negFix_, posFix_;
};

Engine::Engine(std::span<const ListMember> list, const ListMember* splitter, Long capacity, TreeRecords& out,
               BuildCounts& counts)
    : capacity_(capacity), out_(out), counts_(counts), splitter_(splitter) {
  n0_ = static_cast<int>(list.size());
  W_ = (n0_ + 63) / 64;
  extra_ = n0_;
  const size_t keys = static_cast<size_t>(W_) * 64 + 64;  // padded for whole-word kernels
  for (auto* v : {&x1_, &y1_, &x2_, &y2_, &dx_, &dy_, &ts_}) v->assign(keys, 0.0);
  te_.assign(keys, 1.0);
  recAt_.assign(keys, -1);
  auto setLine = [&](int p, const ListMember& m) {
    x1_[p] = m.x1, y1_[p] = m.y1, x2_[p] = m.x2, y2_[p] = m.y2;
    dx_[p] = x2_[p] - x1_[p], dy_[p] = y2_[p] - y1_[p];
    for (double c : {x1_[p], y1_[p], x2_[p], y2_[p]})
      if (std::fabs(c) > kSmallCoordinate) small_ = false;
  };
  nonUnit_.assign(W_, 0);
  for (int p = 0; p < n0_; ++p) {
    setLine(p, list[p]);
    recAt_[p] = list[p].rec;
    ts_[p] = list[p].tStart, te_[p] = list[p].tEnd;
    if (!(ts_[p] == 0.0 && te_[p] == 1.0)) nonUnit_[p >> 6] |= std::uint64_t{1} << (p & 63);
  }
  if (splitter) setLine(extra_, *splitter);
  const size_t lines = static_cast<size_t>(n0_) + 1;
  cut_.reset(new std::uint64_t[lines * W_]);
  side_.reset(new std::uint64_t[lines * W_]);
  done_.assign(lines, 0);
  mask_.assign(W_, 0);
  for (int p = 0; p < n0_; ++p) mask_[p >> 6] |= std::uint64_t{1} << (p & 63);
  words_.reserve(W_);
  cutMask_.assign(W_, 0), negMask_.assign(W_, 0), posMask_.assign(W_, 0);
  // Lists waiting at one time are disjoint sets of records.
  const size_t most = static_cast<size_t>(std::max<Long>(capacity, n0_)) + 1;
  tasks_.reserve(most), fixes_.reserve(most);
  taskMasks_.reset(new std::uint64_t[most * W_]);
  negFix_.reserve(most), posFix_.reserve(most);
  vec_ = vectorAllowed && haveAvx2();
}

// --- bit sets ------------------------------------------------------------------

void Engine::fillWordScalar(int q, int w, std::uint64_t members) {
  std::uint64_t c = 0, g = 0;
  for (std::uint64_t bits = members; bits; bits &= bits - 1) {
    const int b = std::countr_zero(bits), p = w * 64 + b;
    const Side v = sideOf(q, p);
    if (cuts(p, v)) c |= std::uint64_t{1} << b;
    if (negative(q, p, v)) g |= std::uint64_t{1} << b;
  }
  cutRow(q)[w] = c;
  sideRow(q)[w] = g;
}

#if KV_CUTSETS_X86
// All 64 keys of word w at once, four to a register, with the operations of
// the scalar test in the same order (no fused multiply-add, so every lane
// rounds as the scalar code does).
__attribute__((target("avx2"))) void Engine::fillWordAvx2(int q, int w, std::uint64_t members) {
  const __m256d sx1 = _mm256_set1_pd(x1_[q]), sy1 = _mm256_set1_pd(y1_[q]);
  const __m256d a = _mm256_set1_pd(y1_[q] - y2_[q]), b = _mm256_set1_pd(x2_[q] - x1_[q]);
  const __m256d sdx = _mm256_set1_pd(dx_[q]), sdy = _mm256_set1_pd(dy_[q]);
  const __m256d zero = _mm256_setzero_pd(), sign = _mm256_set1_pd(-0.0);
  const __m256d lo = _mm256_set1_pd(-kOnLine), hi = _mm256_set1_pd(kOnLine);
  const size_t base = static_cast<size_t>(w) * 64;
  std::uint64_t c = 0, g = 0;
  for (int i = 0; i < 64; i += 4) {
    const size_t p = base + i;
    const __m256d d = _mm256_sub_pd(_mm256_mul_pd(sdy, _mm256_loadu_pd(&dx_[p])),
                                    _mm256_mul_pd(sdx, _mm256_loadu_pd(&dy_[p])));
    const __m256d n = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(&x1_[p]), sx1), a),
                                    _mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(&y1_[p]), sy1), b));
    int cm;
    if (small_) {
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
    const __m256d parallel = _mm256_cmp_pd(d, zero, _CMP_EQ_OQ);
    __m256d neg = _mm256_cmp_pd(n, lo, _CMP_LT_OQ);
    // On the line by the first end point: the second decides.
    const __m256d onLine = _mm256_andnot_pd(parallel, _mm256_andnot_pd(neg, _mm256_cmp_pd(n, hi, _CMP_LE_OQ)));
    if (_mm256_movemask_pd(onLine)) {
      const __m256d n2 = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(&y2_[p]), sy1), b),
                                       _mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(&x2_[p]), sx1), a));
      neg = _mm256_or_pd(neg, _mm256_and_pd(onLine, _mm256_cmp_pd(n2, lo, _CMP_LT_OQ)));
    }
    neg = _mm256_blendv_pd(neg, _mm256_cmp_pd(n, zero, _CMP_LT_OQ), parallel);
    c |= static_cast<std::uint64_t>(cm) << i;
    g |= static_cast<std::uint64_t>(_mm256_movemask_pd(neg)) << i;
  }
  if (small_) {
    for (std::uint64_t bits = members & nonUnit_[w]; bits; bits &= bits - 1) {
      const int bit = std::countr_zero(bits), p = w * 64 + bit;
      const std::uint64_t one = std::uint64_t{1} << bit;
      if (cuts(p, sideOf(q, p))) c |= one;
      else c &= ~one;
    }
  }
  cutRow(q)[w] = c;
  sideRow(q)[w] = g;
}
#endif

// Cuts of line q among the list's members, the row filled where it is not
// yet; stops as soon as the count reaches `best`.
template <bool Vec>
[[gnu::always_inline]] inline int Engine::countCuts(int q, int best) {
  std::uint64_t done = done_[q];
  const std::uint64_t* row = cutRow(q);
  int count = 0;
  for (int w : words_) {
    if (!(done >> w & 1)) {
      const std::uint64_t members = mask_[w];
      const int k = std::popcount(members);
      counts_.sideTests += static_cast<std::uint64_t>(k);
#if KV_CUTSETS_X86
      if (Vec && k >= kDenseWord) fillWordAvx2(q, w, members);
      else
#endif
        fillWordScalar(q, w, members);
      done |= std::uint64_t{1} << w;
    }
    count += std::popcount(row[w] & mask_[w]);
    if (count >= best) break;
  }
  done_[q] = done;
  return count;
}

// The member that cuts the fewest members; the first met in list order wins
// a tie, and a member that cuts none ends the search.
template <bool Vec>
[[gnu::always_inline]] inline int Engine::chooseImpl() {
  if (words_.size() == 1 && std::has_single_bit(mask_[words_[0]]))
    return words_[0] * 64 + std::countr_zero(mask_[words_[0]]);
  int best = kNoCount, chosen = -1;
  const int nw = static_cast<int>(words_.size());
  for (int i = 0; i < nw; ++i) {
    const int w = words_[desc_ ? nw - 1 - i : i];
    for (std::uint64_t bits = mask_[w]; bits;) {
      const int b = desc_ ? 63 - std::countl_zero(bits) : std::countr_zero(bits);
      bits &= ~(std::uint64_t{1} << b);
      const int q = w * 64 + b;
      const int c = countCuts<Vec>(q, best);
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
__attribute__((target("avx2,popcnt"))) int Engine::chooseAvx2() { return chooseImpl<true>(); }
#endif

int Engine::choose() {
#if KV_CUTSETS_X86
  if (vec_) return chooseAvx2();
#endif
  return chooseImpl<false>();
}

// --- lists -----------------------------------------------------------------------

template <class F>
void Engine::forEachInOrder(const std::uint64_t* m, bool desc, F f) const {
  if (!desc) {
    for (int w = 0; w < W_; ++w)
      for (std::uint64_t bits = m[w]; bits; bits &= bits - 1)
        if (!f(w * 64 + std::countr_zero(bits))) return;
  } else {
    for (int w = W_ - 1; w >= 0; --w)
      for (std::uint64_t bits = m[w]; bits;) {
        const int b = 63 - std::countl_zero(bits);
        bits &= ~(std::uint64_t{1} << b);
        if (!f(w * 64 + b)) return;
      }
  }
}

void Engine::refreshWords() {
  words_.clear();
  for (int w = 0; w < W_; ++w)
    if (mask_[w]) words_.push_back(w);
}

// The record after `key` in the list being built, -1 at its end.
Long Engine::successor(int key) const {
  const int w = key >> 6, b = key & 63;
  if (!desc_) {
    const std::uint64_t above = b == 63 ? 0 : mask_[w] & (~std::uint64_t{0} << (b + 1));
    if (above) return recAt_[w * 64 + std::countr_zero(above)];
    for (int v = w + 1; v < W_; ++v)
      if (mask_[v]) return recAt_[v * 64 + std::countr_zero(mask_[v])];
  } else {
    const std::uint64_t below = mask_[w] & ((std::uint64_t{1} << b) - 1);
    if (below) return recAt_[w * 64 + 63 - std::countl_zero(below)];
    for (int v = w - 1; v >= 0; --v)
      if (mask_[v]) return recAt_[v * 64 + 63 - std::countl_zero(mask_[v])];
  }
  return -1;
}

// Makes mask_ the list being built: where its root goes, and the new ranges
// of its split keys.
void Engine::startList(bool desc, Long parent, bool pos, const Fix* fixes, int fixCount) {
  listReady_ = true;
  desc_ = desc;
  slotParent_ = parent;
  slotPos_ = pos;
  refreshWords();
  applyFixes(fixes, fixCount);
}

bool Engine::popTask() {
  if (tasks_.empty()) return false;
  const Task t = tasks_.back();
  tasks_.pop_back();
  std::copy_n(taskMask(tasks_.size()), W_, mask_.begin());
  startList(t.desc, t.parent, true, fixes_.data() + t.fixOff, t.fixCount);
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
    ts_[p] = f[i].ts, te_[p] = f[i].te;
    const std::uint64_t one = std::uint64_t{1} << (p & 63);
    if (ts_[p] == 0.0 && te_[p] == 1.0) nonUnit_[p >> 6] &= ~one;
    else nonUnit_[p >> 6] |= one;
    done_[p] = 0;
  }
  for (int w : words_)
    for (std::uint64_t bits = mask_[w]; bits; bits &= bits - 1) {
      const int line = w * 64 + std::countr_zero(bits);
      const std::uint64_t done = done_[line];
      if (!done) continue;
      std::uint64_t* row = cutRow(line);
      for (int i = 0; i < count; ++i) {
        const int p = f[i].key, pw = p >> 6;
        if (!(done >> pw & 1)) continue;
        ++counts_.sideTests;
        const std::uint64_t one = std::uint64_t{1} << (p & 63);
        if (cuts(p, sideOf(line, p))) row[pw] |= one;
        else row[pw] &= ~one;
      }
    }
}

// Splits the list (the splitter's key already taken out) around line `line`
// of splitter s: pieces for the members it cuts, in list order; then the
// non-negative list waits and the negative one is built next, as the walk's
// stack has it. False when the table ran full.
bool Engine::partition(int line, int key, Long s, Long& pieces) {
  const std::uint64_t* cr = cutRow(line);
  const std::uint64_t* sr = sideRow(line);
  bool anyCut = false;
  for (int w = 0; w < W_; ++w) {
    cutMask_[w] = cr[w] & mask_[w];
    anyCut |= cutMask_[w] != 0;
  }
  negFix_.clear(), posFix_.clear();
  int failing = -1;
  if (anyCut) {
    forEachInOrder(cutMask_.data(), desc_, [&](int p) {
      if (pieces >= capacity_) {
        failing = p;
        return false;
      }
      const Long c = recAt_[p], k = pieces++;
      const Side v = sideOf(line, p);
      const double u = v.n / v.d;
      ++counts_.sideTests;
      out_.split(c, k, u);
      // The piece on the side of the source wall's first end point keeps the record.
      if (v.n < 0) {
        negFix_.push_back({p, c, ts_[p], u});
        posFix_.push_back({p, k, u, te_[p]});
      } else {
        negFix_.push_back({p, k, u, te_[p]});
        posFix_.push_back({p, c, ts_[p], u});
      }
      return true;
    });
  }
  if (failing != -1) {
    failAt(line, key, failing);
    return false;
  }
  bool anyNeg = false, anyPos = false;
  for (int w = 0; w < W_; ++w) {
    negMask_[w] = mask_[w] & (sr[w] | cutMask_[w]);
    posMask_[w] = mask_[w] & (~sr[w] | cutMask_[w]);
    anyNeg |= negMask_[w] != 0;
    anyPos |= posMask_[w] != 0;
  }
  // Walked in list order and pushed at the front: both lists run the other way.
  const bool desc = !desc_;
  if (anyPos && anyNeg) {
    std::copy_n(posMask_.begin(), W_, taskMask(tasks_.size()));
    tasks_.push_back({static_cast<int>(fixes_.size()), static_cast<int>(posFix_.size()), desc, s});
    fixes_.insert(fixes_.end(), posFix_.begin(), posFix_.end());
  } else if (!anyPos) {
    out_.setLink(s, true, -1);
  }
  if (anyNeg) {
    mask_.swap(negMask_);
    startList(desc, s, false, negFix_.data(), static_cast<int>(negFix_.size()));
    return true;
  }
  out_.setLink(s, false, -1);
  if (anyPos) {  // waits for nothing: built at once
    mask_.swap(posMask_);
    startList(desc, s, true, posFix_.data(), static_cast<int>(posFix_.size()));
    return true;
  }
  listReady_ = false;
  return true;
}

// The table ran full while partitioning: every record's work-list link
// becomes what the walk, stopped at key `failing`, leaves in it.
void Engine::failAt(int line, int key, int failing) {
  counts_.failure = BuildFailure::TableFull;
  const std::uint64_t* sr = sideRow(line);
  std::vector<int> order;
  order.reserve(static_cast<size_t>(n0_));
  std::vector<std::uint64_t> whole(mask_);
  if (key >= 0) whole[key >> 6] |= std::uint64_t{1} << (key & 63);
  forEachInOrder(whole.data(), desc_, [&](int p) {
    order.push_back(p);
    return true;
  });
  Long negHead = -1, posHead = -1;
  auto push = [&](Long& head, Long r) {
    out_.setNextSeg(r, head);
    head = r;
  };
  size_t split = 0;
  bool reached = false;
  for (size_t i = 0; i < order.size(); ++i) {
    const int p = order[i];
    if (p == key) continue;
    reached |= p == failing;
    if (reached) {
      out_.setNextSeg(recAt_[p], i + 1 < order.size() ? recAt_[order[i + 1]] : -1);
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
  for (size_t t = 0; t < tasks_.size(); ++t) {
    const Task& task = tasks_[t];
    const Fix* f = fixes_.data() + task.fixOff;
    for (int i = 0; i < task.fixCount; ++i) fixed[f[i].key] = f[i].rec;
    Long prev = -1;
    forEachInOrder(taskMask(t), task.desc, [&](int p) {
      const Long r = fixed[p] != -1 ? fixed[p] : recAt_[p];
      if (prev != -1) out_.setNextSeg(prev, r);
      prev = r;
      return true;
    });
    if (prev != -1) out_.setNextSeg(prev, -1);
    for (int i = 0; i < task.fixCount; ++i) fixed[f[i].key] = -1;
  }
}

Long Engine::run(Long& pieces) {
  refreshWords();
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
      if (key >= 0) mask_[key >> 6] &= ~(std::uint64_t{1} << (key & 63));
      refreshWords();
      completeRow(line);
    } else {
      key = line = choose();
      s = recAt_[key];
      out_.place(s);
      out_.setLink(slotParent_, slotPos_, s);
      out_.setNextSeg(s, successor(key));
      mask_[key >> 6] &= ~(std::uint64_t{1} << (key & 63));
      if (mask_[key >> 6] == 0) refreshWords();
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
  Engine e(list, splitter, capacity, out, counts);
  return e.run(pieces);
}

bool useVectorKernels(bool on) {
  const bool was = vectorAllowed;
  vectorAllowed = on;
  return was;
}

}  // namespace kv::bsp
