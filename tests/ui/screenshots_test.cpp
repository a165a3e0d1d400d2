// The pictures in docs/screenshots/. Not a check: disabled, and run by
// scripts/screenshots under Xvfb on the X11 platform, where the screen grab
// shows the windows as a user sees them.
#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "ui/engine/frmrender.h"
#include "ui/wizarddialogs.h"
#include "view/mapview.h"
#include "uitest.h"

namespace {

void settle(int ms) {
  QTimer t;
  t.setSingleShot(true);
  t.start(ms);
  while (t.isActive()) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void grab(const char* name) {
  const QString dir = qEnvironmentVariable("KV_SHOTS_DIR", ".");
  QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 1180, 900);
  ASSERT_TRUE(shot.save(dir + "/" + name)) << name;
}

// An editor with a multi-pillar room drawn by the room wizard at the
// insertion point.
void startWithRoom(kvtest::EditorFixture& f) {
  f.start();
  f.w->resize(1180, 880);
  f.w->adjustWindows();
  kvtest::click(f.picture(), {60, 40}, Qt::RightButton);
  kvtest::whenOpen(*f.w, "frmRoomWizard", [](QDialog& d) {
    auto& room = static_cast<kv::frmRoomWizard&>(d);
    room.List1->setCurrentRow(1);
    room.cmdOK->click();
  });
  f.w->findChild<QAction*>("itmRoomWizard")->trigger();
  f.w->findChild<QAction*>("itmZoomIn")->trigger();
  settle(300);
}

TEST(Screenshots, DISABLED_Windows) {
  kvtest::EditorFixture f;
  startWithRoom(f);
  // Pick the room's last wall: the tree shows it, the grid its fields.
  kv::clsMap& m = f.w->map();
  const kv::Wall& w = m.walls[m.wallCount - 1];
  const QPointF west(kv::scaleDrawX(m, float(w.x1)), kv::scaleDrawY(m, float(w.y1 + w.y2) / 2));
  kvtest::click(f.picture(), west);
  settle(300);
  kvtest::whenOpen(*f.w, "frmColWizard", [](QDialog& d) {
    d.move(560, 420);
    settle(500);
    grab("windows.png");
  });
  f.w->findChild<QAction*>("itmColWizard")->trigger();
}

TEST(Screenshots, DISABLED_Preview) {
  kvtest::EditorFixture f;
  startWithRoom(f);
  kv::clsMap& m = f.w->map();
  // The viewer in the room's south-west corner, looking across the pillars.
  const kv::Wall& first = m.walls[m.wallCount - 4];
  m.viewerX = first.x1 + 150, m.viewerY = first.y1 + 150;
  f.w->Toolbar1_ButtonClick("render");
  auto* r = f.w->findChild<kv::frmRender*>("frmRender");
  ASSERT_NE(r, nullptr);
  r->cmdInit_Click();
  r->parentWidget()->move(600, 380);  // its sub-window, clear of the room
  settle(800);
  grab("preview.png");
  r->cmdFlush_Click();
}

}  // namespace
