// The engine behind buildOnCutSets (bsp/cutsets.h): its state and the split
// of its work between cutsets.cpp (lists, partition, the build's loop) and
// cutsets_kernels.cpp (filling line sets, choosing the splitter).
#pragma once
#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "bsp/cutsets.h"

#if defined(__x86_64__) || defined(__i386__)
#define KV_CUTSETS_X86 1
#else
#define KV_CUTSETS_X86 0
#endif

namespace kv::bsp::engine {

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

constexpr std::uint64_t bit(int b) { return std::uint64_t{1} << b; }

// Lists on at most this many words are built with their key sets in
// registers (Engine::runFew), but for lists of at most 64 keys on more than
// one word, which the engine below builds renumbered in one word.
constexpr int kFewWords = 4;

// A key set on K words, in registers: every loop runs over the words with
// constant indices (a word picked by a variable index would put the set in
// memory). Word i stands for word at[i] of the engine; keys are given as
// i * 64 + bit.
template <int K>
struct Few {
  std::uint64_t w[K] = {};

  bool any() const {
    std::uint64_t a = 0;
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i) a |= w[i];
    return a != 0;
  }
  int count() const {
    int c = 0;
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i) c += bitCount(w[i]);
    return c;
  }
  int words() const {
    int c = 0;
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i) c += w[i] != 0;
    return c;
  }
  bool single() const { return words() == 1 && count() == 1; }
  // The first key in list order, -1 for none.
  int first(bool desc) const {
    int key = -1;
    if (!desc) {
#pragma GCC unroll 4
      for (int i = K - 1; i >= 0; --i)
        if (w[i]) key = i * 64 + std::countr_zero(w[i]);
    } else {
#pragma GCC unroll 4
      for (int i = 0; i < K; ++i)
        if (w[i]) key = i * 64 + 63 - std::countl_zero(w[i]);
    }
    return key;
  }
  // The key after `key` in list order, -1 at the end.
  int after(int key, bool desc) const {
    Few r;
    const int kw = key >> 6, b = key & 63;
    const std::uint64_t later = desc ? bit(b) - 1 : b == 63 ? 0 : ~std::uint64_t{0} << (b + 1);
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i) r.w[i] = i == kw ? w[i] & later : (desc ? i < kw : i > kw) ? w[i] : 0;
    return r.first(desc);
  }
  // Whether the list stays in registers (see kFewWords).
  friend bool stays(const Few& m) { return m.words() == 1 || m.count() > 64; }
  void clear(int key) {
    const int kw = key >> 6;
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i)
      if (i == kw) w[i] &= ~bit(key & 63);
  }
};

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

// Builds the tree of one list. Keys are the positions in that list. A list
// below it of one word's keys or fewer on more than one word, or whose keys
// lie thinly over many words, is handed, renumbered, to an engine of its own
// (`below_`), so that the words of every list are well filled; a list on a
// few words is built with its key set in registers. With small coordinates
// a box around each word's keys, and with the AVX-512 kernels around each
// eight of them, settles a line's sets for keys that all lie on one side of
// it without testing them one by one. Each engine keeps its buffers from
// build to build.
class Engine {
 public:
  // The first list, in list order, and the splitter given for it, if any.
  void start(std::span<const ListMember> list, const ListMember* splitter, Long capacity, TreeRecords& out,
             BuildCounts& counts, Kernels kernels);
  // The list being built in `up`, renumbered in list order, whose root goes
  // into the link of record `parent` (pos: posChild).
  void startBelow(const Engine& up, Long parent, bool pos);
  // Builds the whole tree; its root, or -1 when the table ran full.
  Long run(Long& pieces);

