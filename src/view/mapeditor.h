// The map view's behaviour without a window: the scroll bars' offsets, the
// full redraw, the mouse tools (pick, insertion point, scale, move, rotate
// preview), the flashing highlight of the selected wall and the drop marker.
// The desktop's map view forwards its events here and shows the surface.
#pragma once
#include <functional>
#include <string>

#include "io/dialogs.h"
#include "model/clsMap.h"
#include "view/surface.h"

namespace kv {

// Mouse buttons as the map view's handlers number them.
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

// Modifier keys as the map view's handlers number them (`shift` arguments).
enum ShiftKey : int { kShiftKey = 1, kCtrlKey = 2, kAltKey = 4 };

// Edit modes set by the toolbar.
enum EditMode : Integer { kModeSelect = 0, kModeScale = 1, kModeMove = 2, kModeRotate = 3, kModeShear = 4 };

inline constexpr const char* kNyaText = "This feature is not yet available. Check back in next version.";
inline constexpr const char* kNyaTitle = "Not Yet Available";
// The shared "Not Yet Available" message.
void nya(Dialogs& ui);

// What the map view asks of the other windows.
struct MapViewHooks {
  std::function<void(Long)> selWall;                      // the project window selects a wall
  std::function<void()> clearSelectionList;               // the wall selection list
  std::function<void(const std::string&)> addSelection;   // appends an entry to it
  std::function<void()> beep;                             // the system beep
  std::function<void(const std::string&)> setStatusText;  // first panel of the status bar
  std::function<void()> focusValueBox;                    // the properties window's value box
  std::function<void(bool)> flashTimerChanged;            // start or stop the 500 ms timer
  std::function<void()> pictureChanged;                   // the surface has new pixels to show
  std::function<void(const std::string&)> edited;         // a drag ended: the map may have changed
  std::function<void(int, int)> scrollTo;                 // set the scroll bars (h, v), which redraw
  std::function<void(bool)> zoom;                         // run Zoom In (true) or Zoom Out (false)
};

class MapEditor {
 public:
  MapEditor(clsMap& map, Surface& surface, Dialogs& ui) : map(map), surface(surface), ui(ui) {}

  clsMap& map;
  Surface& surface;
  Dialogs& ui;
  MapViewHooks hooks;

  // Scroll bars HScroll1 and VScroll1: 0 to 500, small change 10, large 50.
  static constexpr int kScrollMax = 500, kScrollSmall = 10, kScrollLarge = 50;
  int hValue = 0, hMax = kScrollMax;
  int vValue = 0, vMax = kScrollMax;

  // Offsets from the scroll bars, clear the surface, draw the map. The
  // clearing removes the highlight of the selected wall, so flashOn is false
  // afterwards.
  void redraw();
  // "&Redraw": a redraw with the flashing paused, so no highlight is left
  // half drawn.
  void redrawPausingFlash();
  // "Set viewer to Insert Position".
  void setViewerToInsertion();

  // Mouse handlers; x and y in screen units, shift nonzero with a modifier.
  void mouseDown(int button, int shift, float x, float y);
  void mouseMove(int button, int shift, float x, float y);
  void mouseUp(int button, int shift, float x, float y);
  // Something from the palette was dropped at (x, y).
  void dragDrop(float x, float y);
  // Any key on the map view.
  void keyDown();
  // The mouse wheel turned by `notches` (positive away from the user; a
  // tilt to the left for a sideways wheel): the vertical scroll bar moves by
  // its small change per notch, the horizontal one with SHIFT or a sideways
  // wheel; with CTRL each notch runs Zoom In (away) or Zoom Out (towards).
  void wheel(int notches, int shift, bool sideways = false);

  // Picks the wall under a click; the lowest index wins.
  void clickWall(float x, float y, int shift);
  // Moves the insertion point to a screen position.
  void clickInsert(float x, float y);

  // The flash timer.
  void flashTick();
  bool flashEnabled() const { return flashEnabled_; }
  void setFlashEnabled(bool on);
  bool flashOn = false;
  // Removes a shown highlight before the selection changes.
  void deselectSideDef();

  // Rubber-band state of the last drag (screen units).
  float factorX = 0, factorY = 0;
  float insertScreenX = 0, insertScreenY = 0;
  float downX = 0, downY = 0;
  float boxLeft = 0, boxTop = 0, boxRight = 0, boxBottom = 0;
  bool dragging() const { return dragMode_ != 0; }

 private:
  // The rubber band of a scale or move drag for the current factors.
  void drawBand(Integer mode);
  void changed() {
    if (hooks.pictureChanged) hooks.pictureChanged();
  }
  template <class F>
  void refuseOnError(const char* title, F f);

  bool flashEnabled_ = false;
  Integer dragMode_ = 0;  // the tool of the drag in progress, 0 for none
};

}  // namespace kv
