// The BSP build as it was before the cut sets: every candidate splitter is
// tested against every member by walking the work list through the records.
// Kept unchanged as the benchmarks' baseline and as the reference the tests
// compare the compile with. Not part of the product.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "bsp/sidedef.h"
#include "model/clsMap.h"
#include "model/numbers.h"

namespace kvbaseline {

using kv::Long;
using kv::toLongChecked;

// A side value of a point this close to zero counts as on the splitter's line.
inline constexpr double kOnLine = 0.00001;
// Larger than any count of cuts a list of at most 2001 records can reach.
inline constexpr Long kNoCount = 20000;

// A coordinate difference. The differences are meant as 32-bit values; taken
// in 64 bits they are the same wherever those fit and stay exact elsewhere.
inline double diff(Long a, Long b) { return static_cast<double>(static_cast<std::int64_t>(a) - b); }

// Why a build could not produce a tree.
enum class BuildFailure { None, TableFull, NoScratch };

template <class Table>
class TreeBuilder {
 public:
  TreeBuilder(Table& table, Long& pieceCount, Long capacity) : t_(table), pieces_(pieceCount), capacity_(capacity) {
    // One pending sub-tree per disjoint non-empty list: never more than the
    // table's records, so the build itself allocates nothing.
    stack_.reserve(static_cast<size_t>(capacity) + 2);
  }

  std::uint64_t sideTests = 0;  // member-against-splitter evaluations
  BuildFailure failure = BuildFailure::None;

  // Chooses the splitter of the list at `head`, stores it into `slot`, builds
  // the sub-tree and returns its root, or -1 when the table ran full.
  Long select(Long head, Long& slot) {
    stack_.clear();
    Long s = place(head, slot);
    return partition(head, s) && drain() ? s : -1;
  }

  // Partitions the list at `head` around `splitter` and builds both sides.
  // Returns the splitter, or -1 when the table ran full.
  Long build(Long head, Long splitter) {
    stack_.clear();
    return partition(head, splitter) && drain() ? splitter : -1;
  }

  // Builds the tree of the list at record 0 and moves its root to record 0.
  // Returns the root the build chose (0 when it was already in place), or -1.
  Long compile() {
    pieces_ = t_.count();
    Long root = select(0, t_.at(0).negChild);
    if (root == -1) return -1;
    t_.setCount(pieces_);
    if (root == 0) return 0;
    const Long n = pieces_;
    if (n >= capacity_) {
      failure = BuildFailure::NoScratch;
      return -1;
    }
    // Links to the old record 0 now point where that record is going.
    for (Long i = 0; i < n; ++i) {
      auto& r = t_.at(i);
      if (r.negChild == 0) r.negChild = root;
      if (r.posChild == 0) r.posChild = root;
    }
    t_.copy(0, n);
    t_.copy(root, 0);
    t_.copy(n, root);
    t_.onExchange(root);
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
    for (Long i = 0; i < n; ++i) {
      auto& r = t.at(i);
      if (r.negChild == -1) r.negChild = 0;
      if (r.posChild == -1) r.posChild = 0;
      Ends e = *moved(r);
      r.x1 = e.x1;
      r.y1 = e.y1;
      r.x2 = e.x2;
      r.y2 = e.y2;
    }
    return true;
  }

 private:
  struct Task {
    Long head;
    Long* slot;  // the parent's child link; records never move during a build
  };
  struct Ends {
    Long x1, y1, x2, y2;
  };

  // The splitter's terms of the side value: D(P) = (P.x - x1) * a + (P.y - y1) * b.
  struct Line {
    Long x1, y1, x2, y2;
    double a, b;
  };
  template <class Rec>
  static Line lineOf(const Rec& s) {
    return {s.x1, s.y1, s.x2, s.y2, diff(s.y1, s.y2), diff(s.x2, s.x1)};
  }
  template <class Rec>
  static double firstSide(const Line& s, const Rec& c) {
    return diff(c.x1, s.x1) * s.a + diff(c.y1, s.y1) * s.b;
  }
  template <class Rec>
  static double denominator(const Line& s, const Rec& c) {
    return diff(s.y2, s.y1) * diff(c.x2, c.x1) - diff(s.x2, s.x1) * diff(c.y2, c.y1);
  }
  template <class Rec>
  static double secondSide(const Line& s, const Rec& c) {
    return diff(c.y2, s.y1) * s.b + diff(c.x2, s.x1) * s.a;
  }

  // Picks the splitter of a list, gives it fresh links and stores it into
  // the parent's slot.
  Long place(Long head, Long& slot) {
    Long s = choose(head);
    t_.at(s).posChild = -1;
    t_.at(s).negChild = -1;
    slot = s;
    return s;
  }

  // Builds the queued sub-trees. The negative side of a splitter is queued
  // last, so it is finished before its non-negative side is started: pieces
  // are numbered in a depth-first walk that visits the negative side first.
  bool drain() {
    while (!stack_.empty()) {
      Task task = stack_.back();
      stack_.pop_back();
      if (!partition(task.head, place(task.head, *task.slot))) return false;
    }
    return true;
  }

