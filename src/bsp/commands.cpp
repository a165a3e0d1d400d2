#include "bsp/commands.h"

#include <cmath>
#include <filesystem>

#include "io/mapfile.h"
#include "model/clsMap.h"

namespace kv {

namespace {

constexpr const char* kCompileRefusedTitle = "Compile";

bool compileOrSay(clsMap& map, Dialogs& ui) {
  try {
    map.createBSP();
    return true;
  } catch (const MapError& e) {
    ui.msgBox(e.what(), kCompileRefusedTitle, MsgIcon::Critical);
    return false;
  }
}

std::string inFolder(const std::string& folder, const char* name) {
  return (std::filesystem::path(folder) / name).string();
}

}  // namespace

std::string treeTimingText(double startSeconds, double endSeconds) {
  double span = endSeconds - startSeconds;
  if (span < 0) span += 86400;
  const double tenths = std::trunc(span * 10);
  return "Done building tree in " + formatNumber(tenths / 10) + " seconds";
}

ExportOutcome exportMapBinary(clsMap& map, Dialogs& ui, const std::function<double()>& clock,
                              const std::function<void(bool)>& busy) {
  ExportOutcome out;
  const double start = clock();
  if (busy) busy(true);
  out.compiled = compileOrSay(map, ui);
  if (!out.compiled) {
    if (busy) busy(false);
    return out;
  }
  ui.msgBox(treeTimingText(start, clock()), kCompileTitle, MsgIcon::Information);
  if (busy) busy(false);
  const std::string name = ui.saveFileName(kMapBinaryFilter, kUntitledBinary);
  if (!name.empty()) WriteNewMPB(map, ui, name, true, out.written);
  return out;
}

bool createClassBSP(clsMap& map, Dialogs& ui) { return compileOrSay(map, ui); }

bool testMapObject(clsMap& map, Dialogs& ui, const std::string& folder) {
  bool ok = false;
  WriteNewMPB(map, ui, inFolder(folder, kTestMapObjectFile), true, ok);
  return ok;
}

bool readMapObject(clsMap& map, Dialogs& ui, const std::string& folder) {
  bool ok = false;
  ReadNewMPB(map, ui, inFolder(folder, kReadMapObjectFile), ok);
  return ok;
}

}  // namespace kv
