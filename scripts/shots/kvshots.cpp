// kvshots: drives the editor through the scenes of docs/screenshots/ and
// grabs the screen, as a user would see it. Run by scripts/screenshots on an
// X display (it needs the X11 platform: the grab shows the window manager's
// frames too). Writes editor.png, windows.png and preview.png into the
// folder given as its argument.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "io/dialogs.h"
#include "ui/engine/frmrender.h"
#include "ui/mdiform1.h"
#include "ui/wizarddialogs.h"
#include "view/mapview.h"

namespace {

QString outDir;
bool failed = false;

// Lets the window system and the editor catch up for `ms` milliseconds.
void settle(int ms) {
  QTimer t;
  t.setSingleShot(true);
  t.start(ms);
  while (t.isActive()) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The main window with its frame, as the screen shows it.
void grab(const kv::MDIForm1& w, const char* name) {
  const QRect r = w.frameGeometry();
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
  if (!shot.save(outDir + "/" + name)) {
    std::fprintf(stderr, "kvshots: could not write %s\n", name);
    failed = true;
  }
}

void click(QWidget* target, QPointF at, Qt::MouseButton b) {
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent e(type, at, target->mapToGlobal(at), b, type == QEvent::MouseButtonPress ? b : Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(target, &e);
  }
}

// Runs `steps` on the dialog `name` once a command has opened it (modal
// dialogs block the command), then closes it if the steps left it open.
void whenOpen(kv::MDIForm1& w, const char* name, std::function<void(QDialog&)> steps) {
  QTimer::singleShot(300, &w, [&w, name, steps] {
    auto* d = w.findChild<QDialog*>(name);
    if (!d || !d->isVisible()) {
      std::fprintf(stderr, "kvshots: %s did not open\n", name);
      failed = true;
      return;
    }
    steps(*d);
    if (d->isVisible()) d->reject();
  });
}

void trigger(kv::MDIForm1& w, const char* item) { w.findChild<QAction*>(item)->trigger(); }

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kvshots FOLDER\n");
    return 2;
  }
  outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QTemporaryDir work;  // the settings file and the preview's scratch files
  QDir::setCurrent(work.path());
  kv::ScriptedDialogs ui;
  kv::MDIForm1 w(nullptr, &ui);  // at its default size for the screen
  w.move(0, 0);
  w.show();
  settle(800);

  // A multi-pillar room from the room wizard at an insertion point near the
  // top-left corner, zoomed in once.
  kv::PictureBox* picture = w.mapView->Picture1;
  click(picture, {40, 30}, Qt::RightButton);
  whenOpen(w, "frmRoomWizard", [](QDialog& d) {
    auto& room = static_cast<kv::frmRoomWizard&>(d);
    room.List1->setCurrentRow(1);
    room.cmdOK->click();
  });
  trigger(w, "itmRoomWizard");
  trigger(w, "itmZoomIn");
  settle(300);

  // The room's west wall picked: the tree shows it, the grid its fields.
  kv::clsMap& m = w.map();
  const kv::Wall& west = m.walls[m.wallCount - 1];
  click(picture, {kv::scaleDrawX(m, float(west.x1)), kv::scaleDrawY(m, float(west.y1 + west.y2) / 2)}, Qt::LeftButton);
  settle(700);
  grab(w, "editor.png");

  // The Column Wizard over the map, clear of the room and the windows.
  whenOpen(w, "frmColWizard", [&w](QDialog& d) {
    d.move(w.frameGeometry().center() - QPoint(d.width() / 2, d.height() / 2) + QPoint(60, 40));
    settle(700);
    grab(w, "windows.png");
  });
  trigger(w, "itmColWizard");

  // The render window with the viewer in the room's south-west corner,
  // looking across the pillars.
  const kv::Wall& first = m.walls[m.wallCount - 4];
  m.viewerX = first.x1 + 150, m.viewerY = first.y1 + 150;
  w.Toolbar1_ButtonClick("render");
  auto* render = w.findChild<kv::frmRender*>("frmRender");
  if (!render) {
    std::fprintf(stderr, "kvshots: no render window\n");
    return 1;
  }
  render->cmdInit_Click();
  render->parentWidget()->move(w.mdiArea->width() / 2, w.mdiArea->height() / 3);  // its sub-window, clear of the room
  settle(1000);
  grab(w, "preview.png");
  render->cmdFlush_Click();
  return failed ? 1 : 0;
}
