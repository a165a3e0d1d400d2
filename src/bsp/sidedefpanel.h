// The wall panel's behaviour without a window: its boxes as texts, the
// checks of what was typed, storing into a record of the side-def table and
// the panel's own insertion point. The desktop's frmProps shows the texts.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "bsp/sidedef.h"
#include "io/dialogs.h"

namespace kv {

// Decimal text as a 32-bit integer: blanks around it, an optional sign,
// digits with an optional decimal point and exponent, rounded half to even.
// Empty when the text is not such a number or does not fit.
std::optional<Long> decimalLong(std::string_view text);

class SideDefPanel {
 public:
  // The panel's text boxes, in the order the panel shows them.
  enum Box : int {
    kX1,
    kY1,
    kX2,
    kY2,
    kLength,
    kWallTx,
    kFrontFloorTx,
    kFrontCeilTx,
    kBackFloorTx,
    kBackCeilTx,
    kH1,
    kH2,
    kH3,
    kH4,
    kBoxCount
  };
  // How a message names a box: its caption ("Back Floor:"), with x or y for
  // the end points' boxes.
  static const char* caption(Box b);

  SideDefPanel(SideDefTable& table, Dialogs& dialogs) : table_(table), dialogs_(dialogs) {}

  // What the boxes hold; they open with a 100-unit wall at the origin.
  std::array<std::string, kBoxCount> text = {"0", "0", "100", "0", "100", "1",  "1",
                                             "1", "1", "1",   "8", "16",  "64", "128"};
  // The record "Set Properties" stores into; nothing in the editor changes it.
  Long panelSideDef = 0;
  // The panel's own insertion point, in map units.
  Long panelInsertX = 0, panelInsertY = 0;

  // Stores every box into side-def record `index` (nothing for a negative
  // one). "Back Floor:" and "Back Ceiling:" stand for each other's field. A
  // box that is not a decimal number refuses the store with a message; then
  // nothing is stored and false is returned.
  bool updateSideDef(Long index);
  // "Set Properties": updateSideDef(panelSideDef). True when stored.
  bool setProperties() { return updateSideDef(panelSideDef); }
  // "Set to insertion point" of point 1 or 2: its two boxes get the panel's
  // insertion point.
  void pointFromInsertion(int point);
  // "> IP" of point 1 or 2: the panel's insertion point becomes the point's
  // two boxes. False (after a message, the point unchanged) when a box is not
  // a decimal number.
  bool insertionFromPoint(int point);

 private:
  // The box's number, or empty after telling the user why not.
  std::optional<Long> read(Box b);

  SideDefTable& table_;
  Dialogs& dialogs_;
};

}  // namespace kv
