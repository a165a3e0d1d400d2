// The 3D preview windows and the engine control, offscreen: enabled states,
// the "No Map" refusal, keys in both windows, the control's timer and sizes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMdiArea>
#include <QSet>
#include <QTest>
#include <filesystem>

#include "engine/kv3d15.h"
#include "io/mapfile.h"
#include "testutil.h"
#include "ui/engine/frmcontrol.h"
#include "ui/engine/frmrender.h"
#include "wizards/wizardforms.h"

namespace {

// A fresh current directory (where the scratch files go), a map and the
// scripted message boxes; the one engine starts without a map.
struct Preview {
  Preview() : old(QDir::currentPath()) {
    QDir::setCurrent(QString::fromStdString(dir.path.string()));
    kv::FLUSHTALISSE();
  }
  ~Preview() {
    kv::FLUSHTALISSE();
    QDir::setCurrent(old);
  }
  // The room wizard's multi-pillar room at (100, 100); the viewer in the room.
  void room() {
    kv::RoomWizardForm f;
    f.roomType = 1;
    f.makeRoom(*map, 4, 1400, 100, 100, 4, 5, 2, 264);
    map->viewerX = 400, map->viewerY = 1300, map->viewerZ = 64, map->viewerDir = 0;
  }
  bool scratchWritten() const { return std::filesystem::exists(dir.path / "scratch.mpb"); }

  kvtest::TempDir dir;
  QString old;
  std::unique_ptr<kv::clsMap> map = kvtest::newMap();
  kv::ScriptedDialogs ui;
};

void key(QWidget* w, int k) {
  QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

int colours(const QImage& img) {
  QSet<QRgb> c;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) c.insert(img.pixel(x, y));
  return c.size();
}

}  // namespace

TEST(PreviewWindows, VirtualKeys) {
  EXPECT_EQ(kv::virtualKey(Qt::Key_Left), 37);
  EXPECT_EQ(kv::virtualKey(Qt::Key_Up), 38);
  EXPECT_EQ(kv::virtualKey(Qt::Key_Right), 39);
  EXPECT_EQ(kv::virtualKey(Qt::Key_Down), 40);
  EXPECT_EQ(kv::virtualKey(Qt::Key_A), 65);
  EXPECT_EQ(kv::virtualKey(Qt::Key_D), 68);
  EXPECT_EQ(kv::virtualKey(Qt::Key_S), 83);
  EXPECT_EQ(kv::virtualKey(Qt::Key_W), 87);
  EXPECT_EQ(kv::virtualKey(Qt::Key_Launch0), 0);
}

TEST(PreviewWindows, RenderWindowStatesKeysAndFrames) {
  Preview p;
  kv::frmRender w;
  w.attachMap(*p.map, p.ui);
  auto states = [&] {
    return std::vector<bool>{w.cmdInit->isEnabled(), w.cmdForward->isEnabled(), w.cmdRender->isEnabled(),
                             w.cmdFlush->isEnabled()};
  };
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(w.windowTitle(), "Render Map");

  // Keys work before Init: zero-map engine, area -1.
  key(w.Picture1, Qt::Key_W);
  EXPECT_EQ(w.windowTitle(), "Area #-1");

  // No walls: "No Map", no compile, nothing enabled.
  w.cmdInit->click();
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].text, "Cannot render, no map has been loaded");
  EXPECT_EQ(p.ui.messages[0].title, "No Map");
  EXPECT_EQ(p.ui.messages[0].icon, kv::MsgIcon::Critical);
  EXPECT_FALSE(p.scratchWritten());
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, false}));

  p.room();
  int compiledCalls = 0;
  w.compiled = [&] { ++compiledCalls; };
  w.cmdInit->click();
  EXPECT_TRUE(p.scratchWritten());
  EXPECT_EQ(compiledCalls, 1);
  EXPECT_EQ(states(), (std::vector<bool>{false, true, true, true}));
  QImage first = w.Picture1->image();
  EXPECT_EQ(first.size(), QSize(320, 200));
  EXPECT_GT(colours(first), 50);

  // Keys on the picture and on the window go to one handler.
  key(w.Picture1, Qt::Key_Up);
  EXPECT_EQ(w.windowTitle(), "Area #6");
  QImage moved = w.Picture1->image();
  EXPECT_NE(moved, first);
  key(&w, Qt::Key_A);
  EXPECT_NE(w.Picture1->image(), moved);
  w.setWindowTitle("x");
  QImage turned = w.Picture1->image();
  key(&w, Qt::Key_X);  // zero steps: same frame, title again
  EXPECT_EQ(w.windowTitle(), "Area #6");
  EXPECT_EQ(w.Picture1->image(), turned);
  w.cmdForward->click();
  EXPECT_NE(w.Picture1->image(), turned);

  w.cmdFlush->click();
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, false}));
  // Flush makes no engine call: the engine still has its map.
  EXPECT_EQ(kv::FINDAREA(), 6);
  w.cmdInit->click();
  EXPECT_EQ(compiledCalls, 2);
  EXPECT_EQ(states(), (std::vector<bool>{false, true, true, true}));
}

