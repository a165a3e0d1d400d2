// The wizard dialogs' logic without any window: each form holds its fields as
// the texts of its text boxes (with their default texts), its check boxes as
// bools, and runs Finish against the map. The desktop dialogs are thin forms
// over these objects and keep them between uses, so the values persist.
#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "io/dialogs.h"
#include "model/clsMap.h"

namespace kv {

// A wizard's refusal: shown as a critical message box under `title`; the map
// is unchanged when it is thrown.
class WizardError : public std::runtime_error {
 public:
  WizardError(std::string title, const std::string& text) : std::runtime_error(text), title(std::move(title)) {}
  std::string title;
};

// A field's text read as a number the lenient way (val). Reading ends at a
// carriage return, as it does at any other character that cannot continue a
// number.
double fieldValue(std::string_view text);
// A field's value rounded to a 16-bit integer (halves to even); a value
// outside -32768 .. 32767 is refused naming the field's label.
Integer fieldInteger(std::string_view text, const std::string& label, const std::string& title);
// Refuses a build that needs more walls or areas than the tables have left
// (counted against an empty map when it is to be cleared first).
void requireTotals(const clsMap& map, double walls, double areas, bool emptyMap, const std::string& title);

// --- Room wizard ----------------------------------------------------------------
class RoomWizardForm {
 public:
  static constexpr const char* kCaption = "Room Wizard";
  static constexpr const char* kRoomTypes[2] = {"Empty room", "Multi-pillar room"};

  int roomType = 0;  // selected room type: 0 empty, 1 multi-pillar, -1 none
  std::string numSidesText = "4", sideLenText = "1400";
  std::string startXText = "1800", startYText = "1000";
  std::string numPillarsText = "4", numPillarSidesText = "5", numColumnsText = "2";
  std::string ceilingHeightText = "264";
  bool clearMap = false;
  bool built = false;  // the last Finish added geometry

  // Start fields from the insertion point, on every activation.
  void activate(const clsMap& map);
  // Returns whether the dialog closes. Refusals are shown and keep it open.
  bool finish(clsMap& map, Dialogs& dialogs);
  // Builds pillars and columns (multi-pillar room) and then the room.
  void makeRoom(clsMap& map, Integer numSides, Integer sideLen, Integer startX, Integer startY, Integer numPillars,
                Integer numPillarSides, Integer numColumns, Integer ceilingHeight) const;
};

// --- Column wizard --------------------------------------------------------------
class ColWizardForm {
 public:
  static constexpr const char* kCaption = "Column Wizard";
  std::string numSidesText = "5", sideLenText = "50";
  std::string startXText = "1800", startYText = "1000";
  bool built = false;

  void activate(const clsMap& map);
  bool finish(clsMap& map, Dialogs& dialogs);
};

// --- Stair wizard ---------------------------------------------------------------
class StairWizardForm {
 public:
  static constexpr const char* kCaption = "Stair Wizard";
  std::string numStairsText = "8", stairWidthText = "50", heightIncText = "25";
  std::string startXText = "2300", startYText = "1500";
  bool built = false;

  void activate(const clsMap& map);
  bool finish(clsMap& map, Dialogs& dialogs);
  // How many steps a count gives: a whole n gives n, below 2 one step, a
  // fractional c >= 2 gives (integer part of c - 2) + 2.
  static double stepCount(double count);
};

// --- Split wall -----------------------------------------------------------------
class SplitWallForm {
 public:
  static constexpr const char* kCaption = "Split Wall";
  bool doubleSplit = true;  // "Double split (two lines)"; false: triple split

  // The menu command's check: true when the dialog may open.
  static bool mayOpen(const clsMap& map, Dialogs& dialogs);
  bool finish(clsMap& map, Dialogs& dialogs);
};

// --- Passage wizard -------------------------------------------------------------
class PassageWizardForm {
 public:
  static constexpr const char* kCaption = "Passage Wizard";
  std::string startHeightText, heightText;
  std::string wallHeightLabel, startHeightLabel, endHeightLabel;
  bool tripleSplit = true;  // "Triple split current wall"; the split is always made

  // The menu command's check of the wall selection list ("Wall #<index>"
  // entries): true when the dialog may open.
  static bool mayOpen(const std::vector<std::string>& selection, Dialogs& dialogs);
  // Loading fills the height fields, activation the wall labels, both from
  // the current wall (the first selected wall when none is current).
  void load(clsMap& map, const std::vector<std::string>& selection);
  void activate(clsMap& map, const std::vector<std::string>& selection);
  bool finish(clsMap& map, Dialogs& dialogs, const std::vector<std::string>& selection);
  // The wall index of a selection entry: the number after its first six characters.
  static double entryWall(const std::string& entry);
};

// --- Cave and switch commands ---------------------------------------------------
// A whole number of degrees 0 .. 359 from a fraction in [0, 1).
Integer randomAngle(double fraction);
// The three one-click commands: insertion point, random angle, and the
// ceiling (area buffer `ceilEnd`, or 264 for the Test menu's) with texture 10.
// `fraction` supplies the random fraction (the map's generator when empty).
// Returns whether a piece was added; a refusal is shown.
enum class PieceKind { CaveWizard, SwitchWizard, TestSwitch };
bool runPieceCommand(clsMap& map, Dialogs& dialogs, PieceKind kind, const std::function<double()>& fraction = {});

}  // namespace kv