 private:
  // --- the kernels (cutsets_kernels.cpp) --------------------------------------
  struct WordBits {
    std::uint64_t cut, neg;
  };
  WordBits fillWordScalar(int q, int w, std::uint64_t members) const;
  // Whether all keys of word w lie on one side of line q (the non-negative
  // side may hold keys on the line), which then cuts none of them; `neg`
  // tells the side. Small coordinates and ranges inside 0 to 1 only.
  bool wordAside(int q, int w, bool& neg);
  // Line q's side value of a point (x, y) as a x + b y + c: with small
  // coordinates exactly the list walk's value (every product and sum is a
  // whole number below 2^53).
  struct LineTerms {
    double a, b, c;
  };
  LineTerms lineTerms(int q) const {
    const double a = -dy_[q], b = dx_[q];
    return {a, b, -(x1_[q] * a + y1_[q] * b)};
  }
  // Word w's box from eight partial boxes (least x, least y, most x, most y).
  void setWordBox(int w, const double* lx, const double* ly, const double* hx, const double* hy);
  template <Kernels K>
  WordBits kernelFill(int q, int w, std::uint64_t members, bool boxes) const;
  // Word w of line q's sets for `members`, at least one.
  template <Kernels K>
  void fillWord(int q, int w, std::uint64_t members);
  // The words' boxes, from the keys' end points.
  void boxWords();
  // The boxes the kernels read: with the AVX-512 kernels also those of each
  // word's eights of keys.
  void boxes();
#if KV_CUTSETS_X86
  __attribute__((target("avx512f"))) void boxEightsAvx512();
#endif
  // Fills line q's sets for the whole list.
  void fillRow(int q);
  // The list's splitter.
  int choose();
  // The splitter of list m when all keys lie in word 0.
  int chooseInWord(std::uint64_t m, bool desc);

  // --- the exact side test, as the list walk does it ---------------------
  struct Side {
    double n, d;
  };
  // n = D(p's first end point) on line q, d = D(p's first) - D(p's second).
  Side sideOf(int q, int p) const {
    const double a = y1_[q] - y2(q), b = x2(q) - x1_[q];
    return {(x1_[p] - x1_[q]) * a + (y1_[p] - y1_[q]) * b, dy_[q] * dx_[p] - dx_[q] * dy_[p]};
  }
  // Whether line q cuts the record at key p inside its open range.
  bool cuts(int p, Side v) const;

  // --- the changes to the records -----------------------------------------
  // Record s is the splitter of a list: its links cleared, its index into
  // the parent's link, its work-list link `next`.
  void record(Long s, Long parent, bool pos, Long next) {
    if (Long* l = out_->links) {
      l[3 * s] = l[3 * s + 1] = -1;
      l[3 * s + 2] = next;
      if (parent >= 0)
        l[3 * parent + (pos ? 0 : 1)] = s;
      else
        out_->setLink(parent, pos, s);
    } else {
      out_->place(s);
      out_->setLink(parent, pos, s);
      out_->setNextSeg(s, next);
    }
  }
  // Line q cuts the record at key p into a new piece, record `pieces` (and
  // the count goes up): the split is made and each side learns which record
  // carries which part of the range. The piece on the side of the source
  // wall's first end point keeps the record.
  void splitAt(int q, int p, Long& pieces) {
    const Long c = recAt_[p], k = pieces++;
    const Side v = sideOf(q, p);
    const double u = v.n / v.d;
    ++counts_->sideTests;
    out_->split(c, k, u);
    if (v.n < 0) {
      negFix_.push_back({p, c, ts_[p], u});
      posFix_.push_back({p, k, u, te_[p]});
    } else {
      negFix_.push_back({p, k, u, te_[p]});
      posFix_.push_back({p, c, ts_[p], u});
    }
  }
  // Key p now holds the record and range of fix f: its line's sets are
  // dropped (built anew when needed).
  void takeFix(const Fix& f) {
    const int p = f.key;
    recAt_[p] = f.rec;
    ts_[p] = f.ts, te_[p] = f.te;
    if (f.ts == 0.0 && f.te == 1.0)
      nonUnit_[p >> 6] &= ~bit(p & 63);
    else
      nonUnit_[p >> 6] |= bit(p & 63);
    done_[p] = 0;
  }
  // Splitter s has no child on that side.
  void noChild(Long s, bool pos) {
    if (Long* l = out_->links)
      l[3 * s + (pos ? 0 : 1)] = -1;
    else
      out_->setLink(s, pos, -1);
  }

