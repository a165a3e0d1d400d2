// Lists of more than 64 keys on at most kFewWords words, built with their key
// sets in registers: the steps of Engine::run without the lists of words,
// while the lists below stay that large.
#include "bsp/cutsets_engine.h"

namespace kv::bsp::engine {

// The splitter of list m, as Engine::choose picks it.
template <Kernels Kern, int K>
[[gnu::always_inline]] inline int Engine::chooseFew(const Few<K>& m, const int* at, bool desc) {
  constexpr bool kPopcnt = Kern != Kernels::Scalar;
  int best = kNoCount, chosen = -1;
  for (Few<K> bits = m; bits.any();) {
    const int k = bits.first(desc);
    bits.clear(k);
    int q = 0;
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i)
      if (i == k >> 6) q = at[i] * 64 + (k & 63);
    std::uint64_t done = done_[q];
    int count = 0;
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i) {
      const std::uint64_t members = m.w[i];
      if (!members) continue;
      if (!(done >> at[i] & 1)) {
        fillWord<Kern>(q, at[i], members);
        done |= bit(at[i]);
      }
      const std::uint64_t cut = cutAt(q, at[i]) & members;
      count += kPopcnt ? std::popcount(cut) : bitCount(cut);
      if (count >= best) break;
    }
    done_[q] = done;
    if (count < best) {
      best = count;
      chosen = k;
      if (best == 0) break;
    }
  }
  return chosen;
}

// Key k of a set on words `at`, as a key of the engine.
template <int K>
[[gnu::always_inline]] inline int keyOn(const int* at, int k) {
  int key = 0;
#pragma GCC unroll 4
  for (int i = 0; i < K; ++i)
    if (i == k >> 6) key = at[i] * 64 + (k & 63);
  return key;
}

// The list after one: what it holds, how it is walked, where its root goes
// and the new ranges of its split keys.
template <int K>
struct Engine::FewList {
  Few<K> m;
  bool desc;
  Long parent;
  bool pos;
  const Fix* fixes = nullptr;
  int fixCount = 0;
};

// Partitions list l.m (key taken out) around key's line, as partition does;
// l becomes the list built next. False when the table ran full.
template <int K>
[[gnu::always_inline]] inline bool Engine::partitionFew(FewList<K>& l, const int* at, int key, Long s, Long& pieces) {
  Few<K> cutM, neg, nonNeg;
  const Few<K>& m = l.m;
#pragma GCC unroll 4
  for (int i = 0; i < K; ++i) cutM.w[i] = m.w[i] ? cutAt(key, at[i]) & m.w[i] : 0;
  negFix_.clear(), posFix_.clear();
  for (Few<K> bits = cutM; bits.any();) {
    const int c = bits.first(l.desc);
    bits.clear(c);
    if (pieces >= capacity_) {
      // The state failAt reads.
#pragma GCC unroll 4
      for (int i = 0; i < K; ++i) {
        mask_[at[i]] = m.w[i], cutMask_[at[i]] = cutM.w[i];
        if (m.w[i]) words_.push_back(at[i]);
      }
      desc_ = l.desc;
      failAt(key, key, keyOn<K>(at, c));
      return false;
    }
    splitAt(key, keyOn<K>(at, c), pieces);
  }
#pragma GCC unroll 4
  for (int i = 0; i < K; ++i) {
    if (!m.w[i]) continue;
    const std::uint64_t side = sideAt(key, at[i]);
    neg.w[i] = m.w[i] & (side | cutM.w[i]);
    nonNeg.w[i] = m.w[i] & (~side | cutM.w[i]);
  }
  l.desc = !l.desc;
  l.parent = s;
  const bool anyNeg = neg.any(), anyPos = nonNeg.any();
  if (anyNeg && anyPos) {
    const int off = static_cast<int>(taskWords_.size());
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i)
      if (nonNeg.w[i]) taskWords_.push_back({at[i], nonNeg.w[i]});
    tasks_.push_back({off, static_cast<int>(taskWords_.size()) - off, static_cast<int>(fixes_.size()),
                      static_cast<int>(posFix_.size()), l.desc, s});
    fixes_.insert(fixes_.end(), posFix_.begin(), posFix_.end());
  } else if (!anyPos) {
    noChild(s, true);
  }
  if (!anyNeg) noChild(s, false);
  l.pos = !anyNeg;
  l.m = anyNeg ? neg : nonNeg;
  const std::vector<Fix>& f = anyNeg ? negFix_ : posFix_;
  l.fixes = f.data(), l.fixCount = static_cast<int>(f.size());
  return true;
}

