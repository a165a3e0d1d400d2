// The commands that compile the map and write or read it back, with their
// messages and dialogs behind the Dialogs interface. The desktop's menu items
// call these and then redraw the map view and relist the project tree.
#pragma once
#include <functional>
#include <string>

#include "io/dialogs.h"

namespace kv {

class clsMap;

inline constexpr const char* kCompileTitle = "Compile complete";
inline constexpr const char* kMapBinaryFilter = "Map Binary|*.mpb";
inline constexpr const char* kUntitledBinary = "untitled.mpb";
// The test commands' fixed files, kept in the current directory.
inline constexpr const char* kTestMapObjectFile = "newdir.mpb";
inline constexpr const char* kReadMapObjectFile = "newdir2.mpb";

// "Done building tree in <t> seconds" with t the elapsed time truncated to
// tenths; a negative span (the clock passed midnight) counts a day on.
std::string treeTimingText(double startSeconds, double endSeconds);

struct ExportOutcome {
  bool compiled = false;  // the map in memory now holds the tree
  bool written = false;   // a map binary was written
};

// "&Compile and save map binary...": createBSP, the timing message, the save
// dialog and the write. `clock` gives the time of day in seconds; `busy` is
// told when the wait cursor goes on (true) and off (false). A refused compile
// shows why and leaves the map as it was; a cancelled dialog writes nothing.
ExportOutcome exportMapBinary(clsMap& map, Dialogs& ui, const std::function<double()>& clock,
                              const std::function<void(bool)>& busy = {});

// "Create class BSP": createBSP in memory, no file. False (after saying why)
// when the compile was refused.
bool createClassBSP(clsMap& map, Dialogs& ui);
// "Test Map Object": writes the map as it stands (it does not compile) as
// the map binary kTestMapObjectFile in `folder`.
bool testMapObject(clsMap& map, Dialogs& ui, const std::string& folder);
// "Read Map Object": reads kReadMapObjectFile in `folder` with the map file
// reader (a compiled walls section reads like a plain one).
bool readMapObject(clsMap& map, Dialogs& ui, const std::string& folder);

}  // namespace kv
