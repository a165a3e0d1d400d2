// The build when all keys lie in one word (64 keys or fewer): the steps of
// Engine::run on a single mask, without the lists of words. Most lists of a
// map are this small.
#include "bsp/cutsets_engine.h"

namespace kv::bsp::engine {

namespace {

// The key after `key` in list m, in list order; -1 at its end.
int nextInWord(std::uint64_t m, int key, bool desc) {
  if (!desc) {
    const std::uint64_t above = key == 63 ? 0 : m & (~std::uint64_t{0} << (key + 1));
    return above ? std::countr_zero(above) : -1;
  }
  const std::uint64_t below = m & (bit(key) - 1);
  return below ? 63 - std::countl_zero(below) : -1;
}

}  // namespace

// As applyFixes, for list m.
void Engine::applyFixesInWord(const Fix* f, int count, std::uint64_t m) {
  if (count == 0) return;
  for (int i = 0; i < count; ++i) takeFix(f[i]);
  for (std::uint64_t bits = m; bits; bits &= bits - 1) {
    const int line = std::countr_zero(bits);
    if (!done_[line]) continue;
    for (int i = 0; i < count; ++i) {
      const int p = f[i].key;
      ++counts_->sideTests;
      if (cuts(p, sideOf(line, p)))
        cut_[line] |= bit(p);
      else
        cut_[line] &= ~bit(p);
    }
  }
}

Long Engine::runInWord(Long& pieces) {
  std::uint64_t m = mask_[0];
  bool desc = desc_;
  Long parent = slotParent_;
  bool pos = slotPos_;
  Long root = -1;
  for (;;) {
    if (!m) {
      if (tasks_.empty()) break;
      const Task t = tasks_.back();
      tasks_.pop_back();
      m = taskWords_[t.wordOff].bits;
      desc = t.desc, parent = t.parent, pos = true;
      applyFixesInWord(fixes_.data() + t.fixOff, t.fixCount, m);
      taskWords_.resize(static_cast<size_t>(t.wordOff));
      fixes_.resize(static_cast<size_t>(t.fixOff));
    }
    const int key = !(m & (m - 1)) ? std::countr_zero(m) : chooseInWord(m, desc);
    const Long s = recAt_[key];
    const int next = nextInWord(m, key, desc);
    record(s, parent, pos, next < 0 ? -1 : recAt_[next]);
    if (root == -1) root = s;
    m &= ~bit(key);
    if (!m) {
      noChild(s, true);
      noChild(s, false);
      continue;
    }
    // The partition: the chosen line's sets hold the whole list.
    const std::uint64_t cutM = cut_[key] & m, side = side_[key];
    negFix_.clear(), posFix_.clear();
    for (std::uint64_t bits = cutM; bits;) {
      const int p = desc ? 63 - std::countl_zero(bits) : std::countr_zero(bits);
      bits &= ~bit(p);
      if (pieces >= capacity_) return failInWord(m, desc, key, cutM, p);
      splitAt(key, p, pieces);
    }
    const std::uint64_t neg = m & (side | cutM), nonNeg = m & (~side | cutM);
    desc = !desc;
    parent = s;
    if (neg && nonNeg) {
      tasks_.push_back({static_cast<int>(taskWords_.size()), 1, static_cast<int>(fixes_.size()),
                        static_cast<int>(posFix_.size()), desc, s});
      taskWords_.push_back({0, nonNeg});
      fixes_.insert(fixes_.end(), posFix_.begin(), posFix_.end());
    } else if (!nonNeg) {
      noChild(s, true);
    }
    if (neg) {
      m = neg, pos = false;
      applyFixesInWord(negFix_.data(), static_cast<int>(negFix_.size()), m);
    } else {
      noChild(s, false);
      m = nonNeg, pos = true;
      applyFixesInWord(posFix_.data(), static_cast<int>(posFix_.size()), m);
    }
  }
  return root;
}

// The table ran full partitioning list m around key's line at key
// `failing`: the state failAt reads, then the links it leaves. Returns -1.
Long Engine::failInWord(std::uint64_t m, bool desc, int key, std::uint64_t cutM, int failing) {
  mask_[0] = m;
  words_.assign(1, 0);
  desc_ = desc;
  cutMask_[0] = cutM;
  failAt(key, key, failing);
  return -1;
}

}  // namespace kv::bsp::engine