TEST(PreviewWindows, ControlWindowStatesKeysJumpAndClose) {
  Preview p;
  auto w = std::make_unique<kv::frmControl>();
  w->attachMap(*p.map, p.ui);
  auto states = [&] {
    return std::vector<bool>{w->cmdInit->isEnabled(), w->cmdJump->isEnabled(), w->cmdFlush->isEnabled(),
                             w->cmdAddProto->isEnabled()};
  };
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(w->lblKeys->text(), "Use the W,A,S, and D keys to move");
  EXPECT_FALSE(w->KV3D151->Timer1->isActive());

  // Keys do nothing while the engine is not running.
  key(w.get(), Qt::Key_W);
  EXPECT_EQ(w->windowTitle(), "KV3D15 Control");
  EXPECT_EQ(w->KV3D151->framesDrawn(), 0);

  w->cmdInit->click();
  ASSERT_EQ(p.ui.messages.size(), 1u);
  EXPECT_EQ(p.ui.messages[0].title, "No Map");
  EXPECT_FALSE(p.scratchWritten());
  EXPECT_FALSE(w->running());

  p.room();
  w->cmdInit->click();
  EXPECT_TRUE(p.scratchWritten());
  EXPECT_TRUE(w->running());
  EXPECT_EQ(states(), (std::vector<bool>{false, true, true, true}));
  EXPECT_TRUE(w->KV3D151->Timer1->isActive());
  EXPECT_GT(colours(w->KV3D151->Picture1->image()), 50);

  key(w->KV3D151->Picture1, Qt::Key_W);
  EXPECT_EQ(w->windowTitle(), "Area: RoomID36");
  EXPECT_EQ(w->KV3D151->framesDrawn(), 1);
  key(w.get(), Qt::Key_Q);  // no redraw, but the title
  EXPECT_EQ(w->KV3D151->framesDrawn(), 1);
  key(w.get(), Qt::Key_D);
  EXPECT_EQ(w->KV3D151->framesDrawn(), 2);

  // Jump to Insert: the map's viewer start, here inside pillar 0.
  p.map->viewerX = 260.4, p.map->viewerY = 389.6;
  w->cmdJump->click();
  EXPECT_EQ(kv::FINDAREANAME(kv::FINDAREA()), "Col0");
  EXPECT_EQ(w->KV3D151->framesDrawn(), 3);

  // Add Proto: the fixed file is not on this machine; reported, not fatal.
  w->cmdAddProto->click();
  ASSERT_EQ(p.ui.messages.size(), 2u);
  EXPECT_EQ(p.ui.messages[1].title, "Add Proto");
  EXPECT_NE(p.ui.messages[1].text.find("/talsship/angfish/angfish.kvx"), std::string::npos);

  w->cmdFlush->click();
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, true}));
  EXPECT_TRUE(w->KV3D151->Timer1->isActive());
  EXPECT_EQ(kv::FINDAREA(), -1);

  // Closing while running runs Flush first.
  w->cmdInit->click();
  ASSERT_TRUE(w->running());
  w->close();
  EXPECT_FALSE(w->running());
  EXPECT_EQ(kv::FINDAREA(), -1);
}

