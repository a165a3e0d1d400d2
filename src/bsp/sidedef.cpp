#include "bsp/sidedef.h"

#include <algorithm>
#include <memory>

#include "bsp/treebuilder.h"
#include "model/clsMap.h"

namespace kv {

namespace {

void checkSideDef(Long i) {
  if (i < 0 || i >= kSideDefSlots)
    throw MapError("Side-def " + std::to_string(i) + " does not exist (side-defs are numbered 0 to 2000).");
}

}  // namespace

void SideDefTable::copySideDef(Long from, Long to) {
  checkSideDef(from);
  checkSideDef(to);
  copyWallPiece(rec[to], rec[from]);
  rec[to].myLen = rec[from].myLen;
}

Long SideDefTable::used() const {
  if (count < 0 || count > kSideDefSlots)
    throw MapError("The side-def count " + std::to_string(count) + " is outside 0 to 2001.");
  return count;
}

void SideDefTable::polishNextSeg() {
  const Long n = used();
  for (Long i = 0; i < n; ++i) rec[i].nextSeg = i + 1;
  if (n > 0) rec[n - 1].nextSeg = -1;
}

void SideDefTable::polishNextSegAndT() {
  polishNextSeg();
  for (Long i = 0; i < count; ++i) {
    rec[i].tStart = 0.0;
    rec[i].tEnd = 1.0;
  }
}

}  // namespace kv

// --- the tree tools --------------------------------------------------------------

namespace kv {

namespace {

// The side-def table as the tree builder sees it: no area lists to follow,
// and copySideDef for every copy.
struct SideDefRecords {
  SideDefTable& s;
  SideDef& at(Long i) { return s.rec[i]; }
  Long count() const { return s.count; }
  void setCount(Long n) { s.count = static_cast<Integer>(n); }
  void copy(Long from, Long to) { s.copySideDef(from, to); }
  void onSplit(Long, Long) {}
  void onExchange(Long) {}
};

using SideDefBuilder = bsp::TreeBuilder<SideDefRecords>;

// The work list from record 0 must stay inside the records in use and end:
// the build follows it as it stands.
std::string listProblem(const SideDefTable& t, Long n) {
  std::vector<bool> seen(static_cast<size_t>(n), false);
  for (Long i = 0; i != -1; i = t.rec[i].nextSeg) {
    if (i < 0 || i >= n)
      return "The side-def work list leads to record " + std::to_string(i) + ", outside the " + std::to_string(n) +
             " records in use.";
    if (seen[i]) return "The side-def work list runs in a circle at record " + std::to_string(i) + ".";
    seen[i] = true;
  }
  return {};
}

}  // namespace

Long SideDefTable::compileBSP() {
  Long pieces = 0;
  SideDefRecords t{*this};
  SideDefBuilder b(t, pieces, kSideDefSlots);
  return b.compile();
}

void SideDefTable::adjustT() {
  SideDefRecords t{*this};
  if (!SideDefBuilder::adjust(t))
    throw MapError("A side-def's range lies so far outside its segment that its end points do not fit in 32 bits.");
}

SideDefBuildResult SideDefTable::buildBSP() {
  SideDefBuildResult r;
  const Long n = used();
  if (n == 0) {
    r.message = "The side-def table is empty, so there is no tree to build.";
    return r;
  }
  if (std::string p = listProblem(*this, n); !p.empty()) {
    r.message = p + " The tree was not built.";
    return r;
  }
  auto saved = std::make_unique<SideDefTable>(*this);
  Long pieces = 0;
  SideDefRecords t{*this};
  SideDefBuilder b(t, pieces, kSideDefSlots);
  r.root = b.compile();
  if (r.root == -1) {
    r.message = b.failure == bsp::BuildFailure::NoScratch
                    ? "The tree fills all 2001 side-def records and leaves none for moving its root to record 0."
                    : "The tree needs more than the 2001 side-def records there are.";
    r.message += " The tree was not built.";
  } else if (!SideDefBuilder::adjust(t)) {
    r.message = "A side-def's range lies so far outside its segment that its end points do not fit in 32 bits.";
    r.root = -1;
  }
  r.ok = r.root != -1;
  if (!r.ok) *this = *saved;
  return r;
}

std::vector<Long> SideDefTable::walkTree() const {
  std::vector<Long> order;
  const Long n = count < 0 ? 0 : std::min<Long>(count, kSideDefSlots);
  if (n == 0) return order;
  order.reserve(kWalkTreeLimit);
  // A frame is a node whose nearer side is being walked (the node is counted
  // when the frame comes back to the top) and its farther child.
  struct Frame {
    Long node, farther;
  };
  std::vector<Frame> stack;
  stack.reserve(static_cast<size_t>(n) + 1);
  auto child = [n](Long c) { return c > 0 && c < n ? c : -1; };  // 0 and damaged links: no child
  auto enter = [&](Long i) {
    // A tree of n records is never deeper than n: anything deeper is a loop.
    for (; i != -1 && static_cast<Long>(stack.size()) < n;) {
      const SideDef& s = rec[i];
      double side = bsp::diff(viewerX, s.x1) * bsp::diff(s.y1, s.y2) + bsp::diff(viewerY, s.y1) * bsp::diff(s.x2, s.x1);
      Long nearer = side < 0 ? s.negChild : s.posChild;
      Long farther = side < 0 ? s.posChild : s.negChild;
      stack.push_back({i, child(farther)});
      i = child(nearer);
    }
  };
  enter(0);
  while (!stack.empty() && static_cast<int>(order.size()) < kWalkTreeLimit) {
    Frame f = stack.back();
    stack.pop_back();
    order.push_back(f.node);
    enter(f.farther);
  }
  return order;
}

}  // namespace kv
