// kv3dmap room, column, stair, cave, switch, shape, split and passage: the
// geometry wizards on a map file. Each command fills the wizard's form the way
// the dialog would (its default texts, the start point from the insertion
// point), lets options replace field texts, runs Finish and saves the map.
// A refused build leaves the file as it was.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli.h"
#include "view/surface.h"
#include "wizards/shape.h"
#include "wizards/wizardforms.h"

namespace kv::cli {
namespace {

// The map being edited, its file and the messages the wizard would have shown.
// No command edits viewpoints: the file's own are written back, also after
// `room --new` has cleared the map.
struct Edit {
  std::unique_ptr<clsMap> map = std::make_unique<clsMap>();
  ConsoleDialogs dialogs;
  std::string file;
  Long walls0 = 0, areas0 = 0;
  std::vector<Viewpoint> viewpoints;

  explicit Edit(std::string f) : file(std::move(f)) {
    loadOrNew(*map, file);
    walls0 = map->wallCount;
    areas0 = map->areaCount;
    viewpoints.assign(map->viewpoints.begin(), map->viewpoints.begin() + map->viewpointCount);
  }

  // Any message means the wizard refused: nothing is written.
  void requireNoMessage() const {
    if (dialogs.lines.empty()) return;
    std::string all;
    for (const auto& l : dialogs.lines) all += (all.empty() ? "" : "\n") + l;
    throw Failure(all);
  }

