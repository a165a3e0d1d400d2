// The compile of the map: the BSP tree built in place in the wall table, the
// root moved to record 0, the pieces given their own end points.
#include "bsp/treebuilder.h"
#include "io/mapfile.h"
#include "model/clsMap.h"

namespace kv {

namespace {

std::string capacityMessage(bsp::BuildFailure f) {
  if (f == bsp::BuildFailure::DamagedList)
    return "The work list of the walls leaves the walls in use or runs in a circle. The map was not compiled.";
  if (f == bsp::BuildFailure::NoScratch)
    return "The compiled tree fills all 2001 wall records and leaves none for moving its root to record 0. "
           "The map was not compiled.";
  return "The compiled tree needs more than the 2001 wall records the map has room for (splitting walls adds "
         "pieces). The map was not compiled.";
}

// The wall table as the tree builder sees it. Split pieces join the area list
// of the wall they were cut from, right behind it; the exchange of record 0
// and the root is followed by every area link.
struct WallTable {
  clsMap& m;
  Wall& at(Long i) { return m.walls[i]; }
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

using WallBuilder = bsp::TreeBuilder<WallTable>;

}  // namespace

void clsMap::DupTreeSeg(Long from, Long to) {
  checkWall(from);
  checkWall(to);
  walls[to] = walls[from];
}

void clsMap::selectBSPTree(Long listHead, Long& parentSlot, Long& result) {
  WallTable t{*this};
  WallBuilder b(t, pieceCount, kWallSlots);
  result = b.select(listHead, parentSlot);
  bspSideTests = b.sideTests;
}

void clsMap::buildBSPTree(Long listHead, Long splitter, Long& result) {
  WallTable t{*this};
  WallBuilder b(t, pieceCount, kWallSlots);
  result = b.build(listHead, splitter);
  bspSideTests = b.sideTests;
}

void clsMap::compileBSP() {
  if (wallCount <= 0) throw MapError("The map has no walls, so there is no tree to compile.");
  WallTable t{*this};
  WallBuilder b(t, pieceCount, kWallSlots);
  Long root = b.compile();
  bspSideTests = b.sideTests;
  if (root == -1) throw MapError(capacityMessage(b.failure));
}

void clsMap::adjustT() {
  WallTable t{*this};
  if (!WallBuilder::adjust(t))
    throw MapError("A piece's range lies so far outside its wall that its end points do not fit in 32 bits.");
}

void clsMap::createBSP() {
  if (wallCount <= 0) throw MapError("The map has no walls, so there is no tree to compile.");
  // Links the walls in order, gives each the range 0 to 1 and builds, as
  // polishNextSeg and compileBSP do; but the tree is worked out first, so a
  // tree that does not fit is refused with the map as it was.
  WallTable t{*this};
  WallBuilder b(t, pieceCount, kWallSlots);
  const Long root = b.compileWhole();
  bspSideTests = b.sideTests;
  if (root == -1) throw MapError(capacityMessage(b.failure));
}

bool clsMap::WriteNewMPB(const std::string& fileName, bool compiled, std::string* error) {
  std::string err = writeFileAtomically(fileName, encodeMap(*this, compiled));
  if (error) *error = err;
  return err.empty();
}

}  // namespace kv
