// The full wall table the redraw is measured and checked on: 200 zig-zag
// rooms of 10 walls spread over a 1000 x 800 picture at scale 10, and one
// long wall across it; texture numbers cycle through the colour table.
#pragma once
#include <memory>

#include "model/clsMap.h"

namespace kvtest {

inline std::unique_ptr<kv::clsMap> fullWallTableMap() {
  auto m = std::make_unique<kv::clsMap>();
  for (kv::Long a = 0; a < 200; ++a) {
    const kv::Long x = (a % 20) * 500 + 20, y = (a / 20) * 800 + 20, f = m->wallCount;
    m->startArea(f, 0);
    for (kv::Long k = 0; k < 10; ++k) {
      const kv::Long x1 = x + k * 45, y1 = y + (k % 2) * 300, x2 = k == 9 ? x : x + (k + 1) * 45;
      const kv::Long y2 = k == 9 ? y : y + ((k + 1) % 2) * 300;
      m->addWall(x1, y1, x2, y2, f, k == 9 ? -1 : f + k + 1);
      m->walls[m->wallCount - 1].wallTx = (f + k) % 11;
    }
    m->endArea();
  }
  m->startArea(m->wallCount, 0);
  m->addWall(0, 0, 9999, 7999, m->wallCount, -1);
  m->endArea();
  return m;
}

}  // namespace kvtest
