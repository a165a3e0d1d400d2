// The 3D preview windows and the engine control, offscreen. What a key or a
// button does to the view is checked against the engine's own calls: the
// picture after the key must be the engine's view after the calls the key
// stands for, so the checks hold whatever the renderer draws.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <functional>
#include <set>

#include "../uitest.h"
#include "bsp/validate.h"
#include "engine/kv3d15.h"
#include "engine/scratch.h"
#include "testutil.h"
#include "ui/engine/frmcontrol.h"
#include "ui/engine/frmrender.h"
#include "wizards/wizardforms.h"

namespace {

using Frame = std::vector<std::uint32_t>;

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
  // The room wizard's multi-pillar room at (100, 100): four pillars, two
  // columns and the room itself, area 6.
  void room() {
    kv::RoomWizardForm f;
    f.roomType = 1;
    f.makeRoom(*map, 4, 1400, 100, 100, 4, 5, 2, 264);
  }

  kvtest::TempDir dir;
  QString old;
  std::unique_ptr<kv::clsMap> map = kvtest::newMap();
  kv::ScriptedDialogs ui;
};

// Where the key tables start: in the open part of the room, looking along +x.
void toStart() { kv::JUMPVIEWER(400, 1300, 64, 0); }

// A w x h part at (x0, y0) of the engine's view from where its viewer stands
// now, and of what a picture shows (in the engine's pixel format).
Frame view(int x0 = 0, int y0 = 0, int w = 320, int h = 200) {
  const kv::FrameBuffer& f = *kv::gdi::bitmap(kv::DRAWKV(0));
  Frame out;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) out.push_back(f.at(x, y));
  return out;
}
Frame shown(const kv::EnginePicture* p, int x0 = 0, int y0 = 0, int w = 320, int h = 200) {
  const QImage img = p->image();
  Frame out;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) out.push_back(img.pixel(x, y) & 0xFFFFFF);
  return out;
}

std::vector<bool> enabled(std::initializer_list<QPushButton*> buttons) {
  std::vector<bool> out;
  for (QPushButton* b : buttons) out.push_back(b->isEnabled());
  return out;
}

void key(QWidget* w, int k) {
  QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// A key and the engine calls it stands for: a step forward and a turn (left
// positive), and the frames the window then draws.
struct KeyStep {
  int key;
  kv::Long forward, turn;
  int frames;
};

// Presses each key from the start, on the picture and on the window in turn,
// and compares the view and the picture with those after the calls the key
// stands for, and the title with `title()` there; `frames`, when given,
// counts the frames drawn. Keys of different steps must look different, or
// the comparison proves nothing.
void checkKeys(QWidget* window, kv::EnginePicture* picture, const std::vector<KeyStep>& keys,
               const std::function<QString()>& title, const std::function<int()>& frames) {
  std::set<Frame> views;
  std::set<std::pair<kv::Long, kv::Long>> steps;
  for (size_t k = 0; k < keys.size(); ++k) {
    toStart();
    kv::MOVEVIEWER(0, keys[k].forward, 0);
    kv::TURNVIEWER(keys[k].turn);
    const Frame want = view();
    const QString named = title();
    views.insert(want);
    steps.insert({keys[k].forward, keys[k].turn});
    toStart();
    const int before = frames ? frames() : 0;
    key(k % 2 ? window : picture, keys[k].key);
    EXPECT_EQ(view(), want) << "key " << k;
    if (frames) {
      EXPECT_EQ(frames() - before, keys[k].frames) << "key " << k;
    }
    if (keys[k].frames) {
      EXPECT_EQ(shown(picture), want) << "key " << k;
    }
    EXPECT_EQ(window->windowTitle(), named) << "key " << k;
  }
  EXPECT_EQ(views.size(), steps.size());
}

}  // namespace