  // --- kernels ---------------------------------------------------------------
#if KV_CUTSETS_X86
  template <bool Small>
  __attribute__((target("avx2"))) WordBits fillAvx2(int q, int w, std::uint64_t members) const;
  template <bool Small>
  __attribute__((target("avx512f"))) WordBits fillAvx512(int q, int w, std::uint64_t members, bool eights) const;
  __attribute__((target("avx2,popcnt"))) int chooseAvx2();
  __attribute__((target("avx512f,avx2,popcnt"))) int chooseAvx512();
#endif
  template <Kernels K>
  int countCuts(int q, int best);
  template <Kernels K>
  int chooseImpl();
  template <Kernels K>
  int chooseWordImpl(std::uint64_t m, bool desc);
#if KV_CUTSETS_X86
  __attribute__((target("avx2,popcnt"))) int chooseWordAvx2(std::uint64_t m, bool desc);
  __attribute__((target("avx512f,avx2,popcnt"))) int chooseWordAvx512(std::uint64_t m, bool desc);
#endif

  // Word w of line q's sets, a line's words side by side: a count, the
  // partition and a fill read or write a row.
  std::uint64_t& cutAt(int q, int w) { return cut_[static_cast<size_t>(q) * W_ + w]; }
  std::uint64_t& sideAt(int q, int w) { return side_[static_cast<size_t>(q) * W_ + w]; }

  // --- lists (cutsets.cpp) ---------------------------------------------------
  void takeKeys(const Engine& up, const int* at);
#if KV_CUTSETS_X86
  // takeKeys for the keys of up's list being built, in list order, eight at
  // a time.
  __attribute__((target("avx512f"))) void takeKeysAvx512(const Engine& up);
#endif
  template <class F>
  static void forEachInOrder(const std::uint64_t* m, std::span<const int> words, bool desc, F f);
  void prepare(int keys, Long capacity);
  void padKeys();
  Long successor(int key) const;
  void removeKey(int key);
  void startList(bool desc, Long parent, bool pos, const Fix* fixes, int fixCount);
  void applyFixes(const Fix* f, int count);
  bool partition(int line, int key, Long s, Long& pieces);
  bool popTask();
  bool runBelow(Long& pieces);
  void failAt(int line, int key, int failing);
  void failWaiting();

  // --- lists of a few words, in registers (cutsets_few.cpp) ----------------
  // Builds the list being built (at most kFewWords words) and the lists
  // below it while they stay in registers; the first that does not is made
  // the list being built (or none is). The first splitter placed goes into
  // `root` if that is -1. False when the table ran full.
  bool runFew(Long& root, Long& pieces);
  template <int K>
  bool runFewOn(Long& root, Long& pieces);
  template <Kernels Kern, int K>
  bool runFewImpl(Long& root, Long& pieces);
  template <int K>
  struct FewList;
  template <int K>
  bool partitionFew(FewList<K>& l, const int* at, int key, Long s, Long& pieces);
  template <int K>
  size_t popFew(FewList<K>& l, const int* at);
  template <Kernels Kern, int K>
  int chooseFew(const Few<K>& m, const int* at, bool desc);
#if KV_CUTSETS_X86
  template <int K>
  __attribute__((target("avx2,popcnt"))) bool runFewAvx2(Long& root, Long& pieces);
  template <int K>
  __attribute__((target("avx512f,avx2,popcnt"))) bool runFewAvx512(Long& root, Long& pieces);
#endif
  // Line `line`'s cut bits of the split keys f, where its sets are filled.
  void refreshRow(int line, const Fix* f, int count);

  // --- the build in one word (cutsets_word.cpp) ----------------------------
  Long runInWord(Long& pieces);
  void applyFixesInWord(const Fix* f, int count, std::uint64_t m);
  Long failInWord(std::uint64_t m, bool desc, int key, std::uint64_t cutM, int failing);

