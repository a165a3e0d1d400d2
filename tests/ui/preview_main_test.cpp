// The preview windows as the main window opens them.
#include <gtest/gtest.h>

#include <QAction>
#include <filesystem>

#include "bsp/validate.h"
#include "engine/kv3d15.h"
#include "ui/engine/frmcontrol.h"
#include "ui/engine/frmrender.h"
#include "uitest.h"

TEST(MainWindowPreview, RenderAndControlWindowsPreviewTheOpenMap) {
  kv::FLUSHTALISSE();
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();

  // "Render window" opens the control window; an empty map is refused.
  f.w->findChild<QAction*>("itmRenderWin")->trigger();
  auto* ctl = f.w->findChild<kv::frmControl*>("frmControl");
  ASSERT_NE(ctl, nullptr);
  EXPECT_TRUE(ctl->isVisible());
  ctl->cmdInit->click();
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].title, "No Map");
  EXPECT_TRUE(ctl->cmdInit->isEnabled());

  // The toolbar's render button opens the render window; Init compiles the
  // open map into scratch.mpb, and the editor shows the compiled walls.
  f.w->Toolbar1_ButtonClick("render");
  auto* r = f.w->findChild<kv::frmRender*>("frmRender");
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(r->isVisible());
  kvtest::addSquare(m, 0, 0, 800);
  kvtest::addSquare(m, 200, 200, 100);
  m.viewerX = 100, m.viewerY = 400;
  r->cmdInit_Click();
  EXPECT_EQ(f.ui.messages.size(), 1u) << f.ui.messages.back().text;
  EXPECT_FALSE(r->cmdInit->isEnabled());
  EXPECT_TRUE(std::filesystem::exists(f.dir.path / "scratch.mpb"));
  EXPECT_TRUE(kv::validateTree({m.walls.data(), size_t(m.wallCount)}).ok);
  EXPECT_EQ(f.w->project->node("Walls")->childCount(), m.wallCount);
  r->cmdFlush_Click();
  EXPECT_TRUE(r->cmdInit->isEnabled());
  kv::FLUSHTALISSE();
}