TEST(PreviewWindows, RenderWindowKeysAndButtonsDoTheEnginesCalls) {
  Preview p;
  kv::frmRender w;
  w.attachMap(*p.map, p.ui);
  auto states = [&] { return enabled({w.cmdInit, w.cmdForward, w.cmdRender, w.cmdFlush}); };
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, false}));
  key(w.Picture1, Qt::Key_W);  // keys work before Init: the engine has no map
  EXPECT_EQ(w.windowTitle(), "Area #-1");

  // No walls: "No Map" and no compile.
  w.cmdInit->click();
  EXPECT_EQ(p.ui.messages.at(0).text, "Cannot render, no map has been loaded");
  EXPECT_EQ(p.ui.messages[0].title, "No Map");
  EXPECT_FALSE(std::filesystem::exists(p.dir.path / "scratch.mpb"));
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, false}));

  p.room();
  int compiled = 0;
  w.compiled = [&] { ++compiled; };
  w.cmdInit->click();
  EXPECT_TRUE(std::filesystem::exists(p.dir.path / "scratch.mpb"));
  EXPECT_EQ(compiled, 1);
  EXPECT_EQ(states(), (std::vector<bool>{false, true, true, true}));

  // Up and W step 10 forward, Down and S 10 back, Left and A turn 4 left,
  // Right and D 4 right; any other key makes both calls with 0. Each draws.
  checkKeys(&w, w.Picture1,
            {{Qt::Key_Up, 10, 0, 1},
             {Qt::Key_W, 10, 0, 1},
             {Qt::Key_Down, -10, 0, 1},
             {Qt::Key_S, -10, 0, 1},
             {Qt::Key_Left, 0, 4, 1},
             {Qt::Key_A, 0, 4, 1},
             {Qt::Key_Right, 0, -4, 1},
             {Qt::Key_D, 0, -4, 1},
             {Qt::Key_X, 0, 0, 1}},
            [] { return QString("Area #%1").arg(kv::FINDAREA()); }, {});

  // Forward makes the engine's own step; Render draws the view as it is.
  toStart();
  kv::FORWARD();
  const Frame stepped = view();
  toStart();
  w.cmdForward->click();
  EXPECT_EQ(shown(w.Picture1), stepped);
  toStart();
  w.cmdRender->click();
  EXPECT_NE(shown(w.Picture1), stepped);
  EXPECT_EQ(shown(w.Picture1), view());

  // Flush makes no engine call: the engine keeps its map.
  w.cmdFlush->click();
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, false}));
  EXPECT_NE(kv::FINDAREA(), -1);
  w.cmdInit->click();
  EXPECT_EQ(compiled, 2);
  EXPECT_EQ(states(), (std::vector<bool>{false, true, true, true}));
}

