// The properties window's behaviour without a window: the rows of the item
// shown (a wall, an area, the viewer start or a global), the value editor and
// writing a changed value back into the map. Rows hold UTF-8 text; names are
// converted to and from the map's code page here.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "io/dialogs.h"
#include "model/clsMap.h"

namespace kv {

// Kinds of item, as showProps numbers them.
enum PropKind : int { kPropNone = 0, kPropWall = 1, kPropArea = 2, kPropViewpoint = 3, kPropGlobal = 4 };

// The texture type choices offered for the "Tx Type" row.
const std::vector<std::string>& txTypeChoices();
// Every row label of every kind of item: the window is made wide enough to
// show the longest.
std::vector<std::string> propertyLabels();

class PropertiesLogic {
 public:
  explicit PropertiesLogic(clsMap& map) : map(map) {}

  struct Row {
    std::string label, value;
  };

  clsMap& map;
  int selType = kPropNone;
  std::vector<Row> rows;             // the data rows; grid row r is rows[r - 1]
  int currentRow = 0;                // grid row, 0 = the header row
  std::string editorText;            // the value editor txt_Value
  std::vector<std::string> choices;  // the value editor's list
  std::function<void()> redraw;      // the map view after a change
  // Where a value that does not fit its field is reported; the item is then
  // left as it was.
  Dialogs* dialogs = nullptr;

  // "Type: Wall" and so on for lblSelType.
  std::string selTypeLabel() const;
  void setSelType(int type) { selType = type; }

  // Shows item `index` of kind `type` (the index plays no part for kind 3).
  void showProps(int type, Long index);
  // A click on grid row r.
  void grd_Props_Click(int r);
  void cmd_PropOK_Click();
  void cmd_PropCancel_Click();
  // Writes the rows back into the selected item and redraws. False when
  // nothing was stored (no item of that kind, or a refused value).
  bool updateItem();
  // The kind and index to show again once the map changed under the window
  // (undo, redo): the selected item of the kind on show, or kind 0 when it
  // no longer exists.
  std::pair<int, Long> selectedItem() const;

 private:
  void add(const std::string& label, const std::string& value) { rows.push_back({label, value}); }
  double number(size_t row) const;
  // The row's number rounded half to even into a field of the given range;
  // false (after the message) when it does not fit.
  bool whole(size_t row, double lo, double hi, double& out) const;
  bool whole(size_t row, Long& out) const;
  // The row's number for a real field; false (after the message) when it is
  // not finite.
  bool real(size_t row, double& out) const;
};

}  // namespace kv
