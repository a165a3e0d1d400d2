// The build's loop on key sets: starting lists, partitioning them, the lists
// waiting for their siblings, handing thin lists to an engine of their own,
// and the work-list links left behind when the table runs full.
#include "bsp/cutsets.h"

#include <algorithm>

#include "bsp/cutsets_engine.h"

namespace kv::bsp {

namespace engine {

namespace {

// A list whose keys lie on more than this many times the words they would
// fill renumbered is handed to the engine below, and so is a list of one
// word's keys or fewer on more than one word, which is built there in one.
constexpr int kThinWords = 2;

}  // namespace

// Sizes the buffers for `keys` keys (and the extra line behind them); what
// is read before it is written is cleared.
void Engine::prepare(int keys, Long capacity) {
  n0_ = keys;
  extra_ = keys;
  W_ = (keys + 63) / 64;
  lines_ = static_cast<size_t>(keys) + 1;
  const size_t cols = static_cast<size_t>(W_) * 64 + 64;
  if (x1_.size() < cols) {
    for (auto* v : {&x1_, &y1_, &dx_, &dy_, &ts_, &te_}) v->resize(cols);
    recAt_.resize(cols);
    // Lists waiting at one time are disjoint sets of records.
    const size_t most = std::max(cols, static_cast<size_t>(capacity) + 1);
    tasks_.reserve(most), taskWords_.reserve(most), fixes_.reserve(most);
    negFix_.reserve(most), posFix_.reserve(most), order_.reserve(most);
    negWords_.reserve(cols / 64), posWords_.reserve(cols / 64);
  }
  if (cut_.size() < lines_ * W_) cut_.resize(lines_ * W_), side_.resize(lines_ * W_);
  done_.assign(lines_, 0);  // sets are read only where `done_` says they were filled
  nonUnit_.assign(W_, 0);
  mask_.assign(W_, ~std::uint64_t{0});
  if (keys & 63) mask_[W_ - 1] = bit(keys & 63) - 1;
  cutMask_.assign(W_, 0), negMask_.assign(W_, 0), posMask_.assign(W_, 0);
  words_.clear();
  for (int w = 0; w < W_; ++w) words_.push_back(w);
  tasks_.clear(), taskWords_.clear(), fixes_.clear();
  listReady_ = true, rekey_ = false, desc_ = false;
}

// The vector kernels load whole fours and eights of keys: the places behind
// the last key up to a whole eight hold a key that lies nowhere.
void Engine::padKeys() {
  for (size_t p = static_cast<size_t>(n0_), end = (p + 7) & ~size_t{7}; p < end; ++p) {
    x1_[p] = y1_[p] = dx_[p] = dy_[p] = ts_[p] = 0.0;
    te_[p] = 1.0;
    recAt_[p] = -1;
  }
}

void Engine::start(std::span<const ListMember> list, const ListMember* splitter, Long capacity, TreeRecords& out,
                   BuildCounts& counts, Kernels kernels) {
  capacity_ = capacity, out_ = &out, counts_ = &counts, splitter_ = splitter, kernels_ = kernels;
  prepare(static_cast<int>(list.size()), capacity);
  slotParent_ = -1, slotPos_ = false;
  // Differences of doubles holding 32-bit values are exact.
  Long least = 0, most = 0;  // the smallest and largest coordinates
  auto setLine = [&](int p, const ListMember& m) {
    x1_[p] = m.x1, y1_[p] = m.y1;
    dx_[p] = static_cast<double>(m.x2) - m.x1, dy_[p] = static_cast<double>(m.y2) - m.y1;
    least = std::min({least, m.x1, m.y1, m.x2, m.y2}), most = std::max({most, m.x1, m.y1, m.x2, m.y2});
  };
  bool inside = true;
  for (int w = 0; w < W_; ++w) {
    std::uint64_t ranged = 0;
    for (int p = w * 64, end = std::min(n0_, p + 64); p < end; ++p) {
      const ListMember& m = list[p];
      setLine(p, m);
      recAt_[p] = m.rec;
      ts_[p] = m.tStart, te_[p] = m.tEnd;
      ranged |= static_cast<std::uint64_t>(!(m.tStart == 0.0 && m.tEnd == 1.0)) << (p & 63);
      inside &= m.tStart >= 0.0 && m.tEnd <= 1.0;
    }
    nonUnit_[w] = ranged;
  }
  inside_ = inside;
  padKeys();
  if (splitter) setLine(extra_, *splitter);
  small_ = std::max(-static_cast<double>(least), static_cast<double>(most)) <= kSmallCoordinate;
  if (small_ && inside_ && W_ > 1) boxes();
}

void Engine::startBelow(const Engine& up, Long parent, bool pos) {
  capacity_ = up.capacity_, out_ = up.out_, counts_ = up.counts_, splitter_ = nullptr, kernels_ = up.kernels_;
  small_ = up.small_, inside_ = up.inside_;
  int count = 0, eights = 0;
  for (int w : up.words_) {
    const std::uint64_t m = up.mask_[w];
    std::uint64_t e = m | m >> 4;  // bit 8j: eight j holds a key
    e |= e >> 2, e |= e >> 1;
    count += bitCount(m), eights += bitCount(e & 0x0101010101010101ULL);
  }
  prepare(count, capacity_);
  slotParent_ = parent, slotPos_ = pos;
#if KV_CUTSETS_X86
  // Eight at a time pays where the eights hold two keys or more on average.
  if (kernels_ == Kernels::Avx512 && count >= 2 * eights) {
    takeKeysAvx512(up);
  } else
#endif
  {
    order_.resize(static_cast<size_t>(count));
    int* to = order_.data();
    forEachInOrder(up.mask_.data(), up.words_, up.desc_, [&](int p) {
      *to++ = p;
      return true;
    });
    takeKeys(up, order_.data());
  }
  padKeys();
  for (int w = 0; w < W_; ++w) {
    std::uint64_t ranged = 0;
    for (int p = w * 64, end = std::min(n0_, p + 64); p < end; ++p)
      ranged |= static_cast<std::uint64_t>(!(ts_[p] == 0.0 && te_[p] == 1.0)) << (p & 63);
    nonUnit_[w] = ranged;
  }
  if (small_ && inside_ && W_ > 1) boxes();
}

// Key p takes the columns of key at[p] of `up`. Two passes, so that the
// columns' addresses stay in registers.
void Engine::takeKeys(const Engine& up, const int* at) {
  {
    const double *fx1 = up.x1_.data(), *fy1 = up.y1_.data(), *fdx = up.dx_.data(), *fdy = up.dy_.data();
    double *tx1 = x1_.data(), *ty1 = y1_.data(), *tdx = dx_.data(), *tdy = dy_.data();
    for (int p = 0; p < n0_; ++p) {
      const int k = at[p];
      tx1[p] = fx1[k], ty1[p] = fy1[k], tdx[p] = fdx[k], tdy[p] = fdy[k];
    }
  }
  const double *fts = up.ts_.data(), *fte = up.te_.data();
  const Long* frec = up.recAt_.data();
  for (int p = 0; p < n0_; ++p) {
    const int k = at[p];
    ts_[p] = fts[k], te_[p] = fte[k], recAt_[p] = frec[k];
  }
}

// --- lists ---------------------------------------------------------------------

// Calls f(key) for the keys of the set given by its words (ascending) in
// list order; f returns false to stop.
template <class F>
void Engine::forEachInOrder(const std::uint64_t* m, std::span<const int> words, bool desc, F f) {
  const int nw = static_cast<int>(words.size());
  for (int i = 0; i < nw; ++i) {
    const int w = words[desc ? nw - 1 - i : i];
    for (std::uint64_t bits = m[w]; bits;) {
      const int b = desc ? 63 - std::countl_zero(bits) : std::countr_zero(bits);
      bits &= ~bit(b);
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
    const std::uint64_t below = mask_[w] & (bit(b) - 1);
    if (below) return recAt_[w * 64 + 63 - std::countl_zero(below)];
    if (at > words_.begin()) return recAt_[at[-1] * 64 + 63 - std::countl_zero(mask_[at[-1]])];
  }
  return -1;
}

void Engine::removeKey(int key) {
  const int w = key >> 6;
  mask_[w] &= ~bit(key & 63);
  if (!mask_[w]) words_.erase(std::lower_bound(words_.begin(), words_.end(), w));
}

// Makes mask_ the list being built: where its root goes, and the new ranges
// of its split keys. A thin list is marked for the engine below, which reads
// the keys' records and ranges but none of the sets.
void Engine::startList(bool desc, Long parent, bool pos, const Fix* fixes, int fixCount) {
  listReady_ = true;
  desc_ = desc;
  slotParent_ = parent;
  slotPos_ = pos;
  int members = 0;
  for (int w : words_) members += bitCount(mask_[w]);
  const int words = static_cast<int>(words_.size());
  rekey_ = W_ > 1 && ((members <= 64 && words > 1) || words > kThinWords * ((members + 63) / 64));
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
  for (int i = 0; i < count; ++i) takeFix(f[i]);
  if (rekey_) return;  // the engine below fills its own sets
  for (int w : words_)
    for (std::uint64_t bits = mask_[w]; bits; bits &= bits - 1) refreshRow(w * 64 + std::countr_zero(bits), f, count);
}

// Splits the list (the splitter's key already taken out) around line `line`
// of splitter s, whose sets are filled for the whole list: pieces for the
// members it cuts, in list order; then the non-negative list waits and the
// negative one is built next, as the walk's stack has it. False when the
// table ran full.
bool Engine::partition(int line, int key, Long s, Long& pieces) {
  if (words_.empty()) {  // the splitter was the only member
    noChild(s, true);
    noChild(s, false);
    listReady_ = false;
    return true;
  }
  bool anyCut = false;
  for (int w : words_) {
    cutMask_[w] = cutAt(line, w) & mask_[w];
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
      splitAt(line, p, pieces);
      return true;
    });
  }
  if (failing != -1) {
    failAt(line, key, failing);
    return false;
  }
  negWords_.clear(), posWords_.clear();
  for (int w : words_) {
    const std::uint64_t m = mask_[w], c = cutMask_[w], sr = sideAt(line, w);
    if (const std::uint64_t neg = m & (sr | c)) negMask_[w] = neg, negWords_.push_back(w);
    if (const std::uint64_t pos = m & (~sr | c)) posMask_[w] = pos, posWords_.push_back(w);
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
    noChild(s, true);
  }
  if (anyNeg) {
    mask_.swap(negMask_);
    words_.swap(negWords_);
    startList(desc, s, false, negFix_.data(), static_cast<int>(negFix_.size()));
    return true;
  }
  noChild(s, false);
  // anyPos: the non-negative list waits for nothing and is built at once.
  mask_.swap(posMask_);
  words_.swap(posWords_);
  startList(desc, s, true, posFix_.data(), static_cast<int>(posFix_.size()));
  return true;
}

// Builds the list marked thin with the engine below, renumbered in list order.
bool Engine::runBelow(Long& pieces) {
  rekey_ = false;
  listReady_ = false;
  if (!below_) below_ = std::make_unique<Engine>();
  below_->startBelow(*this, slotParent_, slotPos_);
  for (int w : words_) mask_[w] = 0;
  words_.clear();
  if (below_->run(pieces) != -1) return true;
  failWaiting();
  return false;
}

// The table ran full while partitioning: every record's work-list link
// becomes what the walk, stopped at key `failing`, leaves in it.
void Engine::failAt(int line, int key, int failing) {
  counts_->failure = BuildFailure::TableFull;
  std::vector<int> order, all(static_cast<size_t>(W_));
  for (int w = 0; w < W_; ++w) all[w] = w;
  std::vector<std::uint64_t> whole(mask_);
  if (key >= 0) whole[key >> 6] |= bit(key & 63);
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
      push(sideAt(line, p >> 6) >> (p & 63) & 1 ? negHead : posHead, recAt_[p]);
    }
  }
  failWaiting();
}