TEST(PreviewWindows, ControlWindowKeysJumpAndClose) {
  Preview p;
  auto w = std::make_unique<kv::frmControl>();
  w->attachMap(*p.map, p.ui);
  kv::KV3D15& c = *w->KV3D151;
  auto states = [&] { return enabled({w->cmdInit, w->cmdJump, w->cmdFlush, w->cmdAddProto}); };
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(w->lblKeys->text(), "Use the W,A,S, and D keys to move");

  // Keys do nothing while the engine is not running.
  key(w.get(), Qt::Key_W);
  EXPECT_EQ(w->windowTitle(), "KV3D15 Control");
  EXPECT_EQ(c.framesDrawn(), 0);

  w->cmdInit->click();
  EXPECT_EQ(p.ui.messages.at(0).title, "No Map");
  EXPECT_FALSE(w->running());

  p.room();
  w->cmdInit->click();
  EXPECT_EQ(states(), (std::vector<bool>{false, true, true, true}));
  EXPECT_TRUE(c.Timer1->isActive());
  EXPECT_EQ(c.Picture1->image().size(), QSize(320, 200));

  // A and D turn 5 left and right, W and S step 20, each drawing a frame;
  // every key names the viewer's area in the title.
  checkKeys(
      w.get(), c.Picture1,
      {{Qt::Key_A, 0, 5, 1},
       {Qt::Key_D, 0, -5, 1},
       {Qt::Key_W, 20, 0, 1},
       {Qt::Key_S, -20, 0, 1},
       {Qt::Key_Q, 0, 0, 0},
       {Qt::Key_Left, 0, 0, 0}},
      [] { return QString::fromStdString("Area: " + kv::FINDAREANAME(kv::FINDAREA())); },
      [&] { return c.framesDrawn(); });
  EXPECT_EQ(w->windowTitle(), "Area: RoomID36");  // not area 0's name

  // Jump to Insert: the map's viewer start in whole map units, drawn.
  p.map->viewerX = 700.4, p.map->viewerY = 1250.6, p.map->viewerZ = 64, p.map->viewerDir = 30;
  kv::JUMPVIEWER(700, 1251, 64, 30);
  const Frame there = view();
  toStart();
  w->cmdJump->click();
  EXPECT_EQ(shown(c.Picture1), there);

  // Add Proto: the fixed file is not on this machine; reported, not fatal.
  w->cmdAddProto->click();
  EXPECT_NE(p.ui.messages.at(1).text.find("/talsship/angfish/angfish.kvx"), std::string::npos);

  w->cmdFlush->click();
  EXPECT_EQ(states(), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(kv::FINDAREA(), -1);

  // Closing while running runs Flush first.
  w->cmdInit->click();
  ASSERT_TRUE(w->running());
  w->close();
  EXPECT_FALSE(w->running());
  EXPECT_EQ(kv::FINDAREA(), -1);
}

TEST(PreviewWindows, EngineControlCopiesItsInitSizeOnceAnd320By200After) {
  Preview p;
  p.room();
  ASSERT_EQ(kv::engine::compileScratch(*p.map, p.dir.path.string()), "");
  kv::KV3D15 c;
  kv::Long v = 0;
  c.kvVersion(v);
  EXPECT_EQ(v, 150);
  c.kvHideBorder();
  EXPECT_EQ(c.Picture1->borderStyle(), 0);

  // At 400 x 300 the first frame fills the picture; later frames copy only
  // their 320 x 200 corner, and the rest keeps the first frame.
  kv::Long ok = 7;
  c.kv3DInit(p.dir.path.string(), "scratch.hdr", 400, 300, 1, 2, 3, 4, ok);
  EXPECT_EQ(ok, 0);
  ASSERT_EQ(c.Picture1->image().size(), QSize(400, 300));
  EXPECT_EQ(shown(c.Picture1, 0, 0, 400, 300), view(0, 0, 400, 300));
  const Frame band = view(0, 200, 400, 100);
  kv::TURNVIEWER(30);
  c.kvRedraw();
  EXPECT_EQ(shown(c.Picture1), view());
  EXPECT_NE(view(0, 200, 400, 100), band);
  EXPECT_EQ(shown(c.Picture1, 0, 200, 400, 100), band);

  // The timer draws frames, also after a flush.
  kv::Long result = 9;
  c.kvFlush(result);
  EXPECT_EQ(result, 0);
  const int drawn = c.framesDrawn();
  EXPECT_TRUE(QTest::qWaitFor([&] { return c.framesDrawn() > drawn; }, 5000));
}

TEST(PreviewWindows, OpenedFromTheMainWindowOnTheOpenMap) {
  kv::FLUSHTALISSE();
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  f.w->findChild<QAction*>("itmRenderWin")->trigger();  // the control window
  EXPECT_TRUE(f.w->control->isVisible());
  EXPECT_FALSE(f.w->render->isVisible());
  // Init compiles the open map in place; the tree then lists the compiled walls.
  kvtest::addSquare(m, 0, 0, 800);
  kvtest::addSquare(m, 200, 200, 100);
  static_cast<kv::frmRender*>(f.w->render)->cmdInit->click();
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_TRUE(kv::validateTree({m.walls.data(), size_t(m.wallCount)}).ok);
  EXPECT_EQ(f.w->project->node("Walls")->childCount(), m.wallCount);
  kv::FLUSHTALISSE();
}
