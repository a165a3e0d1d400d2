// Shape files and the shape wizard. A shape file is a small tag-structured
// text: a KVSHAPE header tag, then WALL elements with a body x1,y1,x2,y2 and
// TURTLEWALL elements with a body of a turn and a move (RT90,FD100) that
// steer a pen from the shape's origin. A file is read whole before anything
// is drawn or created, so a malformed one changes nothing.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "io/dialogs.h"
#include "model/clsMap.h"
#include "view/surface.h"

namespace kv {

inline constexpr const char* kShapeHeaderMessage = "Does not appear to be a valid KVShape. Missing header.";
inline constexpr const char* kShapeErrorTitle = "Invalid file";

// One wall of a shape, in shape units relative to the shape's origin.
struct ShapeSegment {
  Long x1, y1, x2, y2;
  bool operator==(const ShapeSegment&) const = default;
};

struct ShapeRun {
  std::vector<ShapeSegment> walls;  // in file order
  int beeps = 0;                    // AREA tags met
  std::string error;                // empty when the whole file was read
};

// Reads a shape file's text. Turns take 0.017453 radians per degree and the
// heading is kept as a 32-bit float; heading 0 points along +y, RT turns
// towards -x. FD moves forward, BD backward, any other move word stays put.
ShapeRun readShape(std::string_view text);

// The preview: clears the surface, draws the axes through its middle and the
// walls with the shape's origin at the middle. Without a run only the axes.
void drawShapePreview(Surface& s, const ShapeRun* run);

// Adds the walls at the insertion point with addWall (first wall and next
// wall both 0, in the current area). Throws WizardError, with nothing added,
// when the table is too full or a wall would leave the map's coordinates.
void createShape(clsMap& map, const ShapeRun& run);

// The .xml files of a folder (any case of the extension), sorted by name.
std::vector<std::string> listShapeFiles(const std::string& folder);

class ShapeWizardForm {
 public:
  static constexpr const char* kCaption = "Shape Wizard";
  std::string folder;                   // where the files were listed
  std::vector<std::string> shapeFiles;  // file names in that folder
  int listIndex = -1;
  bool previewing = false;     // a Preview run (as opposed to Create)
  bool created = false;        // the last Create added walls
  std::function<void()> beep;  // the system beep for AREA tags

  // First use only: lists the shape files of the program's folder and
  // selects the first.
  void load(const std::string& programFolder);
  void showPreview(clsMap& map, Dialogs& dialogs, Surface& picture);
  // Returns whether the dialog closes: a refused file keeps it open.
  bool create(clsMap& map, Dialogs& dialogs, Surface& picture);

 private:
  bool loaded_ = false;
  // Reads and parses the selected file; false (after a message) when there
  // is none or it is refused.
  bool runSelected(Dialogs& dialogs, ShapeRun& run);
};

// Reads a whole shape file; false with the reason when it cannot be read.
bool readShapeFile(const std::string& path, std::string& text, std::string& problem);

}  // namespace kv
