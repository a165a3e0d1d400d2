#include "wizards/wizardforms.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

void refuse(Dialogs& d, const WizardError& e) { d.msgBox(e.what(), e.title, MsgIcon::Critical); }

// A value at least 1 (a side count or stair width that rounds to 0 is no shape).
void requireAtLeastOne(Integer v, const std::string& label, const std::string& title) {
  if (v < 1) throw WizardError(title, "\"" + label + "\" must be at least 1; it rounds to " + std::to_string(v) + ".");
}

void requireCoordinate(double v, const std::string& what, const std::string& title) {
  if (v < -32768 || v > 32767)
    throw WizardError(title, what + " would lie at " + formatNumber(v) +
                                 ", outside the range of wizard coordinates (-32768 to 32767).");
}

std::string startText(Long v) { return std::to_string(v); }

}  // namespace

double fieldValue(std::string_view text) { return val(text); }

Integer fieldInteger(std::string_view text, const std::string& label, const std::string& title) {
  const double v = fieldValue(text);
  if (auto r = toIntegerChecked(v)) return *r;
  throw WizardError(title,
                    "The value of \"" + label + "\" (" + formatNumber(v) + ") is outside the range -32768 to 32767.");
}

void requireTotals(const clsMap& m, double walls, double areas, bool emptyMap, const std::string& title) {
  const double haveW = emptyMap ? 0 : m.wallCount, haveA = emptyMap ? 0 : m.areaCount;
  if (haveW + walls <= kWallSlots && haveA + areas <= kAreaSlots) return;
  throw WizardError(title, "Not enough room in the map: it holds " + formatNumber(haveW) + " of 2001 walls and " +
                               formatNumber(haveA) + " of 201 areas, and this needs " + formatNumber(walls) +
                               " more walls and " + formatNumber(areas) + " more areas.");
}

// --- Room wizard ----------------------------------------------------------------

void RoomWizardForm::activate(const clsMap& map) {
  startXText = startText(map.insertX);
  startYText = startText(map.insertY);
}

bool RoomWizardForm::finish(clsMap& map, Dialogs& dialogs) {
  built = false;
  if (roomType != 0 && roomType != 1) {
    dialogs.msgBox("No room type selected.", "No selection", MsgIcon::Critical);
    return false;
  }
  try {
    const bool build = fieldValue(numSidesText) > 0 && fieldValue(sideLenText) > 0;
    Integer n = 0, len = 0, sx = 0, sy = 0, pillars = 0, pillarSides = 0, columns = 0, ceiling = 0;
    if (build) {
      n = fieldInteger(numSidesText, "Num Sides", kCaption);
      len = fieldInteger(sideLenText, "Side length", kCaption);
      sx = fieldInteger(startXText, "Begin x", kCaption);
      sy = fieldInteger(startYText, "Begin y", kCaption);
      pillars = fieldInteger(numPillarsText, "# pillars", kCaption);
      pillarSides = fieldInteger(numPillarSidesText, "# of pillar sides", kCaption);
      columns = fieldInteger(numColumnsText, "# columns", kCaption);
      ceiling = fieldInteger(ceilingHeightText, "Ceiling height", kCaption);
      // A side length above 0 that rounds to 0 builds walls of length 0; a
      // side count that rounds to 0 has no polygon at all.
      requireAtLeastOne(n, "Num Sides", kCaption);
      // Everything the room will add, checked before anything is cleared or built.
      const bool multi = roomType == 1;
      const double p = multi ? std::max<int>(pillars, 0) : 0, c = multi ? std::max<int>(columns, 0) : 0;
      if (p > 0) {
        requireAtLeastOne(pillarSides, "# of pillar sides", kCaption);
        requireCoordinate(sx + 200.0 + 200.0 * (p - 1), "The last pillar", kCaption);
        requireCoordinate(sy + 250.0, "The pillars", kCaption);
      }
      if (c > 0) {
        requireCoordinate(sx + 300.0 + 400.0 * (c - 1), "The last column", kCaption);
        requireCoordinate(sy + 1000.0, "The columns", kCaption);
      }
      requireTotals(map, n + p * pillarSides + c * 8, 1 + p + c, clearMap, kCaption);
    }
    if (clearMap) {
      map.clearMap();
      clearMap = false;
    }
    if (build) {
      makeRoom(map, n, len, sx, sy, pillars, pillarSides, columns, ceiling);
      built = true;
    }
    return true;
  } catch (const WizardError& e) {
    refuse(dialogs, e);
    return false;
  }
}

