#include "io/document.h"

#include <filesystem>

#include "io/mapfile.h"

namespace kv {

MapDocument::MapDocument(clsMap& map, Dialogs& ui) : map(map), ui(ui) {
  watchMap(history, map);
  history.watchText(currentMapFile);
  history.reset();
}

void MapDocument::newMap() {
  map.clearMap();
  // New throws the whole map away without asking: one step takes it back.
  history.commit("New Map");
  history.markClean(currentMapFile);
  call(hooks.stateChanged);
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
  // The step keeps the previous file name too: after an undo, Save writes
  // the map in memory to the file it came from, not over the one opened.
  history.commit("Open Map");
  if (status == ReadStatus::Ok) history.markClean(currentMapFile);
  call(hooks.stateChanged);
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
    if (ok) history.markClean(currentMapFile);
    call(hooks.stateChanged);
  } else {
    saveMapAs();
  }
}

void MapDocument::saveMapAs() {
  std::string name = ui.saveFileName(kMapSaveFilter, kMapPresetName);
  if (name.empty()) return;
  currentMapFile = name;
  // A new name is no change of the map: no undo step of its own.
  history.adoptTexts();
  bool ok = false;
  WriteNewMPB(map, ui, currentMapFile, false, ok);
  if (ok) history.markClean(currentMapFile);
  call(hooks.updateRecentFiles);
  call(hooks.stateChanged);
}

bool MapDocument::commit(const std::string& label) {
  const bool made = history.commit(label);
  call(hooks.stateChanged);
  return made;
}

bool MapDocument::restore(bool done) {
  if (done) {
    dropVanishedSelection(map);
    call(hooks.restored);
    call(hooks.listLines);
    call(hooks.redraw);
  }
  call(hooks.stateChanged);
  return done;
}

bool MapDocument::undo() {
  // The highlight is drawn over the wall as it stands; it goes first.
  if (map.onDropHighlight) map.onDropHighlight();
  return restore(history.undo());
}

bool MapDocument::redo() {
  if (map.onDropHighlight) map.onDropHighlight();
  return restore(history.redo());
}

std::string MapDocument::fileStatusText() const {
  std::string name = std::filesystem::path(currentMapFile).filename().string();
  if (name.empty()) name = currentMapFile.empty() ? "none" : currentMapFile;
  return "File: " + name + (modified() ? " (changed)" : " (unchanged)");
}

}  // namespace kv
