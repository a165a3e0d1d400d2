// The main window: the real start's log, the menu tree and toolbar, recent
// files across a restart, help, the window arrangement, the compile and the
// developer commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QToolBar>
#include <filesystem>

#include "bsp/validate.h"
#include "uitest.h"
#include "view/layout.h"

namespace {

TEST(Startup, RealStartWritesTheLogAndItsLines) {
  kvtest::TempDir d;
  QProcess p;
  p.setWorkingDirectory(QString::fromStdString(d.path.string()));  // the test's own platform, offscreen
  p.start(KV3DEDIT_PATH, {});
  ASSERT_TRUE(p.waitForStarted(10000));
  QByteArray text;
  // The log's last line says start-up is over; the comparison below tells what was missing.
  (void)QTest::qWaitFor(
      [&] {
        QFile log(QString::fromStdString(d.file("ZidOruv.log")));
        if (log.open(QIODevice::ReadOnly)) text = log.readAll();
        return text.endsWith("Done.\r\n");
      },
      20000);
  EXPECT_EQ(p.state(), QProcess::Running);  // the editor is up and waits for the user
  p.kill();
  p.waitForFinished(5000);
  EXPECT_EQ(text.toStdString(),
            "Starting log...\r\nDoing events...\r\nLoading main window...\r\nLoading INI\r\nSetting recent files\r\n"
            "Setting HLP\r\nLoading Map\r\nLoading Project\r\nLoading Props\r\nLoad Render\r\nLoad Select\r\n"
            "Finished forms\r\nAdjusting windows\r\nCreating a class\r\nListing lines\r\nDone.\r\n");
}

// One line per entry: "menuName|caption" opens a menu, "-name" is a
// separator, "name|caption|shortcut" an item; a leading "!" marks a
// switched-off entry.
const char* kMenus[] = {"mnuFile|&File",
                        "itmNewMap|&New Map|",
                        "-bi7",
                        "itmOpenMap|&Open Map...|",
                        "itmSaveMap|&Save Map...|",
                        "itmSaveAs|Save Map &As...|",
                        "-bi3",
                        "itmExportMap|&Compile and save map binary...|",
                        "-bi6",
                        "!itmImportWAD|&Import Doom WAD map...|",
                        "-bi2",
                        "itmRecentFile1|&1 |",
                        "itmRecentFile2|&2 |",
                        "itmRecentFile3|&3 |",
                        "itmRecentFile4|&4 |",
                        "-bi9",
                        "itmExit|E&xit|",
                        "mnuEdit|&Edit",
                        "!itmUndo|&Undo|Ctrl+Z",
                        "!itmRedo|&Redo|Ctrl+Y",
                        "-bi11",
                        "itmCut|Cut|Ctrl+X",
                        "itmCopy|Copy|Ctrl+C",
                        "itmPaste|Paste|Ctrl+V",
                        "-bi10",
                        "itmClear|Clear|",
                        "itmDelArea|Delete Area|",
                        "mnuView|&View",
                        "itmRedraw|&Redraw|Ctrl+R",
                        "-bi1",
                        "!itmDrawTree|Draw Tree|",
                        "itmZoomIn|Zoom &In|",
                        "itmZoomOut|Zoom &Out|",
                        "mnuSpecial|Wi&zards",
                        "itmRoomWizard|&Room Wizard...|",
                        "itmShapeWizard|Shape Wizard...|",
                        "itmColWizard|&Column Wizard...|",
                        "!itmWallWizard|&Wall Wizard...|",
                        "itmSplitWall|&Split wall...|",
                        "itmStairWizard|Stair wizard...|",
                        "itmSwitchWizard|Switch Wizard|",
                        "itmPassageWizard|Passage Wizard...|",
                        "itmCaveWizard|Cave wizard|",
                        "itmSetViewer|Set viewer to Insert Position|",
                        "!mnuTest|&Test",
                        "itmWZSwitch|Switch wizard|",
                        "itmShowCtl|Show Control|",
                        "itmCreateBSP|Create class BSP|",
                        "itmReadNewMap|Read Map Object|",
                        "itmTestMapObj|Test Map Object|",
                        "itmCheckerBoard|Checkerboard|",
                        "itmViewAngle|Find View Angle|",
                        "itmTestPoly|Test Poly|",
                        "itmDrawRoom|DrawRoom|",
                        "itmMultiPoly|MultiPoly|",
                        "itmBuildBSP|Build BSP|",
                        "itmIntersect|Intersect|",
                        "itmWalkTree|Walk Tree|",
                        "mnuWindow|&Window",
                        "itmAdjustWin|Adjust windows|",
                        "-bi8",
                        "itmPropWin|Properties window|F4",
                        "itmProjectWin|Project window|",
                        "itmDragDropWin|Drag and drop window|",
                        "itmRenderWin|Render window|",
                        "itmSelectWin|Select window|",
                        "mnuHelp|&Help",
                        "itmHelpContents|Contents (press F1)|",
                        "-bi5",
                        "itmAbout|About Kovrel3D Map Editor...|"};

TEST(MainWindow, MenusAndToolbarAsDesigned) {
  kvtest::EditorFixture f;
  f.start();
  EXPECT_EQ(f.w->windowTitle(), "Kovrel3D Map Editor");
  // The window's menu tree written out in the table's notation.
  std::vector<std::string> got;
  for (QAction* m : f.w->menuBar()->actions()) {
    got.push_back((m->isEnabled() ? "" : "!") + m->objectName().toStdString() + "|" + m->text().toStdString());
    for (QAction* a : m->menu()->actions()) {
      if (a->isSeparator()) {
        got.push_back("-" + a->objectName().toStdString());
        continue;
      }
      got.push_back((a->isEnabled() ? "" : "!") + a->objectName().toStdString() + "|" + a->text().toStdString() + "|" +
                    a->shortcut().toString().toStdString());
    }
  }
  EXPECT_EQ(got, std::vector<std::string>(std::begin(kMenus), std::end(kMenus)));

  std::vector<std::string> buttons;
  for (QAction* a : f.w->Toolbar1->actions())
    if (!a->isSeparator() && !a->icon().isNull())
      buttons.push_back(a->objectName().toStdString() + "|" + a->toolTip().toStdString());
  EXPECT_EQ(buttons,
            (std::vector<std::string>{"new|New map", "open|Open new map", "save|Save current map", "select|Select",
                                      "move|Move Selection", "scale|Scale Selection", "rotate|Rotate Selection",
                                      "shear|Shear Selection", "cut|Cut (Ctrl-X)", "copy|Copy (Ctrl-C)",
                                      "paste|Paste (Ctrl-V)", "paint|Paint current texture scheme",
                                      "props|Show Properties window", "objects|Show Project window",
                                      "wizard|Show drag & drop window", "render|Show Render window"}));

  // The mode buttons set editMode; "cut" does nothing, "copy" gives the
  // shared message; the window buttons bring their window to the front.
  const std::pair<const char*, int> modes[] = {{"scale", 1}, {"move", 2}, {"rotate", 3}, {"shear", 4}, {"select", 0}};
  for (auto [key, mode] : modes) {
    f.w->findChild<QAction*>(key)->trigger();
    EXPECT_EQ(f.w->map().editMode, mode) << key;
  }
  const std::pair<const char*, QWidget*> windows[] = {
      {"props", f.w->properties}, {"objects", f.w->project}, {"wizard", f.w->dragDrop}, {"render", f.w->render}};
  for (auto [key, window] : windows) {
    f.w->frameOf(window)->hide();
    f.w->findChild<QAction*>(key)->trigger();
    EXPECT_TRUE(window->isVisible()) << key;
    EXPECT_EQ(f.w->mdiArea->activeSubWindow(), f.w->frameOf(window)) << key;
  }
  f.w->findChild<QAction*>("cut")->trigger();
  EXPECT_TRUE(f.ui.messages.empty());
  f.w->findChild<QAction*>("copy")->trigger();
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "This feature is not yet available. Check back in next version.");
  EXPECT_EQ(f.ui.messages[0].icon, kv::MsgIcon::Critical);