void RoomWizardForm::makeRoom(clsMap& map, Integer n, Integer len, Integer sx, Integer sy, Integer pillars,
                              Integer pillarSides, Integer columns, Integer ceiling) const {
  map.ceilEnd = ceiling;
  map.h1 = 8, map.h2 = 16, map.h3 = 128, map.h4 = ceiling;
  map.backFloorTx = 1, map.frontFloorTx = 2, map.wallTx = 2;
  map.setPasteWall(true, true);
  if (roomType == 1) {
    for (int i = 0; i < pillars; ++i)
      map.addPolyCol(pillarSides, roundInteger(sx + 200.0 + 200.0 * i), roundInteger(sy + 250.0), 100);
    for (int i = 0; i < columns; ++i) {
      map.wallTx = i % 2 == 0 ? 6 : 8;
      map.setPasteWall(true, true);
      map.addPolyCol(8, roundInteger(sx + 300.0 + 400.0 * i), roundInteger(sy + 1000.0), 100);
    }
  }
  map.h1 = 0, map.h2 = ceiling, map.h3 = ceiling, map.h4 = ceiling;
  map.backFloorTx = 2, map.frontFloorTx = 1, map.wallTx = 1;
  map.setPasteWall(true, true);
  map.addPolySurround(n, sx, sy, len);
}

// --- Column wizard --------------------------------------------------------------

void ColWizardForm::activate(const clsMap& map) {
  startXText = startText(map.insertX);
  startYText = startText(map.insertY);
}

bool ColWizardForm::finish(clsMap& map, Dialogs& dialogs) {
  built = false;
  try {
    if (fieldValue(numSidesText) > 0 && fieldValue(sideLenText) > 0) {
      const Integer n = fieldInteger(numSidesText, "Num Sides", kCaption);
      const Integer len = fieldInteger(sideLenText, "Side length", kCaption);
      const Integer sx = fieldInteger(startXText, "Begin x", kCaption);
      const Integer sy = fieldInteger(startYText, "Begin y", kCaption);
      // A side length above 0 that rounds to 0 builds walls of length 0; a
      // side count that rounds to 0 has no polygon at all.
      requireAtLeastOne(n, "Num Sides", kCaption);
      requireTotals(map, n, 1, false, kCaption);
      map.addPolyCol(n, sx, sy, len);
      built = true;
    }
    return true;
  } catch (const WizardError& e) {
    refuse(dialogs, e);
    return false;
  }
}

// --- Stair wizard ---------------------------------------------------------------

void StairWizardForm::activate(const clsMap& map) {
  startXText = startText(map.insertX);
  startYText = startText(map.insertY);
}

double StairWizardForm::stepCount(double count) { return count < 2 ? 1 : std::floor(count - 2) + 2; }

bool StairWizardForm::finish(clsMap& map, Dialogs& dialogs) {
  built = false;
  try {
    const double count = fieldValue(numStairsText);
    if (count > 0 && fieldValue(stairWidthText) > 0) {
      const Integer x = fieldInteger(startXText, "StartX", kCaption);
      const Integer y = fieldInteger(startYText, "StartY", kCaption);
      const Integer w = fieldInteger(stairWidthText, "Stair width", kCaption);
      const Integer hi = fieldInteger(heightIncText, "Height increment", kCaption);
      requireAtLeastOne(w, "Stair width", kCaption);
      const double n = stepCount(count);
      requireTotals(map, 4 * n, n, false, kCaption);
      // The start y falls and the height moves away from 0 step by step, so
      // the last step is the one that could leave the 16-bit range.
      requireCoordinate(y - (n - 1) * w, "The last step", kCaption);
      if (n * hi < -32768 || n * hi > 32767)
        throw WizardError(kCaption, "The last step's height would be " + formatNumber(n * hi) +
                                        ", outside the range -32768 to 32767.");
      for (int i = 0; i < n; ++i)
        map.wzStair(x, static_cast<Integer>(y - i * w), w, static_cast<Integer>((i + 1) * hi));
      built = true;
    }
    return true;
  } catch (const WizardError& e) {
    refuse(dialogs, e);
    return false;
  }
}

// --- Split wall -----------------------------------------------------------------

bool SplitWallForm::mayOpen(const clsMap& map, Dialogs& dialogs) {
  if (map.selectedWall >= 0 && map.selectedWall < map.wallCount) return true;
  dialogs.msgBox("You need to select a wall that you want to split.", "No wall selected", MsgIcon::Exclamation);
  return false;
}