  // The member that cuts the fewest members; the first met wins a tie.
  Long choose(Long head) {
    Long best = kNoCount, chosen = -1;
    for (Long s = head; s != -1; s = t_.at(s).nextSeg) {
      const Line line = lineOf(t_.at(s));
      Long cuts = 0;
      for (Long c = head; c != -1; c = t_.at(c).nextSeg) {
        const auto& m = t_.at(c);
        ++sideTests;
        double d = denominator(line, m);
        if (d == 0) continue;
        double u = firstSide(line, m) / d;
        // Once the count reaches the best one this member can no longer win.
        if (m.tStart < u && u < m.tEnd && ++cuts >= best) break;
      }
      if (cuts < best) {
        best = cuts;
        chosen = s;
        if (best == 0) break;  // nothing later can be strictly smaller
      }
    }
    return chosen;
  }

  void push(Long& list, Long i) {
    t_.at(i).nextSeg = list;
    list = i;
  }

  // Splits the list around s into a negative and a non-negative list and
  // queues both sides, the negative one to be built first.
  bool partition(Long head, Long s) {
    const Line line = lineOf(t_.at(s));
    Long neg = -1, pos = -1;
    for (Long c = head; c != -1;) {
      const Long next = t_.at(c).nextSeg;
      if (c == s) {
        c = next;
        continue;
      }
      auto& m = t_.at(c);
      ++sideTests;
      const double n = firstSide(line, m);
      const double d = denominator(line, m);
      if (d == 0) {
        push(n < 0 ? neg : pos, c);
      } else {
        const double u = n / d;
        if (m.tStart < u && u < m.tEnd) {
          if (pieces_ >= capacity_) {
            failure = BuildFailure::TableFull;
            return false;
          }
          const Long k = pieces_++;
          t_.copy(c, k);
          t_.at(k).tStart = u;
          t_.at(c).tEnd = u;
          t_.onSplit(c, k);
          if (n < 0) {
            push(neg, c);
            push(pos, k);
          } else {
            push(neg, k);
            push(pos, c);
          }
        } else {
          push(sideByEnds(n, line, m) < 0 ? neg : pos, c);
        }
      }
      c = next;
    }
    auto& sp = t_.at(s);
    if (pos != -1)
      stack_.push_back({pos, &sp.posChild});
    else
      sp.posChild = -1;
    if (neg != -1)
      stack_.push_back({neg, &sp.negChild});
    else
      sp.negChild = -1;
    return true;
  }

  // -1 for the negative list, +1 for the non-negative one, judged by the
  // source wall's first end point, or its second when the first lies on the
  // line. Should rounding put both on the line, the wall goes non-negative,
  // as walls on the line do.
  template <class Rec>
  static int sideByEnds(double n, const Line& line, const Rec& m) {
    if (n < -kOnLine) return -1;
    if (n > kOnLine) return 1;
    double n2 = secondSide(line, m);
    return n2 < -kOnLine ? -1 : 1;
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
  std::vector<Task> stack_;
};

// The wall table as the builder sees it (area lists follow the pieces).
struct WallTable {
  kv::clsMap& m;
  kv::Wall& at(Long i) { return m.walls[i]; }
  Long count() const { return m.wallCount; }
  void setCount(Long n) { m.wallCount = n; }
  void copy(Long from, Long to) { m.DupTreeSeg(from, to); }
  void onSplit(Long from, Long k) {
    m.walls[k].nextInArea = m.walls[from].nextInArea;
    m.walls[from].nextInArea = k;
  }
  void onExchange(Long root) {
    auto swap = [root](Long& v) {
      if (v == 0)
        v = root;
      else if (v == root)
        v = 0;
    };
    for (Long a = 0; a < m.areaCount; ++a) swap(m.areas[a].firstWall);
    for (Long i = 0; i < m.wallCount; ++i) {
      swap(m.walls[i].nextInArea);
      swap(m.walls[i].firstWallOfArea);
    }
    swap(m.selectedWall);
  }
};

// The side-def table as the builder sees it.
struct SideDefRecords {
  kv::SideDefTable& s;
  kv::SideDef& at(Long i) { return s.rec[i]; }
  Long count() const { return s.count; }
  void setCount(Long n) { s.count = static_cast<kv::Integer>(n); }
  void copy(Long from, Long to) { s.copySideDef(from, to); }
  void onSplit(Long, Long) {}
  void onExchange(Long) {}
};

// createBSP as it was: false (the map put back) when the tree does not fit.
inline bool createBSP(kv::clsMap& m, std::uint64_t* sideTests = nullptr) {
  if (m.wallCount <= 0) return false;
  struct Saved {
    std::array<kv::Wall, kv::kWallSlots> walls;
    std::array<kv::Area, kv::kAreaSlots> areas;
    Long wallCount, pieceCount, selectedWall;
  };
  auto saved = std::make_unique<Saved>(Saved{m.walls, m.areas, m.wallCount, m.pieceCount, m.selectedWall});
  m.polishNextSeg();
  for (Long i = 0; i < m.wallCount; ++i) {
    m.walls[i].tStart = 0.0;
    m.walls[i].tEnd = 1.0;
  }
  WallTable t{m};
  TreeBuilder<WallTable> b(t, m.pieceCount, kv::kWallSlots);
  bool ok = b.compile() != -1 && TreeBuilder<WallTable>::adjust(t);
  if (sideTests) *sideTests = b.sideTests;
  if (!ok) {
    m.walls = saved->walls;
    m.areas = saved->areas;
    m.wallCount = saved->wallCount;
    m.pieceCount = saved->pieceCount;
    m.selectedWall = saved->selectedWall;
  }
  return ok;
}

}  // namespace kvbaseline