  // About shows the splash window, which stays until a key or a click.
  f.w->findChild<QAction*>("itmAbout")->trigger();
  ASSERT_NE(f.w->splash, nullptr);
  EXPECT_TRUE(f.w->splash->isVisible());
  EXPECT_FALSE(f.w->splash->Timer1->isActive());
  QTest::keyClick(f.w->splash, Qt::Key_Space);
  EXPECT_FALSE(f.w->splash->isVisible());
}

TEST(MainWindow, RecentFilesAcrossARestart) {
  kvtest::EditorFixture f;
  f.start();
  kvtest::addSquare(f.w->map(), 0, 0, 100);
  const std::string a = f.dir.file("a.map"), b = f.dir.file("b.map");
  f.ui.fileAnswers = {a, b};
  f.w->findChild<QAction*>("itmSaveAs")->trigger();
  f.w->findChild<QAction*>("itmSaveAs")->trigger();
  auto caption = [&](int k) {
    return f.w->findChild<QAction*>(QString("itmRecentFile%1").arg(k))->text().toStdString();
  };
  EXPECT_EQ(caption(1), "&1 " + b);
  f.w.reset();  // restart: the list comes back from zidoruv.ini
  f.start();
  EXPECT_EQ(caption(2), "&2 " + a);
  EXPECT_EQ(caption(3), "&3 ");
  // The map view cannot be closed; minimised, opening a map brings it back.
  QMdiSubWindow* mapFrame = f.w->frameOf(f.w->mapView);
  EXPECT_FALSE(mapFrame->close());
  mapFrame->showMinimized();
  f.w->findChild<QAction*>("itmRecentFile2")->trigger();
  EXPECT_FALSE(mapFrame->isMinimized());
  EXPECT_EQ(f.w->document().currentMapFile, a);
  EXPECT_NE(f.w->project->node("w3"), nullptr);
  EXPECT_EQ(caption(1), "&1 " + b);  // not reordered
}

