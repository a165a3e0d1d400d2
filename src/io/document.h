// The File commands of the main window, without any window: New, Open, Save,
// Save As and opening a recent entry. The desktop calls these; so do tests.
#pragma once
#include <functional>
#include <string>

#include "io/dialogs.h"
#include "model/clsMap.h"
#include "model/undo.h"

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
  // After an undo or redo, before the tree and the view: the windows let go
  // of what no longer exists and show the selected item's values again.
  std::function<void()> restored;
  // The file name or the changed state may read differently (status bar).
  std::function<void()> stateChanged;
};

class MapDocument {
 public:
  // Watches the map and the file name for undo; register further state
  // (the side-def table) on `history` and reset it before the first command.
  MapDocument(clsMap& map, Dialogs& ui);

  clsMap& map;
  Dialogs& ui;
  std::string currentMapFile;  // empty at start-up
  DocumentHooks hooks;
  UndoHistory history;

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

  // Ends a command that may have changed the document: what changed becomes
  // one undo step named `label`. False (and no step) when nothing changed.
  bool commit(const std::string& label);
  // Edit > Undo and Redo: the document as it was before the last step (after
  // it again), with the vanished selection dropped, the tree listed anew
  // and the view redrawn. False when there was nothing to do.
  bool undo();
  bool redo();
  // Whether the document changed since it was last opened, saved or created.
  bool modified() const { return history.modified(currentMapFile); }
  // The status bar's file panel: "File: <name> (changed)" or "(unchanged)",
  // the name without its folder, "none" before the first Open or Save As.
  std::string fileStatusText() const;

 private:
  void call(const std::function<void()>& f) {
    if (f) f();
  }
  bool restore(bool done);
};

}  // namespace kv
