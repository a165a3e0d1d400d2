// The BSP builder, written once for every record table that holds a tree in
// place: the map's wall table and the side-def table.
//
// A table adapter provides:
//   Rec& at(Long i);                  record i (x1..y2, posChild, negChild, nextSeg, tStart, tEnd)
//   Long count() const;               records in use before the build
//   void setCount(Long n);            the piece count becomes the table's count
//   void copy(Long from, Long to);    the table's whole-record copy
//   void onSplit(Long from, Long k);  record k was just cut from record from
//   void onExchange(Long root);       records 0 and root have been exchanged
//
// The splitter choice and partitioning run on bit sets (bsp/cutsets.h); this
// template reads the work list out of the table and makes the build's changes
// to the records.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "bsp/cutsets.h"
#include "model/numbers.h"

namespace kv::bsp {

// A coordinate difference. The differences are meant as 32-bit values; taken
// in 64 bits they are the same wherever those fit and stay exact elsewhere.
inline double diff(Long a, Long b) { return static_cast<double>(static_cast<std::int64_t>(a) - b); }

template <class Table>
class TreeBuilder final : TreeRecords {
 public:
  TreeBuilder(Table& table, Long& pieceCount, Long capacity) : t_(table), pieces_(pieceCount), capacity_(capacity) {}

  std::uint64_t sideTests = 0;  // member-against-line evaluations done
  BuildFailure failure = BuildFailure::None;

  // Chooses the splitter of the list at `head`, stores it into `slot`, builds
  // the sub-tree and returns its root, or -1 when the table ran full or the
  // list is damaged (nothing changed then).
  Long select(Long head, Long& slot) {
    slot_ = &slot;
    return run(head, nullptr);
  }

  // Partitions the list at `head` around `splitter` and builds both sides.
  // Returns the splitter, or -1.
  Long build(Long head, Long splitter) {
    if (splitter < 0 || splitter >= pieces_ || splitter >= capacity_) {
      failure = BuildFailure::DamagedList;
      return -1;
    }
    const ListMember s = member(splitter);
    return run(head, &s);
  }

  // Builds the tree of the list at record 0 and moves its root to record 0.
  // Returns the root the build chose (0 when it was already in place), or -1.
  Long compile() {
    pieces_ = t_.count();
    Long root = select(0, t_.at(0).negChild);
    if (root == -1) return -1;
    return finish(root);
  }

  // The same build on records 0 to count-1 as the compile starts it: linked
  // in record order, each with the range 0 to 1. The tree is worked out
  // before any record changes, so a tree that does not fit (-1) leaves the
  // table as it was; otherwise the tree is written into the records, the
  // pieces get their own end points, absent links become 0 (as adjust
  // leaves them) and the root moves to record 0.
  Long compileWhole() {
    const Long n = t_.count();
    thread_local std::vector<ListMember> list;
    thread_local std::vector<Long> plan;
    list.resize(static_cast<size_t>(n));
    for (Long i = 0; i < n; ++i) {
      const auto& r = t_.at(i);
      list[i] = {i, r.x1, r.y1, r.x2, r.y2, 0.0, 1.0};
    }
    // Every entry below the piece count is written when the tree fits.
    if (plan.size() < 3 * static_cast<size_t>(capacity_)) plan.resize(3 * static_cast<size_t>(capacity_));
    splits_.clear();
    splits_.reserve(static_cast<size_t>(capacity_));
    Long pieces = n, slot = -1;
    slot_ = &slot;
    planning_ = true;
    links = plan.data();
    BuildCounts counts;
    const Long root = buildOnCutSets(list, nullptr, pieces, capacity_, *this, counts);
    planning_ = false;
    links = nullptr;
    sideTests += counts.sideTests;
    failure = counts.failure;
    if (root == -1) return -1;
    if (root != 0 && pieces >= capacity_) {
      failure = BuildFailure::NoScratch;
      return -1;
    }
    // The splits copy records into the pieces: a record split for the first
    // time gets the range 0 to 1 first. Then every record, a node now, gets
    // its final links (those to record 0 already pointing where it is going,
    // absent ones 0) and a piece its own end points, in one pass.
    thread_local std::vector<bool> cut;
    cut.assign(static_cast<size_t>(n), false);
    for (const Split& c : splits_) {
      if (c.from < n && !cut[static_cast<size_t>(c.from)]) {
        cut[static_cast<size_t>(c.from)] = true;
        t_.at(c.from).tStart = 0.0;
        t_.at(c.from).tEnd = 1.0;
      }
      split(c.from, c.k, c.u);
    }
    auto link = [root](Long v) { return v == 0 ? root : v == -1 ? 0 : v; };
    const auto& zero = t_.at(0);
    const Ends zeroEnds{zero.x1, zero.y1, zero.x2, zero.y2};
    for (Long i = 0; i < pieces; ++i) {
      auto& r = t_.at(i);
      r.posChild = link(plan[3 * i]);
      r.negChild = link(plan[3 * i + 1]);
      r.nextSeg = plan[3 * i + 2];
      if (i < n && !cut[static_cast<size_t>(i)]) {
        r.tStart = 0.0;
        r.tEnd = 1.0;
      } else {
        place(r, *moved(r));
      }
    }
    pieces_ = pieces;
    t_.setCount(pieces_);
    if (root != 0) {
      exchange(root);
      // The record behind the last piece keeps record 0 as it stood before
      // its absent links became 0 and its end points its own.
      auto& scratch = t_.at(pieces);
      if (scratch.posChild == 0) scratch.posChild = -1;
      if (scratch.negChild == 0) scratch.negChild = -1;
      place(scratch, zeroEnds);
    }
    return root;
  }