  void save(const std::string& note = {}) {
    requireNoMessage();
    std::copy(viewpoints.begin(), viewpoints.end(), map->viewpoints.begin());
    map->viewpointCount = static_cast<Long>(viewpoints.size());
    saveOrFail(*map, file);
    std::printf("%s: %+ld walls, %+ld areas; now %ld walls, %ld areas%s\n", plainText(file).c_str(),
                static_cast<long>(map->wallCount - walls0), static_cast<long>(map->areaCount - areas0),
                static_cast<long>(map->wallCount), static_cast<long>(map->areaCount), note.c_str());
  }
};

// MAP and then exactly `extra` further arguments; options must be taken first.
std::string mapArgument(std::vector<std::string>& args, size_t extra, const char* what) {
  rejectUnknownOptions(args);
  if (args.size() != 1 + extra) throw UsageError(std::string("expected ") + what);
  return args[0];
}

// "--name TEXT" replaces a field's text; the form reads it as the dialog does.
void field(std::vector<std::string>& args, const std::string& name, std::string& text) { takeOption(args, name, text); }

// "--at X,Y" as the two texts of a start point.
bool startFields(std::vector<std::string>& args, std::string& x, std::string& y) {
  std::string at;
  if (!takeOption(args, "--at", at)) return false;
  const size_t comma = at.find(',');
  if (comma == std::string::npos || at.find(',', comma + 1) != std::string::npos)
    throw UsageError("--at must be X,Y, as in 1800,1000");
  x = at.substr(0, comma);
  y = at.substr(comma + 1);
  return true;
}

// A whole number given on the command line (wall indexes, angles, positions).
long long wholeArgument(const std::string& text, const std::string& what) {
  long long v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size())
    throw UsageError(what + " must be a whole number, not \"" + text + "\"");
  return v;
}

Long mapCoordinate(const std::string& text, const std::string& what) {
  const long long v = wholeArgument(text, what);
  if (v < INT32_MIN || v > INT32_MAX) throw Failure(what + " " + text + " is outside the map's coordinates.");
  return static_cast<Long>(v);
}

// "--at X,Y" as the map's insertion point, for the commands that build there.
struct At {
  std::string x, y;
  bool given = false;
  explicit At(std::vector<std::string>& args) { given = startFields(args, x, y); }
  void apply(clsMap& map) const {
    if (!given) return;
    map.insertX = mapCoordinate(x, "--at x");
    map.insertY = mapCoordinate(y, "--at y");
  }
};

// Activation, the start point, Finish: as the room, column and stair dialogs
// run. A Finish that builds nothing is a refusal here.
template <class Form>
int finish(Edit& e, Form& f, const At& at) {
  f.activate(*e.map);
  if (at.given) f.startXText = at.x, f.startYText = at.y;
  f.finish(*e.map, e.dialogs);
  e.requireNoMessage();
  if (!f.built) throw Failure("Nothing was built: the number of sides or steps and the length must be greater than 0.");
  e.save();
  return 0;
}

std::string fieldHelp(const char* option, const char* label, const std::string& text) {
  std::string line = std::string("      ") + option;
  line.resize(std::max<size_t>(line.size() + 1, 26), ' ');
  return line + "\"" + label + "\", default " + text + "\n";
}

const char* const kAtHelp = "      --at X,Y            start point, default the map's insertion point\n";
const char* const kNumbersHelp =
    "      Field values are read as the dialog reads them and rounded to 16-bit integers.\n";

// --- room ------------------------------------------------------------------------

int runRoom(std::vector<std::string>& args) {
  std::string type;
  const bool hasType = takeOption(args, "--type", type);
  const bool fresh = takeFlag(args, "--new");
  RoomWizardForm f;
  field(args, "--sides", f.numSidesText);
  field(args, "--side-len", f.sideLenText);
  const At at(args);
  field(args, "--pillars", f.numPillarsText);
  field(args, "--pillar-sides", f.numPillarSidesText);
  field(args, "--columns", f.numColumnsText);
  field(args, "--ceiling", f.ceilingHeightText);
  Edit e(mapArgument(args, 0, "one map file"));
  if (hasType) {
    if (type == "empty")
      f.roomType = 0;
    else if (type == "multi-pillar")
      f.roomType = 1;
    else
      throw UsageError("--type must be empty or multi-pillar, not \"" + type + "\"");
  }
  f.clearMap = fresh;
  return finish(e, f, at);
}

std::string roomHelp() {
  const RoomWizardForm f;
  return "      --type T            empty (the default) or multi-pillar\n" +
         fieldHelp("--sides N", "Num Sides", f.numSidesText) +
         fieldHelp("--side-len L", "Side length:", f.sideLenText) + kAtHelp +
         fieldHelp("--pillars N", "# pillars", f.numPillarsText) +
         fieldHelp("--pillar-sides N", "# of pillar sides", f.numPillarSidesText) +
         fieldHelp("--columns N", "# columns", f.numColumnsText) +
         fieldHelp("--ceiling H", "Ceiling height:", f.ceilingHeightText) +
         "      --new               clear the map before building\n" + kNumbersHelp;
}

// --- column ----------------------------------------------------------------------

int runColumn(std::vector<std::string>& args) {
  ColWizardForm f;
  field(args, "--sides", f.numSidesText);
  field(args, "--side-len", f.sideLenText);
  const At at(args);
  Edit e(mapArgument(args, 0, "one map file"));
  return finish(e, f, at);
}

std::string columnHelp() {
  const ColWizardForm f;
  return fieldHelp("--sides N", "Num Sides", f.numSidesText) +
         fieldHelp("--side-len L", "Side length:", f.sideLenText) + kAtHelp +
         "      The walls take the paste template's heights and textures.\n";
}

// --- stair -----------------------------------------------------------------------

int runStair(std::vector<std::string>& args) {
  StairWizardForm f;
  field(args, "--count", f.numStairsText);
  field(args, "--width", f.stairWidthText);
  field(args, "--height-inc", f.heightIncText);
  const At at(args);
  Edit e(mapArgument(args, 0, "one map file"));
  return finish(e, f, at);
}

std::string stairHelp() {
  const StairWizardForm f;
  return fieldHelp("--count N", "# stairs", f.numStairsText) + fieldHelp("--width W", "Stair width", f.stairWidthText) +
         fieldHelp("--height-inc H", "Height increment", f.heightIncText) + kAtHelp +
         "      Steps go towards -y, each --height-inc higher than the one before.\n";
}

// --- cave and switch -------------------------------------------------------------

int runPiece(std::vector<std::string>& args, PieceKind kind) {
  std::string angleText, ceilingText = "264";
  const bool fixed = takeOption(args, "--angle", angleText);
  takeOption(args, "--ceiling", ceilingText);
  const At at(args);
  Edit e(mapArgument(args, 0, "one map file"));
  at.apply(*e.map);

  // The wizard draws a whole angle 0 .. 359 from a fraction; the middle of the
  // angle's interval gives exactly that angle.
  double fraction = 0;
  if (fixed) {
    const long long a = wholeArgument(angleText, "--angle");
    if (a < 0 || a > 359) throw UsageError("--angle must be a whole number of degrees from 0 to 359");
    fraction = (static_cast<double>(a) + 0.5) / 360;
  } else {
    e.map->rng.seedFromClock();
    fraction = e.map->rng.next();
  }
  // The dialog-less commands take the ceiling from the area buffer, which a
  // map file does not keep; the tool sets it from --ceiling.
  const long long ceiling = wholeArgument(ceilingText, "--ceiling");
  if (ceiling < INT32_MIN || ceiling > INT32_MAX) throw Failure("--ceiling " + ceilingText + " is out of range.");
  e.map->ceilEnd = static_cast<Long>(ceiling);
  runPieceCommand(*e.map, e.dialogs, kind, [fraction] { return fraction; });
  e.save(", angle " + std::to_string(randomAngle(fraction)));
  return 0;
}

int runCave(std::vector<std::string>& args) { return runPiece(args, PieceKind::CaveWizard); }
int runSwitch(std::vector<std::string>& args) { return runPiece(args, PieceKind::SwitchWizard); }

const char* const kPieceHelp =
    "      --at X,Y            centre, default the map's insertion point\n"
    "      --angle A           turn by A degrees (0 to 359), default a random whole angle\n"
    "      --ceiling H         ceiling height of both areas, default 264\n";

// --- shape -----------------------------------------------------------------------

int runShape(std::vector<std::string>& args) {
  const At at(args);
  Edit e(mapArgument(args, 1, "a map file and a shape file"));
  at.apply(*e.map);
  const std::filesystem::path shape(args[1]);
  ShapeWizardForm f;
  f.folder = shape.parent_path().string();
  f.shapeFiles = {shape.filename().string()};
  f.listIndex = 0;
  RasterSurface preview(1, 1);  // Create clears the preview; nobody looks at it here
  f.create(*e.map, e.dialogs, preview);
  e.save();
  return 0;
}

// --- split and passage -----------------------------------------------------------

Long wallArgument(const clsMap& map, const std::string& text) {
  const long long w = wholeArgument(text, "WALL");
  if (w < 0 || w >= map.wallCount)
    throw Failure("Wall " + text + " does not exist: the map has " + std::to_string(map.wallCount) + " walls.");
  return static_cast<Long>(w);
}

int runSplit(std::vector<std::string>& args) {
  std::string kind = "2";
  takeOption(args, "--kind", kind);
  if (kind != "2" && kind != "3") throw UsageError("--kind must be 2 or 3");
  Edit e(mapArgument(args, 1, "a map file and a wall index"));
  SplitWallForm f;
  f.doubleSplit = kind == "2";
  e.map->selectedWall = wallArgument(*e.map, args[1]);
  f.finish(*e.map, e.dialogs);
  e.save();
  return 0;
}

int runPassage(std::vector<std::string>& args) {
  PassageWizardForm f;
  std::string start, height;
  const bool hasStart = takeOption(args, "--start-height", start);
  const bool hasHeight = takeOption(args, "--height", height);
  Edit e(mapArgument(args, 2, "a map file and two wall indexes"));
  wholeArgument(args[1], "A");
  wholeArgument(args[2], "B");
  const std::vector<std::string> selection = {"Wall #" + args[1], "Wall #" + args[2]};
  f.load(*e.map, selection);
  f.activate(*e.map, selection);
  if (hasStart) f.startHeightText = start;
  if (hasHeight) f.heightText = height;
  f.finish(*e.map, e.dialogs, selection);
  e.save();
  return 0;
}

Register regRoom({"room",
                  "room MAP [--type empty|multi-pillar] [--sides N] [--side-len L] [--at X,Y] [--pillars N]\n"
                  "             [--pillar-sides N] [--columns N] [--ceiling H] [--new]",
                  "Add a closed room, optionally with rows of pillars and octagonal columns, each its own area.",
                  roomHelp(), runRoom});
Register regColumn({"column", "column MAP [--sides N] [--side-len L] [--at X,Y]",
                    "Add one free-standing polygonal column as a new area.", columnHelp(), runColumn});
Register regStair({"stair", "stair MAP [--count N] [--width W] [--height-inc H] [--at X,Y]",
                   "Add a straight flight of square steps, one area each.", stairHelp(), runStair});
Register regCave({"cave", "cave MAP [--at X,Y] [--angle A] [--ceiling H]",
                  "Add the cave piece: a 60 by 20 area with a raised 40 by 12 area inside, turned by an angle.",
                  kPieceHelp, runCave});
Register regSwitch({"switch", "switch MAP [--at X,Y] [--angle A] [--ceiling H]",
                    "Add the switch piece (the same geometry as the cave piece).", kPieceHelp, runSwitch});
Register regShape({"shape", "shape MAP FILE.xml [--at X,Y]",
                   "Add the walls of a shape file, relative to a point, in the map's current area.",
                   "      --at X,Y            the shape's origin, default the map's insertion point\n", runShape});
Register regSplit({"split", "split MAP WALL [--kind 2|3]",
                   "Cut a wall into two pieces at its midpoint or three at 0.33 and 0.66; new pieces go last.",
                   "      --kind K            2 (the default) or 3 pieces\n", runSplit});
Register regPassage({"passage", "passage MAP A B [--start-height H] [--height H]",
                     "Open a passage between walls A and B: both are cut in three and the middle pieces join them.",
                     "      --start-height H, --height H\n"
                     "                          the dialog's height fields; they change nothing\n",
                     runPassage});

}  // namespace
}  // namespace kv::cli
