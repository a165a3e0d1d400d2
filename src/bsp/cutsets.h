// The splitter search and partitioning of the BSP build, done on bit sets.
//
// The build is defined on singly linked work lists; this engine computes the
// same tree without walking them. It relies on three facts of the build:
//
// - A piece keeps the end points of its source wall, so every side value and
//   crossing parameter between a splitter and a member depends only on their
//   two source walls; only the member's range decides whether it is cut.
// - A list holds its members in the reverse of the order its parent list was
//   walked, and a split piece takes its parent's place in that order. So a
//   member's position in the first list (its key) fixes its place in every
//   later list: a list is ordered by key, ascending or descending by depth.
//   Two records with one key (pieces of one member) never share a list.
// - Pushing at the front, the order of the two lists a walk produces
//   depends only on the parent's order, not on how the walk is done.
//
// So a list is a set of keys and a direction. For every key's line the engine
// keeps a bit set of the keys it cuts and one of the keys on its negative
// side, filled a 64-key word at a time when a count first needs them. A
// candidate's count is the popcount of its cut set and the list's set; a split
// changes only the split key's bits, which are refreshed when the list that
// holds a new piece is started. A piece lies within its source wall, so keys
// whose source walls all lie on one side of a line take their bits from a box
// around them, without a test each.
#pragma once
#include <cstdint>
#include <span>

#include "model/numbers.h"

namespace kv::bsp {

// A side value of a point this close to zero counts as on the splitter's line.
constexpr double kOnLine = 0.00001;
// Larger than any count of cuts a list of at most 2001 records can reach.
constexpr Long kNoCount = 20000;

// Why a build could not produce a tree.
enum class BuildFailure {
  None,
  TableFull,    // a split needed a record beyond the table
  NoScratch,    // the root exchange needed the record behind the last piece
  DamagedList,  // the work list is empty, leaves the records in use or runs in a circle
};

// A record of the work list as the engine reads it: its index, its source
// wall's end points and its range on that wall.
struct ListMember {
  Long rec;
  Long x1, y1, x2, y2;
  double tStart, tEnd;
};

// The changes the build makes to the record table. The engine makes every
// change the list walk makes, in the same order, except the work-list links:
// a record's nextSeg is written once, with the value the walk leaves in it.
class TreeRecords {
 public:
  // When set, the links go here instead, three to a record (posChild,
  // negChild, nextSeg), the last written of each kept; only the caller's
  // slot is still set through setLink.
  Long* links = nullptr;

  // The chosen splitter's posChild and negChild become -1.
  virtual void place(Long s) = 0;
  // A child link of `parent` (parent -1: the slot the caller passed in).
  virtual void setLink(Long parent, bool pos, Long child) = 0;
  // Record k becomes a copy of c; k covers [u, c's tEnd], c keeps [c's tStart, u].
  virtual void split(Long c, Long k, double u) = 0;
  virtual void setNextSeg(Long r, Long next) = 0;

 protected:
  ~TreeRecords() = default;
};

struct BuildCounts {
  std::uint64_t sideTests = 0;  // member-against-line evaluations done
  BuildFailure failure = BuildFailure::None;
};

// Builds the tree of `list` (in list order; at most 4096 members). With
// `splitter` null the splitter of the list is chosen and stored into the
// caller's slot; otherwise the list is partitioned around `splitter` (a
// member or not). New pieces take records pieces, pieces + 1, ... below
// `capacity`. Returns the root (the splitter), or -1 when the table ran full;
// the records are then as the list walk leaves them at that point.
Long buildOnCutSets(std::span<const ListMember> list, const ListMember* splitter, Long& pieces, Long capacity,
                    TreeRecords& out, BuildCounts& counts);

// The kernels that fill the line sets: chosen by what the processor has, up
// to the most the build allows (the tests step down to check each one).
enum class Kernels { Scalar, Avx2, Avx512 };
// Returns the previous setting.
Kernels useKernels(Kernels most);

}  // namespace kv::bsp
