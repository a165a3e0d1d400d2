#include "soak_steps.h"

#include <cmath>
#include <memory>
#include <span>

#include "bsp/validate.h"
#include "io/mapfile.h"
#include "wizards/shape.h"
#include "wizards/wizardforms.h"

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

kv::Integer coord(std::mt19937& rnd) { return static_cast<kv::Integer>(pick(rnd, -3000, 3000)); }

// Shapes of both kinds, one of them with a turn that leaves the heading
// between whole degrees.
constexpr const char* kShapes[] = {
    "<KVSHAPE><AREA><WALL>0,0,0,200</WALL><WALL>0,200,200,200</WALL><WALL>200,200,0,0</WALL></AREA></KVSHAPE>",
    "<KVSHAPE><TURTLEWALL>AR0,FD150</TURTLEWALL><TURTLEWALL>RT72,FD150</TURTLEWALL>"
    "<TURTLEWALL>RT72,FD150</TURTLEWALL><TURTLEWALL>LT37.5,BD80</TURTLEWALL></KVSHAPE>",
};

// One wizard run with random fields, as the dialogs would start it.
void randomWizard(kv::clsMap& m, std::mt19937& rnd) {
  switch (pick(rnd, 0, 7)) {
    case 0:
      m.addPolySurround(static_cast<kv::Integer>(pick(rnd, 3, 12)), coord(rnd), coord(rnd),
                        static_cast<kv::Integer>(pick(rnd, 20, 900)));
      break;
    case 1:
      m.addPolyCol(static_cast<kv::Integer>(pick(rnd, 3, 12)), coord(rnd), coord(rnd),
                   static_cast<kv::Integer>(pick(rnd, 10, 300)));
      break;
    case 2:
      m.wzStair(coord(rnd), coord(rnd), static_cast<kv::Integer>(pick(rnd, 10, 100)),
                static_cast<kv::Integer>(pick(rnd, 0, 300)));
      break;
    case 3:
      m.wzCave(coord(rnd), coord(rnd), 264, 3, static_cast<kv::Integer>(pick(rnd, 0, 359)));
      break;
    case 4:
      m.wzSwitch(coord(rnd), coord(rnd), 64, 5, static_cast<kv::Integer>(pick(rnd, 0, 359)));
      break;
    case 5: {
      kv::RoomWizardForm room;
      room.makeRoom(m, static_cast<kv::Integer>(pick(rnd, 3, 8)), static_cast<kv::Integer>(pick(rnd, 300, 1800)),
                    coord(rnd), coord(rnd), static_cast<kv::Integer>(pick(rnd, 0, 6)),
                    static_cast<kv::Integer>(pick(rnd, 3, 7)), static_cast<kv::Integer>(pick(rnd, 0, 3)), 264);
      break;
    }
    case 6:
      if (m.wallCount >= 2) {
        kv::Long a = pick(rnd, 0, m.wallCount - 1), b = pick(rnd, 0, m.wallCount - 1);
        if (a != b) m.makePassage(a, b, true, 8, 100);
      }
      break;
    default: {
      kv::ShapeRun run = kv::readShape(kShapes[pick(rnd, 0, 1)]);
      m.insertX = coord(rnd);
      m.insertY = coord(rnd);
      kv::createShape(m, run);
      break;
    }
  }
}

// Compiles a copy of the document (or, now and then, the document itself)
// and checks the tree in memory and as read back from its map binary.
std::string randomCompile(kv::clsMap& m, std::mt19937& rnd) {
  std::unique_ptr<kv::clsMap> copy;
  if (pick(rnd, 0, 9) != 0) copy = std::make_unique<kv::clsMap>(m);
  kv::clsMap& target = copy ? *copy : m;
  target.createBSP();
  kv::TreeCheck check = kv::validateTree(std::span(target.walls.data(), static_cast<size_t>(target.wallCount)));
  if (!check.ok) return "compiled tree: " + check.problem;
  std::string problem;
  auto contents = kv::parseMap(kv::encodeMap(target, true), problem);
  if (!contents) return "map binary reads back: " + problem;
  check = kv::validateMapBinary(*contents);
  if (!check.ok) return "map binary: " + check.problem;
  return target.checkAreaLists();
}

}  // namespace

std::string randomStep(kv::clsMap& m, std::mt19937& rnd, Counts& c) {
  int op = pick(rnd, 0, 999);
  // A refused step must leave the document exactly as it was.
  const std::vector<unsigned char> before = kv::encodeMap(m, false);
  auto refused = [&]() -> std::string {
    ++c.refusals;
    return kv::encodeMap(m, false) == before ? std::string() : "a refused step changed the document";
  };
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
      ++c.clears;
      return {};
    } else if (op < 900) {
      randomWizard(m, rnd);
      ++c.wizards;
      return {};
    } else if (op < 950) {
      std::string problem = randomCompile(m, rnd);
      ++c.compiles;
      return problem;
    } else {
      return {};
    }
    ++c.edits;
  } catch (const kv::MapError&) {
    return refused();
  } catch (const kv::RangeError&) {
    return refused();
  } catch (const kv::WizardError&) {
    return refused();
  }
  return {};
}

}  // namespace kvsoak