// The lists still waiting, each linked in its own order.
void Engine::failWaiting() {
  std::vector<int> all(static_cast<size_t>(W_));
  for (int w = 0; w < W_; ++w) all[w] = w;
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
  if (W_ == 1 && !splitter_) return runInWord(pieces);
  Long root = -1;
  bool first = true;
  while (listReady_ || popTask()) {
    if (rekey_) {
      if (!runBelow(pieces)) return -1;
      continue;
    }
    if (!(first && splitter_) && words_.size() <= kFewWords) {
      if (!runFew(root, pieces)) return -1;
      first = false;
      continue;
    }
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
      fillRow(line);
    } else {
      key = line = choose();
      s = recAt_[key];
      record(s, slotParent_, slotPos_, successor(key));
      removeKey(key);
    }
    if (first) root = s;
    first = false;
    if (!partition(line, key, s, pieces)) return -1;
  }
  return root;
}

}  // namespace engine

namespace {

Kernels mostAllowed = Kernels::Avx512;

// The best kernels this processor runs.
Kernels available() {
#if KV_CUTSETS_X86
  static const Kernels k = !(__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")) ? Kernels::Scalar
                           : __builtin_cpu_supports("avx512f")                                   ? Kernels::Avx512
                                                                                                 : Kernels::Avx2;
  return k;
#else
  return Kernels::Scalar;
#endif
}

}  // namespace

Long buildOnCutSets(std::span<const ListMember> list, const ListMember* splitter, Long& pieces, Long capacity,
                    TreeRecords& out, BuildCounts& counts) {
  if (list.empty() || list.size() > 4096) {
    counts.failure = BuildFailure::DamagedList;
    return -1;
  }
  thread_local engine::Engine top;
  top.start(list, splitter, capacity, out, counts, std::min(mostAllowed, available()));
  return top.run(pieces);
}

Kernels useKernels(Kernels most) {
  const Kernels was = mostAllowed;
  mostAllowed = most;
  return was;
}

}  // namespace kv::bsp