TEST(MainWindow, AdjustWindowsHelpAndZoomLimits) {
  kvtest::EditorFixture f;
  f.start();
  const double tpp = f.w->mapView->twipsPerPixel();
  QMdiSubWindow* pf = f.w->frameOf(f.w->project);
  const QRect home = pf->geometry();
  EXPECT_GE(home.width(), kv::twipsToPixels(2000, tpp));  // wider where the font needs it
  EXPECT_EQ(f.w->frameOf(f.w->properties)->width(), home.width());
  EXPECT_EQ(home.right() + 1, f.w->width() - kv::twipsToPixels(100, tpp));
  EXPECT_EQ(f.w->frameOf(f.w->properties)->geometry().top(), home.bottom() + 1 + kv::twipsToPixels(100, tpp));
  pf->setGeometry(10, 10, 300, 300);
  f.w->frameOf(f.w->mapView)->showMinimized();
  f.w->findChild<QAction*>("itmAdjustWin")->trigger();
  EXPECT_EQ(pf->geometry(), home);
  EXPECT_FALSE(f.w->frameOf(f.w->mapView)->isMinimized());

  // The build puts the help file beside the program, where F1 finds it;
  // Escape closes it.
  f.w->itmHelpContents_Click();
  ASSERT_NE(f.w->help, nullptr);
  EXPECT_TRUE(f.w->help->browser->toPlainText().contains("Contents"));
  QTest::keyClick(f.w->help->browser, Qt::Key_Escape);
  EXPECT_FALSE(f.w->help->isVisible());

  // A refused zoom says why; the next zoom that works takes that back.
  f.w->map().scaleX = f.w->map().scaleY = 1;
  f.w->findChild<QAction*>("itmZoomIn")->trigger();
  EXPECT_EQ(f.w->map().scaleX, 1);
  EXPECT_FALSE(f.w->messagePanel->text().isEmpty());
  f.w->findChild<QAction*>("itmZoomOut")->trigger();
  EXPECT_EQ(f.w->map().scaleX, 2);
  EXPECT_TRUE(f.w->messagePanel->text().isEmpty());
}

TEST(MainWindow, CompileAndSaveMapBinary) {
  kvtest::EditorFixture f;
  f.start();
  kvtest::addSquare(f.w->map(), 0, 0, 100);
  kvtest::addSquare(f.w->map(), 300, 0, 100);
  f.ui.fileAnswers = {f.dir.file("untitled.mpb")};
  f.w->findChild<QAction*>("itmExportMap")->trigger();
  ASSERT_FALSE(f.ui.messages.empty());
  EXPECT_EQ(f.ui.messages[0].title, "Compile complete");
  EXPECT_TRUE(std::filesystem::exists(f.dir.path / "untitled.mpb"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The tree then lists the side-def table's walls, of which there are none.
  EXPECT_EQ(f.w->sideDefs().count, 0);
  EXPECT_EQ(f.w->project->node("Walls")->childCount(), 0);
}

// The switched-off Test menu: its commands still work on the map, the
// side-def table and the files in the current directory.
TEST(TestMenu, TreeToolsAndMapObjectsWorkWhileTheMenuIsSwitchedOff) {
  kvtest::EditorFixture f;
  f.start();
  kv::clsMap& m = f.w->map();
  kv::SideDefTable& t = f.w->sideDefs();

  // DrawRoom fills the side-def table and lists its walls, not the map's;
  // Build BSP makes a tree of it without touching the map's walls.
  kvtest::addSquare(m, 200, 200, 200);
  const kv::Wall wall0 = m.walls[0];
  f.w->itmDrawRoom_Click();
  EXPECT_EQ(t.count, 36);
  EXPECT_EQ(f.w->project->node("Walls")->childCount(), 36);
  f.w->itmBuildBSP_Click();
  EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages[0].text;
  EXPECT_EQ(m.walls[0], wall0);
  f.w->itmWalkTree_Click();
  EXPECT_EQ(f.w->messagePanel->text(), QString("Walk Tree: %1 nodes").arg(t.count));

  // Draw Tree (View menu, switched off too) draws on the map view.
  f.w->itmDrawTree_Click();
  EXPECT_EQ(f.picture()->image().pixel(50, 40), qRgb(255, 0, 0));  // the root, A

  // Test Map Object writes newdir.mpb as the map stands; Read Map Object
  // reads newdir2.mpb and lists it.
  f.w->itmTestMapObj_Click();
  std::filesystem::copy_file(f.dir.file("newdir.mpb"), f.dir.file("newdir2.mpb"));
  f.w->findChild<QAction*>("itmNewMap")->trigger();
  f.w->itmReadNewMap_Click();
  EXPECT_EQ(m.wallCount, 4);
  EXPECT_EQ(f.w->project->node("Walls")->childCount(), 4);
  f.w->itmCreateBSP_Click();
  EXPECT_TRUE(kv::validateTree({m.walls.data(), size_t(m.wallCount)}).ok);
}

}  // namespace