// Takes the waiting list on top (this build's) into l. Returns the size its
// fixes leave the stack of fixes once they are applied.
template <int K>
[[gnu::always_inline]] inline size_t Engine::popFew(FewList<K>& l, const int* at) {
  const Task t = tasks_.back();
  tasks_.pop_back();
  l.m = Few<K>{};
  for (int j = 0; j < t.wordCount; ++j) {
    const Word& e = taskWords_[static_cast<size_t>(t.wordOff) + j];
#pragma GCC unroll 4
    for (int i = 0; i < K; ++i)
      if (at[i] == e.w) l.m.w[i] = e.bits;
  }
  l.desc = t.desc, l.parent = t.parent, l.pos = true;
  l.fixes = fixes_.data() + t.fixOff, l.fixCount = t.fixCount;
  taskWords_.resize(static_cast<size_t>(t.wordOff));
  return static_cast<size_t>(t.fixOff);
}

template <Kernels Kern, int K>
[[gnu::always_inline]] inline bool Engine::runFewImpl(Long& root, Long& pieces) {
  int at[K];
  FewList<K> l{{}, desc_, slotParent_, slotPos_};
#pragma GCC unroll 4
  for (int i = 0; i < K; ++i) {
    at[i] = words_[i];
    l.m.w[i] = mask_[at[i]];
    mask_[at[i]] = 0;
  }
  words_.clear();
  listReady_ = false;
  // The waiting lists above this one are this build's, on its words.
  const size_t ownTasks = tasks_.size();
  for (;;) {
    Few<K>& m = l.m;
    const int k = m.single() ? m.first(false) : chooseFew<Kern>(m, at, l.desc), key = keyOn<K>(at, k);
    const Long s = recAt_[key];
    const int next = m.after(k, l.desc);
    record(s, l.parent, l.pos, next < 0 ? -1 : recAt_[keyOn<K>(at, next)]);
    if (root == -1) root = s;
    m.clear(k);
    size_t fixesLeft;  // what the stack of fixes keeps once l's are applied
    if (m.any()) {
      if (!partitionFew(l, at, key, s, pieces)) return false;
      fixesLeft = fixes_.size();
    } else {
      noChild(s, true);
      noChild(s, false);
      if (tasks_.size() == ownTasks) return true;
      fixesLeft = popFew(l, at);
    }
    const bool here = stays(m);
    if (here) {
      for (int i = 0; i < l.fixCount; ++i) takeFix(l.fixes[i]);
      if (l.fixCount)
#pragma GCC unroll 4
        for (int i = 0; i < K; ++i)
          for (std::uint64_t bits = m.w[i]; bits; bits &= bits - 1)
            refreshRow(at[i] * 64 + std::countr_zero(bits), l.fixes, l.fixCount);
    } else {
      // The list being built, as the list of words.
#pragma GCC unroll 4
      for (int i = 0; i < K; ++i)
        if (m.w[i]) mask_[at[i]] = m.w[i], words_.push_back(at[i]);
      startList(l.desc, l.parent, l.pos, l.fixes, l.fixCount);
    }
    fixes_.resize(fixesLeft);
    if (!here) return true;
  }
}

#if KV_CUTSETS_X86
template <int K>
__attribute__((target("avx2,popcnt"))) bool Engine::runFewAvx2(Long& root, Long& pieces) {
  return runFewImpl<Kernels::Avx2, K>(root, pieces);
}
template <int K>
__attribute__((target("avx512f,avx2,popcnt"))) bool Engine::runFewAvx512(Long& root, Long& pieces) {
  return runFewImpl<Kernels::Avx512, K>(root, pieces);
}
#endif

bool Engine::runFew(Long& root, Long& pieces) {
  static_assert(kFewWords == 4, "one case for each count of words");
  switch (words_.size()) {
    case 1:
      return runFewOn<1>(root, pieces);
    case 2:
      return runFewOn<2>(root, pieces);
    case 3:
      return runFewOn<3>(root, pieces);
    default:
      return runFewOn<4>(root, pieces);
  }
}

template <int K>
bool Engine::runFewOn(Long& root, Long& pieces) {
#if KV_CUTSETS_X86
  if (kernels_ == Kernels::Avx512) return runFewAvx512<K>(root, pieces);
  if (kernels_ == Kernels::Avx2) return runFewAvx2<K>(root, pieces);
#endif
  return runFewImpl<Kernels::Scalar, K>(root, pieces);
}

}  // namespace kv::bsp::engine
