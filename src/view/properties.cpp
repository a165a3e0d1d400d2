#include "view/properties.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/codepage.h"
#include "view/mapview.h"

namespace kv {

const std::vector<std::string>& txTypeChoices() {
  static const std::vector<std::string> c = {"00 - Normal",     "01 - Transparent",   "02 - Horz Cycle",
                                             "04 - Vert Cycle", "08 - Multi-Texture", "16 - Animated Texture"};
  return c;
}

std::string PropertiesLogic::selTypeLabel() const {
  static const char* names[] = {"", "Wall", "Area", "Viewpoint", "Global"};
  return std::string("Type: ") + (selType >= 0 && selType <= 4 ? names[selType] : "");
}

namespace {
std::string num(double v) { return formatNumber(v); }

// The row labels of each kind, in the order of the rows.
const char* const kWallLabels[] = {"x1",
                                   "y1",
                                   "x2",
                                   "y2",
                                   "Wall Tx",
                                   "Tx Type",
                                   "Front Floor Tx",
                                   "Front Ceil Tx",
                                   "Back Floor Tx",
                                   "Back Ceil Tx",
                                   "Floor(h1)",
                                   "End Floor(h2)",
                                   "Begin Ceil(h3)",
                                   "End Ceil(h4)"};
const char* const kAreaLabels[] = {"Floor beg", "Floor end", "Ceil beg", "Ceil end", "Flags", "Name"};
const char* const kViewpointLabels[] = {"x", "y", "z", "d"};
const char* const kGlobalLabels[] = {"ID", "Name", "Value"};
}  // namespace

std::vector<std::string> propertyLabels() {
  std::vector<std::string> all;
  for (const char* l : kWallLabels) all.push_back(l);
  for (const char* l : kAreaLabels) all.push_back(l);
  for (const char* l : kViewpointLabels) all.push_back(l);
  for (const char* l : kGlobalLabels) all.push_back(l);
  return all;
}

void PropertiesLogic::showProps(int type, Long index) {
  editorText.clear();
  setSelType(type);
  const int r = currentRow;
  rows.clear();
  currentRow = 0;
  try {
    switch (type) {
      case kPropWall:
        map.checkWall(index);
        map.getWall(index);
        {
          const Long values[] = {map.x1,     map.y1,           map.x2,          map.y2,          map.wallTx,
                                 map.txType, map.frontFloorTx, map.frontCeilTx, map.backFloorTx, map.backCeilTx,
                                 map.h1,     map.h2,           map.h3,          map.h4};
          for (size_t k = 0; k < std::size(values); ++k) add(kWallLabels[k], num(values[k]));
        }
        if (r >= 1 && r <= static_cast<int>(rows.size())) {
          currentRow = r;
          editorText = rows[r - 1].value;
        }
        break;
      case kPropArea:
        map.checkArea(index);
        map.getArea(index);
        {
          const Long values[] = {map.floorBeg, map.floorEnd, map.ceilBeg, map.ceilEnd, map.areaFlags};
          for (size_t k = 0; k < std::size(values); ++k) add(kAreaLabels[k], num(values[k]));
          add(kAreaLabels[5], fromCodePage(map.areaName));
        }
        break;
      case kPropViewpoint:
        add(kViewpointLabels[0], num(map.viewerX)), add(kViewpointLabels[1], num(map.viewerY));
        add(kViewpointLabels[2], num(map.viewerZ)), add(kViewpointLabels[3], num(map.viewerDir));
        break;
      case kPropGlobal:
        map.checkGlobal(index);
        map.getGlobal(index);
        add(kGlobalLabels[0], num(map.globalID)), add(kGlobalLabels[1], fromCodePage(map.globalName));
        add(kGlobalLabels[2], num(map.globalValue));
        break;
      default:
        break;
    }
  } catch (const MapError&) {
    rows.clear();  // an index outside the table shows no rows
  }
  if (currentRow == 0 && !rows.empty()) currentRow = 1;
}

void PropertiesLogic::grd_Props_Click(int r) {
  if (rows.empty() || r < 1 || r > static_cast<int>(rows.size())) return;
  currentRow = r;
  if (rows[r - 1].label == "Tx Type") choices = txTypeChoices();
  editorText = rows[r - 1].value;
}

void PropertiesLogic::cmd_PropOK_Click() {
  if (rows.empty() || currentRow < 1 || currentRow > static_cast<int>(rows.size())) return;
  Row& row = rows[currentRow - 1];
  const std::string shown = row.value;
  row.value = row.label == "Tx Type" ? editorText.substr(0, 2) : editorText;
  // A refused value leaves the row showing what the map still holds.
  if (!updateItem()) row.value = shown;
}

void PropertiesLogic::cmd_PropCancel_Click() {
  if (currentRow >= 1 && currentRow <= static_cast<int>(rows.size())) editorText = rows[currentRow - 1].value;
}

double PropertiesLogic::number(size_t row) const { return row < rows.size() ? val(rows[row].value) : 0.0; }

bool PropertiesLogic::whole(size_t row, double lo, double hi, double& out) const {
  const double v = roundHalfEven(number(row));
  if (v >= lo && v <= hi) {
    out = v;
    return true;
  }
  if (dialogs) {
    const std::string label = row < rows.size() ? rows[row].label : std::string();
    dialogs->msgBox("The value of \"" + label + "\" must be a whole number from " + formatNumber(lo) + " to " +
                        formatNumber(hi) + ". Nothing was stored.",
                    "Properties", MsgIcon::Critical);
  }
  return false;
}

bool PropertiesLogic::real(size_t row, double& out) const {
  out = number(row);
  if (std::isfinite(out)) return true;
  if (dialogs)
    dialogs->msgBox("The value of \"" + rows[row].label + "\" is too large for a number. Nothing was stored.",
                    "Properties", MsgIcon::Critical);
  return false;
}

bool PropertiesLogic::whole(size_t row, Long& out) const {
  double v = 0;
  if (!whole(row, std::numeric_limits<Long>::min(), std::numeric_limits<Long>::max(), v)) return false;
  out = static_cast<Long>(v);
  return true;
}

bool PropertiesLogic::updateItem() {
  // Every value is read and checked before anything is stored, so a value
  // that does not fit its field leaves the whole item as it was.
  try {
    switch (selType) {
      case kPropWall: {
        map.checkWall(map.selectedWall);
        Long v[14];
        for (size_t i = 0; i < std::size(v); ++i)
          if (!whole(i, v[i])) return false;
        Long* f[] = {&map.x1,     &map.y1,           &map.x2,          &map.y2,          &map.wallTx,
                     &map.txType, &map.frontFloorTx, &map.frontCeilTx, &map.backFloorTx, &map.backCeilTx,
                     &map.h1,     &map.h2,           &map.h3,          &map.h4};
        // The buffer holds the rows' fields; the child links and parameters
        // come from the wall itself.
        map.getWall(map.selectedWall);
        for (size_t i = 0; i < std::size(f); ++i) *f[i] = v[i];
        map.setWall(map.selectedWall);
        break;
      }
      case kPropArea: {
        map.checkArea(map.selectedArea);
        Long v[5];
        for (size_t i = 0; i < std::size(v); ++i)
          if (!whole(i, v[i])) return false;
        map.getArea(map.selectedArea);
        map.floorBeg = v[0], map.floorEnd = v[1], map.ceilBeg = v[2], map.ceilEnd = v[3];
        map.areaFlags = v[4];
        map.areaName = toCodePage(rows.size() > 5 ? rows[5].value : std::string());
        map.setArea(map.selectedArea);
        break;
      }
      case kPropViewpoint: {
        double x = 0, y = 0, dir = 0;
        Long z = 0;
        if (!real(0, x) || !real(1, y) || !whole(2, z) ||
            !whole(3, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max(), dir))
          return false;
        map.viewerX = x, map.viewerY = y, map.viewerZ = z;
        map.viewerDir = static_cast<Integer>(dir);
        break;
      }
      case kPropGlobal: {
        map.checkGlobal(map.selectedGlobal);
        double value = 0;
        if (rows.size() < 3 || !real(2, value)) return false;
        map.getGlobal(map.selectedGlobal);
        map.globalName = toCodePage(rows[1].value);
        map.globalValue = value;
        map.setGlobal(map.selectedGlobal);
        break;
      }
      default:
        return false;
    }
  } catch (const MapError&) {
    return false;  // nothing is selected of that kind
  }
  if (redraw) redraw();
  return true;
}

std::pair<int, Long> PropertiesLogic::selectedItem() const {
  switch (selType) {
    case kPropWall:
      if (map.selectedWall >= 0 && map.selectedWall < map.wallCount) return {kPropWall, map.selectedWall};
      break;
    case kPropArea:
      if (map.selectedArea >= 0 && map.selectedArea < map.areaCount) return {kPropArea, map.selectedArea};
      break;
    case kPropViewpoint:
      return {kPropViewpoint, 0};
    case kPropGlobal:
      if (map.selectedGlobal >= 0 && map.selectedGlobal < map.globalCount) return {kPropGlobal, map.selectedGlobal};
      break;
  }
  return {kPropNone, 0};
}

}  // namespace kv
