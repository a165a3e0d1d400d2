#include "io/document.h"

#include "io/mapfile.h"

namespace kv {

void MapDocument::newMap() {
  map.clearMap();
  call(hooks.listLines);
  call(hooks.showMapView);
  call(hooks.redraw);
}

bool MapDocument::openMapFile(const std::string& fileName) {
  bool ok = false;
  ReadStatus status = ReadStatus::Ok;
  ReadNewMPB(map, ui, fileName, ok, &status);
  if (status == ReadStatus::Damaged) return false;
  currentMapFile = fileName;
  map.polishNextSeg();
  call(hooks.listLines);
  call(hooks.showMapView);
  call(hooks.redraw);
  return true;
}

void MapDocument::openMap() {
  std::string name = ui.openFileName(kMapOpenFilter);
  if (name.empty()) return;
  if (openMapFile(name)) call(hooks.updateRecentFiles);
}

void MapDocument::saveMap() {
  if (currentMapFile.size() >= 2) {
    bool ok = false;
    WriteNewMPB(map, ui, currentMapFile, false, ok);
  } else {
    saveMapAs();
  }
}

void MapDocument::saveMapAs() {
  std::string name = ui.saveFileName(kMapSaveFilter, kMapPresetName);
  if (name.empty()) return;
  currentMapFile = name;
  bool ok = false;
  WriteNewMPB(map, ui, currentMapFile, false, ok);
  call(hooks.updateRecentFiles);
}

}  // namespace kv
