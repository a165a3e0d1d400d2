// The two 3D preview windows of the main window, frmRender ("Render Map") and
// frmControl ("KV3D15 Control"), and what they share.
#pragma once
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>

#include "io/dialogs.h"
#include "model/clsMap.h"

namespace kv {

// The virtual-key code of a Qt key: arrows 37 to 40, letters 65 to 90,
// digits 48 to 57, and a few others; 0 for keys without one.
int virtualKey(int qtKey);

inline constexpr const char* kNoMapText = "Cannot render, no map has been loaded";
inline constexpr const char* kNoMapTitle = "No Map";

// What both preview windows do before they start the engine.
class PreviewWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewWindow(QWidget* parent = nullptr) : QWidget(parent) {}
  // The map and the message boxes, given once the map object exists (after
  // the window has loaded).
  void attachMap(clsMap& map, Dialogs& dialogs) {
    map_ = &map;
    dialogs_ = &dialogs;
  }
  // Writes "scratch.mpb" in the current directory from the map; by default
  // compiles the map in place and writes it. Empty text when done, else why.
  std::function<std::string(clsMap&)> compileScratch;
  // Called after a compile that was done: the map in memory is now the
  // compiled tree, which the map view and the project tree may show.
  std::function<void()> compiled;

 protected:
  // The "No Map" refusal when the map has no walls, else the compile; false
  // (after telling the user) when the engine is not to be started.
  bool prepareScratch();
  Dialogs* dialogs() const { return dialogs_; }
  clsMap* map() const { return map_; }
  // A button of the window. Clicking it leaves the keyboard where it was
  // (with the picture, which steers the viewer).
  QPushButton* makeButton(const char* name, const char* caption, std::function<void()> click);

 private:
  clsMap* map_ = nullptr;
  Dialogs* dialogs_ = nullptr;
};

}  // namespace kv
