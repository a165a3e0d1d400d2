// The developer commands: the Test menu and the View menu's "Draw Tree".
// They are switched off, so users never reach them; the tests run them
// directly.
#include <QApplication>
#include <QDir>
#include <cmath>

#include "bsp/commands.h"
#include "ui/mdiform1.h"
#include "view/drawtree.h"
#include "view/mapeditor.h"
#include "view/mapview.h"
#include "wizards/polytools.h"

namespace kv {

void MDIForm1::itmWZSwitch_Click() { pieceCommand(PieceKind::TestSwitch); }

void MDIForm1::itmShowCtl_Click() { showChild(control, true); }

void MDIForm1::itmCreateBSP_Click() {
  if (!createClassBSP(*map_, *ui_)) return;
  listLines();
  mapView->redraw();
}

void MDIForm1::itmReadNewMap_Click() {
  readMapObject(*map_, *ui_, QDir::currentPath().toStdString());
  listLines();
  mapView->redraw();
}

void MDIForm1::itmTestMapObj_Click() {
  listLines();
  mapView->redraw();
  testMapObject(*map_, *ui_, QDir::currentPath().toStdString());
}

void MDIForm1::itmCheckerBoard_Click() {
  checkerboard(mapView->editor()->surface);
  mapView->Picture1->update();
}

void MDIForm1::itmViewAngle_Click() {
  const float dx = kViewAngleX - static_cast<float>(map_->viewerX);
  const float dy = kViewAngleY - static_cast<float>(map_->viewerY);
  float angle;
  if (dx == 0)
    angle = dy < 0 ? 270.0f : 90.0f;
  else {
    angle = std::atan(dy / dx) * 57.29577f;
    if (dx < 0)
      angle += 180;
    else if (dy < 0)
      angle += 360;
  }
  ui_->msgBox(formatNumber(angle), kAppTitle, MsgIcon::None);
}

void MDIForm1::itmTestPoly_Click() { ui_->msgBox(map_->testPtinPoly(), kAppTitle, MsgIcon::None); }

void MDIForm1::itmDrawRoom_Click() {
  drawRoom(*sideDefs_);
  lineOffsetX = lineOffsetY = 0;
  mapView->redraw();
  project->listWallsOnly(sideDefs_->count);
}

void MDIForm1::itmMultiPoly_Click() {
  multiPoly(*sideDefs_);
  lineOffsetX = lineOffsetY = 0;
}

void MDIForm1::itmBuildBSP_Click() {
  const SideDefBuildResult r = sideDefs_->buildBSP();
  if (!r.ok) ui_->msgBox("Failed\n" + r.message, kAppTitle, MsgIcon::None);
  mapView->redraw();
  project->listWallsOnly(sideDefs_->count);
}

void MDIForm1::drawMapLine(Long x1, Long y1, Long x2, Long y2, Long colour) {
  Surface& s = mapView->editor()->surface;
  s.setDrawMode(DrawMode::Copy);
  s.line(scaleDrawX(*map_, x1 + lineOffsetX), scaleDrawY(*map_, y1 + lineOffsetY), scaleDrawX(*map_, x2 + lineOffsetX),
         scaleDrawY(*map_, y2 + lineOffsetY), colour);
  mapView->Picture1->update();
}

void MDIForm1::itmIntersect_Click() {
  drawMapLine(kIntersectX1, kIntersectY1, kIntersectX2, kIntersectY2, rgb(255, 0, 0));
  std::vector<Long> hits;
  intersectSideDefs(*sideDefs_, &hits, [] { QApplication::beep(); });
  if (select)
    for (Long k : hits) select->List1->addItem(QString::number(k));
}

void MDIForm1::itmWalkTree_Click() {
  const size_t n = sideDefs_->walkTree().size();
  showMessage(QString("Walk Tree: %1 nodes").arg(n));
}

void MDIForm1::itmDrawTree_Click() {
  drawTree(mapView->editor()->surface);
  mapView->Picture1->update();
}

}  // namespace kv
