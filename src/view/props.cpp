#include "view/props.h"

#include <algorithm>
#include <limits>

#include "view/mapview.h"

namespace kv {

const std::vector<std::string>& txTypeChoices() {
  static const std::vector<std::string> c = {"00 - Normal",        "01 - Transparent",  "02 - Horz Cycle",
                                             "04 - Vert Cycle",    "08 - Multi-Texture", "16 - Animated Texture"};
  return c;
}

std::string PropertiesLogic::selTypeLabel() const {
  static const char* names[] = {"", "Wall", "Area", "Viewpoint", "Global"};
  return std::string("Type: ") + (selType >= 0 && selType <= 4 ? names[selType] : "");
}

namespace {
std::string num(double v) { return formatNumber(v); }
}  // namespace

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
        add("x1", num(map.x1)), add("y1", num(map.y1)), add("x2", num(map.x2)), add("y2", num(map.y2));
        add("Wall Tx", num(map.wallTx)), add("Tx Type", num(map.txType));
        add("Front Floor Tx", num(map.frontFloorTx)), add("Front Ceil Tx", num(map.frontCeilTx));
        add("Back Floor Tx", num(map.backFloorTx)), add("Back Ceil Tx", num(map.backCeilTx));
        add("Floor(h1)", num(map.h1)), add("End Floor(h2)", num(map.h2));
        add("Begin Ceil(h3)", num(map.h3)), add("End Ceil(h4)", num(map.h4));
        if (r >= 1 && r <= static_cast<int>(rows.size())) {
          currentRow = r;
          editorText = rows[r - 1].value;
        }
        break;
      case kPropArea:
        map.checkArea(index);
        map.getArea(index);
        add("Floor beg", num(map.floorBeg)), add("Floor end", num(map.floorEnd));
        add("Ceil beg", num(map.ceilBeg)), add("Ceil end", num(map.ceilEnd));
        add("Flags", num(map.areaFlags)), add("Name", map.areaName);
        break;
      case kPropViewpoint:
        add("x", num(map.viewerX)), add("y", num(map.viewerY));
        add("z", num(map.viewerZ)), add("d", num(map.viewerDir));
        break;
      case kPropGlobal:
        map.checkGlobal(index);
        map.getGlobal(index);
        add("ID", num(map.globalID)), add("Name", map.globalName), add("Value", num(map.globalValue));
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
  row.value = row.label == "Tx Type" ? editorText.substr(0, 2) : editorText;
  updateItem();
}

void PropertiesLogic::cmd_PropCancel_Click() {
  if (currentRow >= 1 && currentRow <= static_cast<int>(rows.size())) editorText = rows[currentRow - 1].value;
}

double PropertiesLogic::number(size_t row) const { return row < rows.size() ? val(rows[row].value) : 0.0; }
Long PropertiesLogic::whole(size_t row) const { return nearestLong(number(row)); }

void PropertiesLogic::updateItem() {
  try {
    switch (selType) {
      case kPropWall: {
        map.checkWall(map.selectedWall);
        Long* f[] = {&map.x1,          &map.y1,          &map.x2,         &map.y2,          &map.wallTx,
                     &map.txType,      &map.frontFloorTx, &map.frontCeilTx, &map.backFloorTx, &map.backCeilTx,
                     &map.h1,          &map.h2,          &map.h3,         &map.h4};
        // The buffer holds the rows' fields; the child links and parameters
        // come from the wall itself.
        map.getWall(map.selectedWall);
        for (size_t i = 0; i < std::size(f); ++i) *f[i] = whole(i);
        map.setWall(map.selectedWall);
        break;
      }
      case kPropArea:
        map.checkArea(map.selectedArea);
        map.getArea(map.selectedArea);
        map.floorBeg = whole(0), map.floorEnd = whole(1), map.ceilBeg = whole(2), map.ceilEnd = whole(3);
        map.areaFlags = whole(4);
        map.areaName = rows.size() > 5 ? rows[5].value : std::string();
        map.setArea(map.selectedArea);
        break;
      case kPropViewpoint:
        map.viewerX = number(0), map.viewerY = number(1), map.viewerZ = whole(2);
        map.viewerDir = static_cast<Integer>(std::clamp<Long>(whole(3), std::numeric_limits<Integer>::min(),
                                                              std::numeric_limits<Integer>::max()));
        break;
      case kPropGlobal:
        map.checkGlobal(map.selectedGlobal);
        map.getGlobal(map.selectedGlobal);
        map.globalName = rows.size() > 1 ? rows[1].value : std::string();
        map.globalValue = number(2);
        map.setGlobal(map.selectedGlobal);
        break;
      default:
        return;
    }
  } catch (const MapError&) {
    return;  // nothing is selected of that kind
  }
  if (redraw) redraw();
}

}  // namespace kv