bool SplitWallForm::finish(clsMap& map, Dialogs& dialogs) {
  if (!mayOpen(map, dialogs)) return true;
  try {
    requireTotals(map, doubleSplit ? 1 : 2, 0, false, kCaption);
    map.splitWall(map.selectedWall, doubleSplit ? 2 : 3);
  } catch (const WizardError& e) {
    refuse(dialogs, e);
  }
  return true;
}

// --- Passage wizard -------------------------------------------------------------

namespace {

const char* const kTwoWalls =
    "You need to select two walls (with the SHIFT key) that you want to make the passage between. Use the Select "
    "window (under the Windows menu) to see the selected walls.";

// The current wall, or the first selected one when no wall is current.
Long currentWall(const clsMap& map, const std::vector<std::string>& selection) {
  if (map.selectedWall >= 0 && map.selectedWall < map.wallCount) return map.selectedWall;
  if (!selection.empty()) {
    const double w = PassageWizardForm::entryWall(selection[0]);
    if (w >= 0 && w < map.wallCount && w == std::floor(w)) return static_cast<Long>(w);
  }
  return -1;
}

}  // namespace

double PassageWizardForm::entryWall(const std::string& entry) {
  return entry.size() > 6 ? fieldValue(std::string_view(entry).substr(6)) : 0;
}

bool PassageWizardForm::mayOpen(const std::vector<std::string>& selection, Dialogs& dialogs) {
  if (selection.size() == 2) return true;
  dialogs.msgBox(kTwoWalls, "Wall not selected", MsgIcon::Exclamation);
  return false;
}

void PassageWizardForm::load(clsMap& map, const std::vector<std::string>& selection) {
  const Long w = currentWall(map, selection);
  if (w < 0) return;
  map.getWall(w);
  startHeightText = formatNumber(map.h1 + 8.0);
  heightText = formatNumber(static_cast<double>(static_cast<std::int64_t>(map.h4) - map.h1) * 0.4);
}

void PassageWizardForm::activate(clsMap& map, const std::vector<std::string>& selection) {
  const Long w = currentWall(map, selection);
  if (w < 0) return;
  map.getWall(w);
  wallHeightLabel = std::to_string(static_cast<std::int64_t>(map.h4) - map.h1);
  startHeightLabel = std::to_string(map.h1);
  endHeightLabel = std::to_string(map.h4);
}

bool PassageWizardForm::finish(clsMap& map, Dialogs& dialogs, const std::vector<std::string>& selection) {
  if (!mayOpen(selection, dialogs)) return true;
  try {
    Long ab[2];
    for (int k = 0; k < 2; ++k) {
      const double w = entryWall(selection[k]);
      if (!(w >= 0 && w < map.wallCount && w == std::floor(w)))
        throw WizardError(kCaption, "\"" + selection[k] + "\" does not name a wall of the map.");
      ab[k] = static_cast<Long>(w);
    }
    requireTotals(map, 4, 0, false, kCaption);
    map.makePassage(ab[0], ab[1], true, fieldValue(startHeightText), fieldValue(heightText));
  } catch (const WizardError& e) {
    refuse(dialogs, e);
  }
  return true;
}

// --- Cave and switch commands ---------------------------------------------------

Integer randomAngle(double fraction) {
  const double d = std::floor(fraction * 360);
  return static_cast<Integer>(std::clamp(d, 0.0, 359.0));
}

bool runPieceCommand(clsMap& map, Dialogs& dialogs, PieceKind kind, const std::function<double()>& fraction) {
  const char* caption = kind == PieceKind::CaveWizard     ? "Cave wizard"
                        : kind == PieceKind::SwitchWizard ? "Switch Wizard"
                                                          : "Switch wizard";
  const Integer angle = randomAngle(fraction ? fraction() : map.rng.next());
  const Long ceiling = kind == PieceKind::TestSwitch ? 264 : map.ceilEnd;
  try {
    if (kind == PieceKind::CaveWizard)
      map.wzCave(map.insertX, map.insertY, ceiling, 10, angle);
    else
      map.wzSwitch(map.insertX, map.insertY, ceiling, 10, angle);
    return true;
  } catch (const std::runtime_error& e) {  // a full table or coordinates beyond the map's range
    dialogs.msgBox(e.what(), caption, MsgIcon::Critical);
    return false;
  }
}

}  // namespace kv
