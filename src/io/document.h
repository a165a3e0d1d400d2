// The File commands of the main window, without any window: New, Open, Save,
// Save As and opening a recent entry. The desktop calls these; so do tests.
#pragma once
#include <functional>
#include <string>

#include "io/dialogs.h"
#include "model/clsMap.h"

namespace kv {

inline constexpr const char* kMapOpenFilter = "Kovrel3D Map file (*.map)|*.map|All files (*.*)|*.*";
inline constexpr const char* kMapSaveFilter = "Map (*.map)|*.map";
inline constexpr const char* kMapPresetName = "untitled.map";

// What a command asks of the windows once the document has changed.
struct DocumentHooks {
  std::function<void()> listLines;          // refresh the project tree
  std::function<void()> redraw;             // redraw the map view
  std::function<void()> showMapView;        // make the map view visible
  std::function<void()> updateRecentFiles;  // put currentMapFile on top of the recent list
};

class MapDocument {
 public:
  MapDocument(clsMap& map, Dialogs& ui) : map(map), ui(ui) {}

  clsMap& map;
  Dialogs& ui;
  std::string currentMapFile;  // empty at start-up
  DocumentHooks hooks;

  void newMap();
  void openMap();
  void saveMap();
  void saveMapAs();

  // Reads `fileName` into the document, relinks the work list and shows the
  // map view. A damaged file is refused whole: document, current file name
  // and recent list stay as they were, and false is returned. A missing file
  // says "No map" and, as a good file does, becomes the current file (true
  // is returned).
  bool openMapFile(const std::string& fileName);

 private:
  void call(const std::function<void()>& f) {
    if (f) f();
  }
};

}  // namespace kv