  // Absent links become 0 and every piece gets the end points of its own
  // part of its source wall. All new end points are computed and checked
  // before any record changes; false (nothing changed) when one does not fit
  // in 32 bits, which only a range outside 0 to 1 can cause.
  static bool adjust(Table& t) {
    const Long n = t.count();
    for (Long i = 0; i < n; ++i)
      if (!moved(t.at(i))) return false;
    adjustInside(t);
    return true;
  }

  // The same in one pass, for a table whose ranges all lie within 0 to 1 (as
  // compileWhole leaves them): every new end point then lies between its
  // source wall's two, so all fit.
  static void adjustInside(Table& t) {
    const Long n = t.count();
    for (Long i = 0; i < n; ++i) {
      auto& r = t.at(i);
      if (r.negChild == -1) r.negChild = 0;
      if (r.posChild == -1) r.posChild = 0;
      if (r.tStart == 0.0 && r.tEnd == 1.0) continue;
      place(r, *moved(r));
    }
  }

 private:
  struct Ends {
    Long x1, y1, x2, y2;
  };
  struct Split {
    Long from, k;
    double u;
  };

  template <class Rec>
  static void place(Rec& r, const Ends& e) {
    r.x1 = e.x1;
    r.y1 = e.y1;
    r.x2 = e.x2;
    r.y2 = e.y2;
  }

  // The root in place: the piece count becomes the table's count and the
  // root moves to record 0.
  Long finish(Long root) {
    t_.setCount(pieces_);
    if (root == 0) return 0;
    if (pieces_ >= capacity_) {
      failure = BuildFailure::NoScratch;
      return -1;
    }
    // Links to the old record 0 now point where that record is going.
    for (Long i = 0; i < pieces_; ++i) {
      auto& r = t_.at(i);
      if (r.negChild == 0) r.negChild = root;
      if (r.posChild == 0) r.posChild = root;
    }
    exchange(root);
    return root;
  }

  // Records 0 and root change places, through the record behind the last
  // piece.
  void exchange(Long root) {
    const Long n = pieces_;
    t_.copy(0, n);
    t_.copy(root, 0);
    t_.copy(n, root);
    t_.onExchange(root);
  }

  ListMember member(Long i) {
    const auto& r = t_.at(i);
    return {i, r.x1, r.y1, r.x2, r.y2, r.tStart, r.tEnd};
  }

  // The list at `head` as the engine reads it. A list must stay inside the
  // records in use (below the piece count) and end.
  Long run(Long head, const ListMember* splitter) {
    list_.clear();
    seen_.assign(static_cast<size_t>(capacity_), false);
    for (Long i = head; i != -1; i = t_.at(i).nextSeg) {
      if (i < 0 || i >= pieces_ || i >= capacity_ || seen_[static_cast<size_t>(i)]) {
        failure = BuildFailure::DamagedList;
        return -1;
      }
      seen_[static_cast<size_t>(i)] = true;
      list_.push_back(member(i));
    }
    BuildCounts counts;
    Long root = buildOnCutSets(list_, splitter, pieces_, capacity_, *this, counts);
    sideTests += counts.sideTests;
    failure = counts.failure;
    return root;
  }

  // --- the build's changes to the records ----------------------------------
  // While planning, links go to `links` (posChild, negChild, nextSeg of
  // each record) and splits to splits_.
  void place(Long s) override {
    if (planning_) {
      links[3 * s] = links[3 * s + 1] = -1;
      return;
    }
    t_.at(s).posChild = -1;
    t_.at(s).negChild = -1;
  }
  void setLink(Long parent, bool pos, Long child) override {
    if (parent < 0)
      *slot_ = child;
    else if (planning_)
      links[3 * parent + (pos ? 0 : 1)] = child;
    else if (pos)
      t_.at(parent).posChild = child;
    else
      t_.at(parent).negChild = child;
  }
  void split(Long c, Long k, double u) override {
    if (planning_) {
      splits_.push_back({c, k, u});
      return;
    }
    t_.copy(c, k);
    t_.at(k).tStart = u;
    t_.at(c).tEnd = u;
    t_.onSplit(c, k);
  }
  void setNextSeg(Long r, Long next) override {
    if (planning_)
      links[3 * r + 2] = next;
    else
      t_.at(r).nextSeg = next;
  }

  template <class Rec>
  static std::optional<Ends> moved(const Rec& r) {
    // Both ends from the source end points as they stand before this record.
    const Long ox1 = r.x1, oy1 = r.y1, ox2 = r.x2, oy2 = r.y2;
    const double ts = r.tStart, te = r.tEnd;
    Ends e{ox1, oy1, ox2, oy2};
    if (ts != 0.0) {
      auto x = toLongChecked(diff(ox2, ox1) * ts + ox1), y = toLongChecked(diff(oy2, oy1) * ts + oy1);
      if (!x || !y) return std::nullopt;
      e.x1 = *x;
      e.y1 = *y;
    }
    if (te != 1.0) {
      auto x = toLongChecked(diff(ox2, ox1) * te + ox1), y = toLongChecked(diff(oy2, oy1) * te + oy1);
      if (!x || !y) return std::nullopt;
      e.x2 = *x;
      e.y2 = *y;
    }
    return e;
  }

  Table& t_;
  Long& pieces_;
  Long capacity_;
  Long* slot_ = nullptr;
  std::vector<ListMember> list_;
  std::vector<bool> seen_;
  bool planning_ = false;  // the links go to `links`, the splits to splits_
  std::vector<Split> splits_;
};

}  // namespace kv::bsp