  Long capacity_ = 0;
  TreeRecords* out_ = nullptr;
  BuildCounts* counts_ = nullptr;
  const ListMember* splitter_ = nullptr;
  int n0_ = 0, W_ = 0, extra_ = 0;
  size_t lines_ = 0;
  bool small_ = true;
  // Every key's range lies within 0 to 1 (and so every piece's): a key with
  // both end points strictly on one side of a line is not cut by it.
  bool inside_ = true;
  Kernels kernels_ = Kernels::Scalar;
  // Per key (and the extra line at n0_), in columns: the source wall and the
  // range of the record that holds the key in the list being built. Padded
  // to whole words and one more, for the vector kernels. The second end
  // point is x1 + dx, y1 + dy: whole numbers, so these sums are exact.
  std::vector<double> x1_, y1_, dx_, dy_, ts_, te_;
  double x2(int p) const { return x1_[p] + dx_[p]; }
  double y2(int p) const { return y1_[p] + dy_[p]; }
  std::vector<Long> recAt_;
  // Per word: the least and most x and y of its keys' end points.
  std::vector<double> box_;
  // Per word, 32 values: the least x, least y, most x and most y of each of
  // its eights of keys, each eight side by side.
  std::vector<double> eights_;
  int boxTries_ = 0, boxHits_ = 0;
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
  bool rekey_ = false;  // the list goes to the engine below
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
  std::vector<int> order_;  // a list's keys in list order, for the engine below
  std::unique_ptr<Engine> below_;
};

// --- inline parts of the kernels, for each kernel's own code -----------------

// The side value is linear in the point, so its least and most over the box
// lie at corners; with small coordinates every product and sum is exact.
// A key with both end points strictly on the negative side, or both on the
// line or its non-negative side, is not cut (whatever its range within 0 to
// 1) and takes that side.
[[gnu::always_inline]] inline bool Engine::wordAside(int q, int w, bool& neg) {
  ++boxTries_;
  const double* box = &box_[static_cast<size_t>(w) * 4];
  const auto [a, b, c] = lineTerms(q);
  const double x0 = box[0] * a, x1 = box[2] * a, y0 = box[1] * b, y1 = box[3] * b;
  const double lo = std::min(x0, x1) + std::min(y0, y1) + c, hi = std::max(x0, x1) + std::max(y0, y1) + c;
  neg = hi < 0;
  const bool aside = lo >= 0 || hi < 0;
  boxHits_ += aside;
  return aside;
}

// Word w of line q's sets for `members` from kernels K.
template <Kernels K>
[[gnu::always_inline]] inline Engine::WordBits Engine::kernelFill(int q, int w, std::uint64_t members,
                                                                  bool boxes) const {
#if KV_CUTSETS_X86
  // A single member is cheaper tested on its own.
  if constexpr (K == Kernels::Avx512) {
    if (members & (members - 1))
      return small_ ? fillAvx512<true>(q, w, members, boxes) : fillAvx512<false>(q, w, members, false);
  } else if constexpr (K == Kernels::Avx2) {
    if (members & (members - 1)) return small_ ? fillAvx2<true>(q, w, members) : fillAvx2<false>(q, w, members);
  }
#endif
  return fillWordScalar(q, w, members);
}

// Word w of line q's sets for `members`: from the word's box when the line
// passes aside of it, else from the kernel.
template <Kernels K>
[[gnu::always_inline]] inline void Engine::fillWord(int q, int w, std::uint64_t members) {
  constexpr bool kPopcnt = K != Kernels::Scalar;
  // The boxes are tried while they pay: while one word in eight or more lies
  // aside.
  const bool boxes = small_ && inside_ && W_ > 1 && (boxTries_ < 32 || boxHits_ * 8 >= boxTries_);
  bool neg;
  if (boxes && wordAside(q, w, neg)) {
    cutAt(q, w) = 0;
    sideAt(q, w) = neg ? ~std::uint64_t{0} : 0;
    return;
  }
  counts_->sideTests += static_cast<std::uint64_t>(kPopcnt ? std::popcount(members) : bitCount(members));
  const WordBits bits = kernelFill<K>(q, w, members, boxes);
  cutAt(q, w) = bits.cut;
  sideAt(q, w) = bits.neg;
}

[[gnu::always_inline]] inline void Engine::refreshRow(int line, const Fix* f, int count) {
  const std::uint64_t done = done_[line];
  if (!done) return;
  for (int i = 0; i < count; ++i) {
    const int p = f[i].key, pw = p >> 6;
    if (!(done >> pw & 1)) continue;
    ++counts_->sideTests;
    if (cuts(p, sideOf(line, p)))
      cutAt(line, pw) |= bit(p & 63);
    else
      cutAt(line, pw) &= ~bit(p & 63);
  }
}

}  // namespace kv::bsp::engine
