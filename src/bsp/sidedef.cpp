#include "bsp/sidedef.h"

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
  const SideDef& s = rec[from];
  SideDef& d = rec[to];
  d.x1 = s.x1; d.y1 = s.y1; d.x2 = s.x2; d.y2 = s.y2;
  d.posChild = s.posChild; d.negChild = s.negChild;
  d.h1 = s.h1; d.h2 = s.h2; d.h3 = s.h3; d.h4 = s.h4;
  d.wallParamA = s.wallParamA; d.wallParamB = s.wallParamB;
  d.wallTx = s.wallTx; d.frontFloorTx = s.frontFloorTx; d.frontCeilTx = s.frontCeilTx;
  d.backFloorTx = s.backFloorTx; d.backCeilTx = s.backCeilTx;
  d.myLen = s.myLen;
  d.nextSeg = s.nextSeg;
  d.tStart = s.tStart;
  d.tEnd = s.tEnd;
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