TEST(PreviewWindows, EngineControlSizesTimerAndStubs) {
  Preview p;
  p.room();
  p.map->createBSP();
  ASSERT_TRUE(kv::writeFileAtomically(p.dir.file("scratch.mpb"), kv::encodeMap(*p.map, true)).empty());
  kv::KV3D15 c;
  kv::Long v = 0;
  c.kvVersion(v);
  EXPECT_EQ(v, 150);
  EXPECT_EQ(c.kvAddCreature(1, "x", 2.5), 0);
  EXPECT_EQ(c.kvGetAtPos(), 0);
  EXPECT_EQ(c.kvTablaOval(3), 0);
  c.kvShoot();
  EXPECT_EQ(c.kvBasicExecute(), "Hello");
  c.kvHideBorder();
  EXPECT_EQ(c.Picture1->borderStyle(), 0);
  c.kvShowBorder();
  EXPECT_EQ(c.Picture1->borderStyle(), 1);

  // Another size: the picture takes it and the first copy is that size.
  kv::Long ok = 7;
  c.kv3DInit(p.dir.path.string(), "scratch.hdr", 100, 80, 1, 2, 3, 4, ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(c.Picture1->image().size(), QSize(100, 80));
  EXPECT_TRUE(c.Timer1->isActive());
  EXPECT_NE(c.memoryDC(), 0);
  EXPECT_EQ(c.kvGetViewerAreaNum(), 6);
  EXPECT_EQ(c.kvGetViewerAreaName(6), "RoomID36");
  EXPECT_GE(c.kvHitInFront(0), 0);

  // Frames copy 320 x 200, clipped to the picture; the timer draws them.
  int drawn = c.framesDrawn();
  QApplication::processEvents();
  QTest::qWait(3 * kv::KV3D15::kTimerInterval);
  EXPECT_GT(c.framesDrawn(), drawn);
  EXPECT_GT(colours(c.Picture1->image()), 20);

  // Flush: the timer stays on, frames keep coming and are blank.
  kv::Long result = 9;
  c.kvFlush(result);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(c.Timer1->isActive());
  drawn = c.framesDrawn();
  QTest::qWait(3 * kv::KV3D15::kTimerInterval);
  EXPECT_GT(c.framesDrawn(), drawn);
  EXPECT_EQ(colours(c.Picture1->image()), 1);

  // The database methods reach the engine's database.
  EXPECT_EQ(c.kvCreateDB(p.dir.file("a.kdb"), "name"), 1);
  EXPECT_EQ(c.kvAddRecord(), 1);
  EXPECT_EQ(c.kvSetFldVal("name", "eel"), 1);
  EXPECT_EQ(c.kvUpdateRecord(), 1);
  EXPECT_EQ(c.kvGetFldValIndex(1), "eel");
  EXPECT_EQ(c.kvCloseDB(), 1);
}

TEST(PreviewWindows, ShownInTheMainWindowsArea) {
  Preview p;
  QMdiArea area;
  QWidget* a = kv::ui::showRenderWindow(&area, *p.map, p.ui);
  QWidget* b = kv::ui::showRenderWindow(&area, *p.map, p.ui);
  QWidget* c = kv::ui::showControlWindow(&area, *p.map, p.ui);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  EXPECT_EQ(area.subWindowList().size(), 2);
  EXPECT_EQ(a->windowTitle(), "Render Map");
  EXPECT_EQ(c->windowTitle(), "KV3D15 Control");
}
