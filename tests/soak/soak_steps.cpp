#include "soak_steps.h"

#include <cmath>

#include "io/mapfile.h"

namespace kvsoak {

std::string Counts::summary() const {
  return std::to_string(edits) + " edits, " + std::to_string(wizards) + " wizard runs, " + std::to_string(compiles) +
         " compiles, " + std::to_string(refusals) + " refusals, " + std::to_string(clears) + " new maps, " +
         std::to_string(roundTrips) + " save/load round trips";
}

namespace {

kv::Long pick(std::mt19937& rnd, kv::Long lo, kv::Long hi) {
  return std::uniform_int_distribution<kv::Long>(lo, hi)(rnd);
}

// A closed polygon of n walls, built the way the generators build areas.
void addPolygon(kv::clsMap& m, std::mt19937& rnd) {
  kv::Long n = pick(rnd, 3, 8);
  m.requireRoom(n, 1);
  kv::Long cx = pick(rnd, -3000, 3000), cy = pick(rnd, -3000, 3000), r = pick(rnd, 10, 400);
  kv::Long f = m.wallCount;
  m.startArea(f, 0);
  for (kv::Long k = 0; k < n; ++k) {
    double a0 = 6.283185307179586 * k / n, a1 = 6.283185307179586 * (k + 1) / n;
    m.addWall(kv::roundLong(cx + r * std::cos(a0)), kv::roundLong(cy + r * std::sin(a0)),
              kv::roundLong(cx + r * std::cos(a1)), kv::roundLong(cy + r * std::sin(a1)), f,
              k + 1 < n ? f + k + 1 : -1);
  }
  m.endArea();
}

}  // namespace

std::string randomStep(kv::clsMap& m, kv::Dialogs& ui, std::mt19937& rnd, const std::string& file, Counts& c) {
  (void)ui;
  (void)file;
  int op = pick(rnd, 0, 999);
  try {
    if (op < 300) {
      addPolygon(m, rnd);
    } else if (op < 450 && m.areaCount > 0) {
      m.moveArea(pick(rnd, 0, m.areaCount - 1), static_cast<float>(pick(rnd, -200, 200)) / 2,
                 static_cast<float>(pick(rnd, -200, 200)) / 2);
    } else if (op < 550 && m.areaCount > 0) {
      float s = static_cast<float>(pick(rnd, 50, 150)) / 100.0f;
      m.scaleArea(pick(rnd, 0, m.areaCount - 1), s, s);
    } else if (op < 700 && m.wallCount > 0) {
      m.splitWall(pick(rnd, 0, m.wallCount - 1), static_cast<kv::Integer>(pick(rnd, 2, 3)));
    } else if (op < 703) {
      m.clearMap();
      c.compiled = false;
      ++c.clears;
      return {};
    } else {
      return {};  // room for the wizard and compile steps
    }
    ++c.edits;
  } catch (const kv::MapError&) {
    ++c.refusals;  // a full table refuses; the document must be unchanged (checked by the invariants)
  } catch (const kv::RangeError&) {
    ++c.refusals;
  }
  return {};
}

}  // namespace kvsoak
