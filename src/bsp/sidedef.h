// The side-def table: the older segment table that the wall panel, the
// split-wall and passage tools and the tree test tools still fill. It is a
// plain object; the desktop owns one and the tools take it by reference.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "model/numbers.h"
#include "model/undo.h"

namespace kv {

constexpr Long kSideDefSlots = 2001;  // indexes 0 to 2000

// 27 32-bit words. The first 23 have the layout and meaning of the leading
// fields of a wall: end points, child links, twelve attribute Longs (the
// twelfth, at field index 17, is the segment length the wall panel shows),
// the work-list link and the piece's range (two Doubles, two words each).
// The last four words are further Longs that copySideDef leaves alone.
// Packed to 4 bytes so the Doubles sit right behind nextSeg as the 32-bit
// word layout has them: read and write tStart/tEnd by value, never through
// a double& or double* (they are not 8-byte aligned).
#pragma pack(push, 4)
struct SideDef {
  Long x1 = 0, y1 = 0;                                 // fields 0, 1
  Long x2 = 0, y2 = 0;                                 // 2, 3
  Long posChild = 0, negChild = 0;                     // 4, 5
  Long h1 = 0, h2 = 0, h3 = 0, h4 = 0;                 // 6 to 9
  Long wallParamA = 0, wallParamB = 0;                 // 10, 11
  Long wallTx = 0, frontFloorTx = 0, frontCeilTx = 0;  // 12 to 14
  Long backFloorTx = 0, backCeilTx = 0;                // 15, 16
  Long myLen = 0;                                      // 17
  Long nextSeg = 0;                                    // 18
  double tStart = 0, tEnd = 0;                         // words 19 to 22
  std::array<Long, 4> extra{};                         // words 23 to 26
};
#pragma pack(pop)
static_assert(sizeof(SideDef) == 27 * 4, "a side-def is 27 32-bit words");
static_assert(offsetof(SideDef, nextSeg) == 18 * 4 && offsetof(SideDef, tStart) == 19 * 4 &&
                  offsetof(SideDef, tEnd) == 21 * 4 && offsetof(SideDef, extra) == 23 * 4,
              "side-def words in the order of a wall's leading fields");

// Result of a BSP build on the side-def table.
struct SideDefBuildResult {
  bool ok = false;
  std::string message;  // what the user is told when the build was refused
  Long root = -1;       // record that became the root before the exchange
};

struct SideDefTable {
  std::array<SideDef, kSideDefSlots> rec{};
  Integer count = 0;  // records in use; the generators write at count and advance it
  // The viewer position of "Walk Tree".
  Long viewerX = 0, viewerY = 0;

  // Copies the first 23 words (everything but the four further Longs).
  // Throws MapError for an index outside 0 to 2000.
  void copySideDef(Long from, Long to);
  // The count, checked: throws MapError when it is outside 0 to 2001.
  Long used() const;
  // Links records 0 to count-1 into one work list (i to i+1, the last to -1).
  void polishNextSeg();
  // The same, and gives every record the full range 0.0 to 1.0.
  void polishNextSegAndT();

  // "Build BSP": the wall table's build on this table, over the work list
  // that starts at record 0 as the table holds it (no relinking, no fresh
  // ranges), with the root exchange and the end-point adjustment. A build
  // that cannot be done (empty table, damaged list, more pieces than fit) is
  // refused and leaves the table exactly as it was.
  SideDefBuildResult buildBSP();
  // The two steps of buildBSP without its checks and roll-back; compileBSP
  // returns the root before the exchange, -1 when the build failed.
  Long compileBSP();
  void adjustT();

  // "Walk Tree": visits the tree from record 0 in viewer order and stops
  // after 320 nodes. Returns the records in the order they were counted.
  std::vector<Long> walkTree() const;
};

constexpr int kWalkTreeLimit = 320;

// Puts the side-def table (records, count, the walk's viewer) under undo, so
// "Build BSP" and the wall panel's stores are taken back like map commands.
inline void watchSideDefs(UndoHistory& history, SideDefTable& t) {
  history.watch(t.rec);
  history.watch(t.count);
  history.watch(t.viewerX);
  history.watch(t.viewerY);
}

}  // namespace kv
