#include "view/mapeditor.h"

#include <algorithm>
#include <cstdlib>

#include "view/mapview.h"

namespace kv {

void nya(Dialogs& ui) { ui.msgBox(kNyaText, kNyaTitle, MsgIcon::Critical); }

void MapEditor::redraw() {
  double h = hMax ? static_cast<float>(hValue) / static_cast<float>(hMax) : 0.0f;
  double v = vMax ? static_cast<float>(vValue) / static_cast<float>(vMax) : 0.0f;
  calcOffset(map, h, v);
  surface.clear();
  // Clearing wiped any highlight: the next deselect must not draw it back.
  flashOn = false;
  drawMap(map, surface);
  changed();
}

void MapEditor::redrawPausingFlash() {
  bool was = flashEnabled_;
  setFlashEnabled(false);
  redraw();
  if (was) setFlashEnabled(true);
}

void MapEditor::setViewerToInsertion() {
  map.viewerX = map.insertX;
  map.viewerY = map.insertY;
  redraw();
}

void MapEditor::setFlashEnabled(bool on) {
  if (on == flashEnabled_) return;
  flashEnabled_ = on;
  if (hooks.flashTimerChanged) hooks.flashTimerChanged(on);
}

void MapEditor::flashTick() {
  flashOn = !flashOn;
  if (map.selectedWall == -1) {
    setFlashEnabled(false);
    flashOn = false;
    return;
  }
  flashWall(map, surface, map.selectedWall);
  changed();
}

void MapEditor::deselectSideDef() {
  if (!flashOn) return;
  flashWall(map, surface, map.selectedWall);
  flashOn = false;
  changed();
}

template <class F>
void MapEditor::refuseOnError(const char* title, F f) {
  // A result outside the map's coordinate range leaves the area as it was.
  try {
    f();
  } catch (const std::exception& e) {
    ui.msgBox(e.what(), title, MsgIcon::Critical);
  }
}

void MapEditor::clickWall(float x, float y, int shift) {
  const long long cx = nearestLong((x - map.offsetX) * map.scaleX);
  const long long cy = nearestLong((y - map.offsetY) * map.scaleY);
  const long long sx = map.scaleX, sy = map.scaleY;
  const Long n = std::min<Long>(map.wallCount, kWallSlots);
  for (Long i = 0; i < n; ++i) {
    const Wall& w = map.walls[static_cast<size_t>(i)];
    const long long x1 = w.x1, y1 = w.y1, x2 = w.x2, y2 = w.y2;
    bool xFails = (cx < x1 - sx || cx > x2 + 1) && (cx > x1 + sx || cx < x2 - 1);
    bool yFails = (cy < y1 - sy || cy > y2 + 1) && (cy > y1 + sy || cy < y2 - 1);
    if (xFails || yFails) continue;
    if (hooks.selWall) hooks.selWall(i);
    if (shift == 0 && hooks.clearSelectionList) hooks.clearSelectionList();
    if (hooks.addSelection) hooks.addSelection(withNumber("Wall #", i));
    if (hooks.beep) hooks.beep();
    return;
  }
}

void MapEditor::clickInsert(float x, float y) {
  drawInsertion(map, surface);
  setInsertion(map, x, y);
  drawInsertion(map, surface);
  changed();
  if (hooks.setStatusText) hooks.setStatusText(insertionText(map));
}

void MapEditor::drawBand(Integer mode) {
  const float fx = factorX, fy = factorY;
  if (mode == kModeScale)
    drawRect(surface, boxLeft * fx, boxTop * fy, boxRight * fx, boxBottom * fy);
  else
    drawRect(surface, boxLeft * fx, boxTop * fy, boxRight - boxLeft + boxLeft * fx, boxBottom - boxTop + boxTop * fy);
}

void MapEditor::mouseDown(int button, int shift, float x, float y) {
  if (button != kLeftButton) {
    clickInsert(x, y);
    return;
  }
  if (map.editMode == kModeSelect) {
    clickWall(x, y, shift);
    return;
  }
  // A selection left over from a map that has since shrunk selects nothing.
  if (map.selectedArea < 0 || map.selectedArea >= map.areaCount) {
    ui.msgBox("No area is selected.", "No selected area", MsgIcon::Critical);
    return;
  }
  boxLeft = scaleDrawX(map, static_cast<float>(map.areaMinX));
  boxTop = scaleDrawY(map, static_cast<float>(map.areaMinY));
  boxRight = scaleDrawX(map, static_cast<float>(map.areaMaxX));
  boxBottom = scaleDrawY(map, static_cast<float>(map.areaMaxY));
  insertScreenX = scaleDrawX(map, static_cast<float>(map.insertX));
  insertScreenY = scaleDrawY(map, static_cast<float>(map.insertY));
  downX = x;
  downY = y;
  switch (map.editMode) {
    case kModeScale:
    case kModeMove:
      dragMode_ = map.editMode;
      factorX = factorY = 1;
      drawBand(dragMode_);
      changed();
      break;
    case kModeRotate:
      dragMode_ = kModeRotate;
      break;
    default:
      nya(ui);
  }
}

void MapEditor::mouseMove(int button, int, float x, float y) {
  if (button != kLeftButton || !dragging()) return;
  float ax = downX - insertScreenX;
  if (ax == 0) ax = 1;
  float ay = downY - insertScreenY;
  if (ay == 0) ay = 1;
  const float fx = (x - insertScreenX) / ax, fy = (y - insertScreenY) / ay;
  if (dragMode_ == kModeScale || dragMode_ == kModeMove) {
    drawBand(dragMode_);
    factorX = fx;
    factorY = fy;
    drawBand(dragMode_);
  } else if (dragMode_ == kModeRotate) {
    const Long cx1 = nearestLong(boxLeft), cy1 = nearestLong(boxTop);
    const Long cx2 = nearestLong(boxRight), cy2 = nearestLong(boxBottom);
    refuseOnError("Rotate Selection", [&] {
      drawRect(surface, static_cast<float>(map.RotX(cx1, cy1, fx)), static_cast<float>(map.RotY(cx1, cy1, fx)),
               static_cast<float>(map.RotX(cx2, cy2, fx)), static_cast<float>(map.RotY(cx2, cy2, fx)));
    });
  }
  changed();
}

void MapEditor::mouseUp(int button, int, float, float) {
  if (button != kLeftButton || !dragging()) return;
  const Integer mode = dragMode_;
  dragMode_ = 0;
  if (mode == kModeScale) {
    drawBand(mode);
    refuseOnError("Scale Selection", [&] { map.scaleArea(map.selectedArea, factorX, factorY); });
    redraw();
    if (hooks.edited) hooks.edited("Scale Selection");
  } else if (mode == kModeMove) {
    drawBand(mode);
    // Each axis's screen displacement times its own scale: the area follows
    // the rubber band whatever the scroll position.
    const float dxs = boxLeft * factorX - boxLeft, dys = boxTop * factorY - boxTop;
    const float dx = dxs * map.scaleX, dy = dys * map.scaleY;
    refuseOnError("Move Selection", [&] { map.moveArea(map.selectedArea, dx, dy); });
    redraw();
    if (hooks.edited) hooks.edited("Move Selection");
  }
}

void MapEditor::dragDrop(float x, float y) {
  surface.line(x, y, x + 10, y + 10);
  changed();
}

void MapEditor::keyDown() {
  if (hooks.focusValueBox) hooks.focusValueBox();
}

void MapEditor::wheel(int notches, int shift, bool sideways) {
  if (notches == 0) return;
  if (shift & kCtrlKey) {
    for (int k = 0; k < std::abs(notches) && hooks.zoom; ++k) hooks.zoom(notches > 0);
    return;
  }
  if (!hooks.scrollTo) return;
  // Away from the user scrolls up (or left), as the bars' arrows would.
  auto step = [notches](int value, int max) {
    return static_cast<int>(std::clamp<long long>(value - static_cast<long long>(notches) * kScrollSmall, 0, max));
  };
  if (sideways || (shift & kShiftKey))
    hooks.scrollTo(step(hValue, hMax), vValue);
  else
    hooks.scrollTo(hValue, step(vValue, vMax));
}

}  // namespace kv
